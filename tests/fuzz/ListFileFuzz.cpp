// The list-file loader and the entry validation: any bytes of any length loaded into one of the
// six lists with files, as loading does (parse, then StoreEntry for every entry). A loaded list
// always holds its list's number of entries, each exactly 16 good characters, marked
// exactly when the file's line had a bad one; saving it again and loading that gives the same.
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "FuzzLists.h"
#include "ListFile.h"

namespace {

bool IsGood(char c) {
    return IsPrintableChar(c) && c != '!';
}

void Load(std::string_view bytes, int list) {
    FuzzLists lists;
    FuzzRows& cells = lists.rows[static_cast<std::size_t>(list)];
    const auto count = static_cast<std::size_t>(cells.RowCount());
    const std::vector<std::string> entries = lists::ParseListFile(bytes, count);
    FUZZ_CHECK(entries.size() == count);
    lists.marks.ClearList(list);
    std::vector<std::string> loaded;
    for (int k = 0; k < cells.RowCount(); ++k) {
        const std::string& entry = entries[static_cast<std::size_t>(k)];
        FUZZ_CHECK(entry.size() == lists::kEntryWidth);
        lists.Store(list, k, entry);
        const std::string row = cells.Cell(k);
        FUZZ_CHECK(row.size() == lists::kEntryWidth);
        for (const char c : row) FUZZ_CHECK(IsGood(c));
        loaded.push_back(row);
    }
    // What a clean list saves, it loads again unchanged and unmarked.
    const std::string saved = lists::FormatListFile(loaded);
    FUZZ_CHECK(saved.size() == count * (lists::kEntryWidth + 2));
    FUZZ_CHECK(lists::ParseListFile(saved, count) == loaded);
}

// A file of LF-ended lines without carriage returns or NULs: line k is entry k, fitted to 16.
void CheckPlainLines(std::string_view bytes, std::size_t count) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= bytes.size(); ++at) {
        if (at < bytes.size() && bytes[at] != '\n') continue;
        lines.emplace_back(bytes.substr(start, at - start));
        start = at + 1;
    }
    if (!bytes.empty() && bytes.back() == '\n') lines.pop_back();
    for (const std::string& line : lines)
        if (line.find_first_of(std::string("\r\0", 2)) != std::string::npos) return;
    const std::vector<std::string> entries = lists::ParseListFile(bytes, count);
    for (std::size_t k = 0; k < count; ++k) {
        const std::string expected = k < lines.size() ? lines[k] : std::string();
        FUZZ_CHECK(entries[k] == lists::FitEntry(expected));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(bytes), size);
    // The length picks the list, so every list meets every kind of file.
    Load(file, static_cast<int>(size % lists::kFileListCount));
    CheckPlainLines(file, 99);
    // The entry rules alone: cleaning keeps the length, is idempotent, and tells the truth.
    std::string text(file);
    const bool allGood = FixEntryText(text, false);
    FUZZ_CHECK(text.size() == size);
    bool anyBad = false;
    for (std::size_t i = 0; i < size; ++i) {
        anyBad = anyBad || !IsGood(file[i]);
        FUZZ_CHECK(text[i] == (IsGood(file[i]) ? file[i] : ' '));
    }
    FUZZ_CHECK(allGood == !anyBad);
    std::string again = text;
    FUZZ_CHECK(FixEntryText(again, false) && again == text);
    return 0;
}
