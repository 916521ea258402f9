#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// Incremental matcher of one data trigger: fed one received byte at a time, it reports when the
// trigger text has just been completed, overlapping partial matches included, without ever
// looking back at earlier input.
class TSioDataMatcher {
  public:
    static constexpr std::size_t MaxLength = 22;  // one partial-match counter per text byte

    // The text must be 1..MaxLength bytes long; with ignoreCase the comparison is on upper case.
    TSioDataMatcher(std::string_view text, bool ignoreCase);

    // True when this byte completes the text; all partial matches then start afresh.
    bool Feed(std::uint8_t byte);
    void Reset() { counters_.fill(0); }

    std::uint32_t Length() const { return length_; }
    bool IgnoreCase() const { return ignoreCase_; }
    std::string_view Text() const { return {text_.data(), length_}; }

  private:
    std::array<char, 24> text_{};
    std::array<std::uint32_t, MaxLength> counters_{};
    std::uint32_t length_ = 0;
    bool ignoreCase_ = false;
};
