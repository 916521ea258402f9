#include "ListModel.h"

#include <sstream>

#include "CvMiscUtils.h"

namespace lists {
namespace {

std::string NumberedEntry(const std::string& word, int number) {
    return FitEntry(word + " " + std::to_string(number));
}

TStrings Numbered(const std::string& word, int first, int last) {
    TStrings entries;
    for (int n = first; n <= last; ++n) entries.push_back(NumberedEntry(word, n));
    return entries;
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

}  // namespace

TStrings SplitCommaText(const std::string& commaText) {
    TStrings parts;
    std::istringstream stream(commaText);
    for (std::string part; std::getline(stream, part, ',');) parts.push_back(part);
    return parts;
}

TStrings BuildListNames() {
    return SplitCommaText("Plant,Trailer,Site,Brake,Examiner,Company,Address,Friendly");
}

TStrings BuildFileStems() {
    return SplitCommaText("Vehicles,Trailers,Conditions,Brakes,Examiner,Company");
}

std::vector<TStrings> BuildDefaultLists() {
    TStrings site = {"Dry tarmac      ", "Wet tarmac      ", "Loose gravel    ",
                     "Frozen ground   "};
    for (const std::string& entry : Numbered("Condition", 5, 16)) site.push_back(entry);

    TStrings address, friendly;
    for (int n = 0; n <= 7; ++n) {
        // n times 111111111111: the digit n written twelve times.
        address.push_back(std::string(12, static_cast<char>('0' + n)));
        friendly.push_back("Friend " + std::to_string(n));
    }
    return {
        Numbered("Plant", 1, 99),
        Numbered("Trailer", 1, 70),
        site,
        {"Service Brake   ", "Secondary       ", "Parking         ", "Not Specified   "},
        Numbered("Examiner", 1, 8),
        {"Company Name    "},
        address,
        friendly,
    };
}

int ListIndexOfGrid(const TStrings& listNames, const std::string& gridName) {
    if (gridName.size() < 2) return -1;
    const std::string listName = gridName.substr(0, gridName.size() - 2);
    for (std::size_t i = 0; i < listNames.size(); ++i)
        if (EqualIgnoringCase(listNames[i], listName)) return static_cast<int>(i);
    return -1;
}

std::string FitEntry(const std::string& text, std::size_t width) {
    std::string result = text.substr(0, width);
    result.resize(width, ' ');
    return result;
}

}  // namespace lists

void StoreEntry(ListCells& cells, TCorruptBits& corruptBits, int list, int entry,
                const std::string& text) {
    if (entry < 0) return;
    std::string cleaned = text;
    const bool allGood = FixEntryText(cleaned, false);
    corruptBits.Set(list, entry, !allGood);
    if (entry < cells.RowCount()) cells.SetCell(entry, cleaned);
}
