#include "SioDataMatcher.h"

#include <algorithm>
#include <cctype>

namespace {
char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
}  // namespace

TSioDataMatcher::TSioDataMatcher(std::string_view text, bool ignoreCase)
    : length_(static_cast<std::uint32_t>(std::min(text.size(), MaxLength))),
      ignoreCase_(ignoreCase) {
    for (std::uint32_t i = 0; i < length_; ++i) text_[i] = ignoreCase ? Upper(text[i]) : text[i];
}

bool TSioDataMatcher::Feed(std::uint8_t byte) {
    if (length_ == 0) return false;
    const char c = ignoreCase_ ? Upper(static_cast<char>(byte)) : static_cast<char>(byte);
    // Each non-zero counter is one partial match in progress (its value = bytes matched). A byte
    // equal to the first text byte starts at most one new partial match.
    bool process = true;
    bool started = false;
    for (std::uint32_t i = 0; i < length_; ++i) {
        if (process) {
            std::uint32_t& p = counters_[i];
            if (text_[p] == c) {
                if (p == length_ - 1) {
                    Reset();
                    return true;
                }
                ++p;
            } else {
                p = text_[0] == c ? 1 : 0;
            }
            if (p == 1) started = true;
        }
        if (i + 1 < length_) process = counters_[i + 1] != 0 || (!started && text_[0] == c);
    }
    return false;
}
