#pragma once

#include <string>
#include <string_view>
#include <vector>

// The ".ID" list file: one line of 16 characters per entry, in entry order, each line ended by
// carriage return and line feed, nothing else. A file written here is entries x 18 bytes long.
namespace lists {

std::string FormatListFile(const std::vector<std::string>& entries);

// Reads `count` entries from a list file's bytes, more leniently than it is written: lines may
// end with CR LF, a lone CR or a lone LF; a NUL ends the text; extra lines are ignored; missing
// and empty lines give blank entries. Every entry comes back exactly 16 characters wide but not
// yet cleaned of bad characters (storing it into the list does that and marks it).
std::vector<std::string> ParseListFile(std::string_view bytes, std::size_t count);

}  // namespace lists
