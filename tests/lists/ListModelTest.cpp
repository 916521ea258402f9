#include <gtest/gtest.h>

#include "ListFile.h"
#include "ListModel.h"

using namespace lists;

namespace {

// A list held in memory, as its grid would hold it.
struct MemoryCells : ListCells {
    explicit MemoryCells(int rows) : rows(static_cast<std::size_t>(rows)) {}
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string Cell(int row) const override { return rows.at(static_cast<std::size_t>(row)); }
    void SetCell(int row, const std::string& text) override {
        rows.at(static_cast<std::size_t>(row)) = text;
    }
    std::vector<std::string> rows;
};

}  // namespace

TEST(ListModel, NamesStemsAndDefaults) {
    EXPECT_EQ(BuildListNames(), (TStrings{"Plant", "Trailer", "Site", "Brake", "Examiner",
                                          "Company", "Address", "Friendly"}));
    EXPECT_EQ(BuildFileStems(),
              (TStrings{"Vehicles", "Trailers", "Conditions", "Brakes", "Examiner", "Company"}));

    const auto defaults = BuildDefaultLists();
    ASSERT_EQ(defaults.size(), 8u);
    const std::size_t sizes[] = {99, 70, 16, 4, 8, 1, 8, 8};
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(defaults[i].size(), sizes[i]) << i;
    for (std::size_t i = 0; i < 6; ++i)
        for (const auto& entry : defaults[i]) EXPECT_EQ(entry.size(), 16u) << entry;

    EXPECT_EQ(defaults[0][0], "Plant 1         ");
    EXPECT_EQ(defaults[0][98], "Plant 99        ");
    EXPECT_EQ(defaults[1][69], "Trailer 70      ");
    EXPECT_EQ(defaults[2][0], "Dry tarmac      ");
    EXPECT_EQ(defaults[2][3], "Frozen ground   ");
    EXPECT_EQ(defaults[2][4], "Condition 5     ");
    EXPECT_EQ(defaults[2][15], "Condition 16    ");
    EXPECT_EQ(defaults[3], (TStrings{"Service Brake   ", "Secondary       ", "Parking         ",
                                     "Not Specified   "}));
    EXPECT_EQ(defaults[4][7], "Examiner 8      ");
    EXPECT_EQ(defaults[5], TStrings{"Company Name    "});
    EXPECT_EQ(defaults[6][0], "000000000000");
    EXPECT_EQ(defaults[6][7], "777777777777");
    EXPECT_EQ(defaults[7][0], "Friend 0");
    EXPECT_EQ(defaults[7][7], "Friend 7");
}

TEST(ListModel, GridNamesFindTheirListIgnoringCase) {
    const TStrings names = BuildListNames();
    EXPECT_EQ(ListIndexOfGrid(names, "PlantSG"), 0);
    EXPECT_EQ(ListIndexOfGrid(names, "FriendlySG"), 7);
    EXPECT_EQ(ListIndexOfGrid(names, "brakesg"), 3);
    EXPECT_EQ(ListIndexOfGrid(names, "NoSuchSG"), -1);
    EXPECT_EQ(ListIndexOfGrid(names, "S"), -1);
}

TEST(StoreEntry, CleansMarksAndStoresAtTheGivenLength) {
    MemoryCells cells(99);
    TCorruptBits bits;
    StoreEntry(cells, bits, 0, 5, "Pla!nt 6        ");
    EXPECT_EQ(cells.rows[5], "Pla nt 6        ");
    EXPECT_TRUE(bits.IsSet(0, 5));
    EXPECT_FALSE(bits.IsSet(1, 5));  // other lists keep their own marks

    StoreEntry(cells, bits, 0, 5, "Plant 6         ");
    EXPECT_FALSE(bits.IsSet(0, 5));

    StoreEntry(cells, bits, 0, 6,
               std::string("a\tb\nc\x7f"
                           "d\xff",
                           8));
    EXPECT_EQ(cells.rows[6], "a b c d ");
    EXPECT_TRUE(bits.IsSet(0, 6));
    StoreEntry(cells, bits, 0, 6, "");
    EXPECT_EQ(cells.rows[6], "");
    EXPECT_FALSE(bits.IsSet(0, 6));

    StoreEntry(cells, bits, 0, 7, "0123456789ABC");  // Bluetooth addresses are 13 wide
    EXPECT_EQ(cells.rows[7], "0123456789ABC");
}

TEST(StoreEntry, EntriesBeyondTheListOrTheMarksChangeNothingShown) {
    MemoryCells cells(4);
    const auto before = cells.rows;
    TCorruptBits bits;
    StoreEntry(cells, bits, 3, 4, "!bad            ");
    StoreEntry(cells, bits, 3, 300, "!bad            ");
    StoreEntry(cells, bits, 3, -1, "!bad            ");
    EXPECT_EQ(cells.rows, before);
    EXPECT_FALSE(bits.IsSet(3, 300));
    for (int k = 0; k < 4; ++k) EXPECT_FALSE(bits.IsSet(3, k));

    MemoryCells big(300);
    StoreEntry(big, bits, 0, 280, "!");
    EXPECT_EQ(big.rows[280], " ");  // still cleaned, but there is no mark to set
    EXPECT_FALSE(bits.AnySet(0));
}

TEST(CorruptBits, ClearingOneListLeavesTheOthers) {
    TCorruptBits bits;
    bits.Set(2, 0, true);
    bits.Set(2, 255, true);
    bits.Set(4, 1, true);
    bits.Set(8, 1, true);
    bits.ClearList(2);
    EXPECT_FALSE(bits.AnySet(2));
    EXPECT_TRUE(bits.IsSet(4, 1));
    EXPECT_FALSE(bits.IsSet(8, 1));
}

TEST(ListFile, WritesSixteenCharactersAndCrLfPerEntry) {
    const auto defaults = BuildDefaultLists();
    const std::size_t expectedSizes[] = {1782, 1260, 288, 72, 144, 18};
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string bytes = FormatListFile(defaults[i]);
        EXPECT_EQ(bytes.size(), expectedSizes[i]);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    }
    EXPECT_EQ(FormatListFile({"Brake", "a twenty char entry!"}),
              "Brake           \r\na twenty char en\r\n");
    EXPECT_EQ(ParseListFile(FormatListFile(defaults[0]), 99), defaults[0]);
}

TEST(ListFile, ReadsAnyLineEndingStopsAtNulAndFitsTheList) {
    const std::string blank(16, ' ');
    EXPECT_EQ(ParseListFile("one\r\ntwo\rthree\nfour", 5),
              (TStrings{"one             ", "two             ", "three           ",
                        "four            ", blank}));
    EXPECT_EQ(ParseListFile("a\n\nb\r\n\r\nc", 5),
              (TStrings{"a               ", blank, "b               ", blank, "c               "}));
    EXPECT_EQ(ParseListFile(std::string("a\r\nb\0c\r\nd", 9), 3),
              (TStrings{"a               ", "b               ", blank}));
    EXPECT_EQ(ParseListFile("1\n2\n3\n4\n5\n", 2),
              (TStrings{"1" + blank.substr(1), "2" + blank.substr(1)}));
    EXPECT_EQ(ParseListFile("a much longer line than sixteen\r\n", 1),
              TStrings{"a much longer li"});
    EXPECT_EQ(ParseListFile("", 2), (TStrings{blank, blank}));
    EXPECT_EQ(ParseListFile("tab\there", 1), TStrings{"tab\there        "});
}
