#include "ListFile.h"

#include "ListModel.h"

namespace lists {

std::string FormatListFile(const std::vector<std::string>& entries) {
    std::string bytes;
    bytes.reserve(entries.size() * (kEntryWidth + 2));
    for (const std::string& entry : entries) bytes += FitEntry(entry) + "\r\n";
    return bytes;
}

std::vector<std::string> ParseListFile(std::string_view bytes, std::size_t count) {
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);

    std::vector<std::string> entries;
    entries.reserve(count);
    std::size_t pos = 0;
    while (entries.size() < count && pos < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            entries.push_back(FitEntry(std::string(bytes.substr(pos))));
            break;
        }
        entries.push_back(FitEntry(std::string(bytes.substr(pos, end - pos))));
        pos = end + 1;
        if (bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n') ++pos;
    }
    entries.resize(count, std::string(kEntryWidth, ' '));
    return entries;
}

}  // namespace lists
