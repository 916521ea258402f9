#pragma once

#include <string>
#include <vector>

#include "ListModel.h"

// One of two sets of entries for list `list` (0 to 5), told apart by `version` (0 or 1) in every
// entry, so that a file holding a mixture of the two would show it.
inline std::vector<std::string> SaveLoopContents(std::size_t list, unsigned version) {
    static constexpr std::size_t kSizes[] = {99, 70, 16, 4, 8, 1};
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < kSizes[list]; ++i)
        entries.push_back(lists::FitEntry((version == 0 ? "OLD " : "NEW ") + std::to_string(i)));
    return entries;
}
