// Decoding the instrument's replies and the register texts.
#include <gtest/gtest.h>

#include "RegisterMap.h"
#include "Replies.h"

using namespace instrument;

TEST(RepliesTest, SerialAndTypeComeFromTheirPositions) {
    EXPECT_EQ(ReplyType(":?####QA1234F1"), 'Q');
    EXPECT_EQ(SerialOfReply(":?####QA1234F1"), "A1234");
    EXPECT_EQ(ReplyType(":A12"), '\0');
    EXPECT_EQ(SerialOfReply(":?####QA1"), "A1");
}

TEST(RepliesTest, TimeFieldsAreHexInEitherCaseAndOnlyRealDatesAreValid) {
    const InstrumentTime time = TimeOfReply(":A1234E1a0c1F173b99FFxx");
    EXPECT_EQ(time.year, 2026);
    EXPECT_EQ(time.month, 12);
    EXPECT_EQ(time.day, 31);
    EXPECT_EQ(time.hour, 23);
    EXPECT_EQ(time.minute, 59);
    EXPECT_TRUE(time.IsValid());

    EXPECT_TRUE((InstrumentTime{2024, 2, 29, 0, 0}.IsValid()));
    EXPECT_TRUE((InstrumentTime{2000, 2, 29, 0, 0}.IsValid()));
    for (const InstrumentTime bad : {InstrumentTime{2025, 2, 29, 0, 0}, InstrumentTime{2100, 2, 29, 0, 0},
                                     InstrumentTime{2026, 0, 1, 0, 0}, InstrumentTime{2026, 13, 1, 0, 0},
                                     InstrumentTime{2026, 4, 31, 0, 0}, InstrumentTime{2026, 1, 0, 0, 0},
                                     InstrumentTime{2026, 1, 1, 24, 0}, InstrumentTime{2026, 1, 1, 0, 60}})
        EXPECT_FALSE(bad.IsValid()) << bad.year << "-" << bad.month << "-" << bad.day << " "
                                    << bad.hour << ":" << bad.minute;
    // Fields that do not parse count as 0, which no month or day allows.
    EXPECT_FALSE(TimeOfReply(":A1234E1Axx1F1700").IsValid());
    EXPECT_FALSE(TimeOfReply(":A1234E00").IsValid());
}

TEST(RepliesTest, RegisterAndInfoReplies) {
    const RegisterReply reg = RegisterOfReply(":A1234300D9  ROTCUDORP 9999XX");
    EXPECT_EQ(reg.Register, 0xD9);
    EXPECT_EQ(reg.Data, "  ROTCUDORP 9999");
    EXPECT_EQ(RegisterOfReply(":A12343zz01").Register, 0);
    EXPECT_EQ(RegisterOfReply(":A12343FFFF").Register, 0xFFFF);

    const InfoReply version = InfoOfReply(":A1234a8005V2.31 2026-11-02xyz41");
    EXPECT_EQ(version.Code, kInfoSoftwareVersion);
    EXPECT_EQ(SoftwareVersionCaption(version), "V2.31 2026-11-02");
    const InfoReply type = InfoOfReply(":A1234a8016iBrake tester 2B  7F");
    EXPECT_EQ(type.Code, kInfoInstrumentType);
    EXPECT_EQ(InstrumentTypeCaption(type), "Brake tester 2B");
    // Without its "i" the type is not trusted.
    EXPECT_EQ(InstrumentTypeCaption(InfoOfReply(":A1234a8016xBrake tester 2B 7F")),
              "____________");
    EXPECT_EQ(InstrumentTypeCaption(InfoOfReply(":A1234a8016")), "____________");
    // A code below 0x8000 wraps round to a large one, never to a known item.
    EXPECT_EQ(InfoOfReply(":A1234a0005").Code, 0x8005);
}

TEST(RegisterMapTest, EveryListRegisterMapsToItsEntry) {
    struct Case {
        std::uint16_t reg;
        int list;
        int entry;
    };
    for (const Case c : {Case{40, kAddressList, 0}, Case{47, kAddressList, 7},
                         Case{48, kPlantList, 0}, Case{146, kPlantList, 98},
                         Case{147, kTrailerList, 0}, Case{216, kTrailerList, 69},
                         Case{217, kTrailerList, 70}, Case{218, kTrailerList, 71},
                         Case{219, kFriendlyList, 0}, Case{226, kFriendlyList, 7},
                         Case{227, kExaminerList, 0}, Case{234, kExaminerList, 7},
                         Case{235, kSiteList, 0}, Case{250, kSiteList, 15},
                         Case{251, kBrakeList, 0}, Case{254, kBrakeList, 3},
                         Case{255, kCompanyList, 0}}) {
        const auto entry = EntryOfRegister(c.reg);
        ASSERT_TRUE(entry) << c.reg;
        EXPECT_EQ(entry->List, c.list) << c.reg;
        EXPECT_EQ(entry->Entry, c.entry) << c.reg;
    }
    for (const std::uint16_t outside : {0, 15, 16, 17, 39, 256, 0xFFFF})
        EXPECT_FALSE(EntryOfRegister(outside)) << outside;
}

TEST(RegisterMapTest, TextsTravelReversedAndAddressesIn13Characters) {
    EXPECT_EQ(EncodeEntry("PRODUCTOR 9999"), "  9999 ROTCUDORP");
    EXPECT_EQ(EncodeEntry("0123456789ABCDEFGH"), "FEDCBA9876543210");
    EXPECT_EQ(DecodeEntry("  9999 ROTCUDORP"), "PRODUCTOR 9999  ");
    EXPECT_EQ(EncodeAddress("0012F3A4B5C6"), " 6C5B4A3F2100000");
    EXPECT_EQ(EncodeAddress("0012F3A4B5C6").size(), 16u);
    EXPECT_EQ(EncodeAddress("0012F3A4B5C6XYZW"), "X6C5B4A3F2100000");
    // Reading an address takes the first 13 of the 16 characters: 13 come back, not 16.
    EXPECT_EQ(DecodeAddress(" 6C5B4A3F2100000"), "0012F3A4B5C6 ");
    EXPECT_EQ(DecodeAddress(EncodeAddress("ABC")), "ABC          ");
}
