#pragma once

#include <string>
#include <vector>

#include "CorruptBits.h"
#include "ListCells.h"

// The instrument's eight ID lists: their order, names, file stems and default entries.
// List index: 0 Plant, 1 Trailer, 2 Site, 3 Brake, 4 Examiner, 5 Company, 6 Address, 7 Friendly.
// Lists 0 to 5 have list files; the two Bluetooth lists (6, 7) share one page and have none.
namespace lists {

constexpr int kListCount = 8;
constexpr int kFileListCount = 6;
constexpr std::size_t kEntryWidth = 16;  // characters the instrument and the files hold

using TStrings = std::vector<std::string>;

TStrings SplitCommaText(const std::string& commaText);
TStrings BuildListNames();  // "Plant" ... "Friendly"
TStrings BuildFileStems();  // "Vehicles" ... "Company"
std::vector<TStrings> BuildDefaultLists();

// The list shown by the grid of this name (the list name + "SG", letter case ignored); -1 if none.
int ListIndexOfGrid(const TStrings& listNames, const std::string& gridName);

// `text` padded on the right with blanks or cut to `width` characters.
std::string FitEntry(const std::string& text, std::size_t width = kEntryWidth);

}  // namespace lists

// The one way text from outside (an instrument reply, a list file) enters a list: bad characters
// become blanks, the entry's mark says whether there were any, and the cleaned text goes into
// the entry's row at the length given. An entry beyond the list's rows changes no row.
void StoreEntry(ListCells& cells, TCorruptBits& corruptBits, int list, int entry,
                const std::string& text);
