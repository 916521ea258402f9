#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Hexadecimal numbers and checksums as the instrument writes them.
namespace instrument {

// `value` as `digits` upper-case hexadecimal digits with leading zeros ("0A", "0030").
std::string UpperHex(unsigned value, int digits);

// A hexadecimal field of a reply, digits in either letter case. A field that is empty, holds any
// other character or does not fit 32 bits counts as 0.
std::uint32_t ParseHexField(std::string_view field);

// The 8-bit sum of the character codes, wrapping modulo 256.
std::uint8_t ByteSum(std::string_view text);

// Characters `first` to `last` (1-based, inclusive) of `text`, as far as `text` reaches.
std::string_view Positions(std::string_view text, std::size_t first, std::size_t last);

}  // namespace instrument
