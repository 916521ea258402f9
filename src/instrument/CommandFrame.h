#pragma once

#include <string>
#include <string_view>

// A command to the instrument: "!", the first five characters of the serial number ("?####"
// before the instrument has told it), the payload, the checksum and a carriage return. The
// checksum is the 8-bit sum over the serial number and the payload (not the "!"), as two
// upper-case hexadecimal digits.
namespace instrument {

inline constexpr std::string_view kPlaceholderSerial = "?####";
inline constexpr std::size_t kSerialLength = 5;

std::string FrameCommand(std::string_view serialText, std::string_view payload);

}  // namespace instrument
