#pragma once

#include <string_view>

// A reply frame (without its carriage return) is valid when it starts with ":", carries exactly
// the serial number `serial` (letter case counts) in its next five characters, and ends with two
// upper-case hexadecimal digits equal to the 8-bit sum of the payload between the reply type
// and the checksum. A frame of fewer than 10 characters has no payload: its sum is 0.
namespace instrument {

bool CheckFrame(std::string_view frame, std::string_view serial);

}  // namespace instrument
