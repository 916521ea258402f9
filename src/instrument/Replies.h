#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the instrument's replies say. A reply frame, without its carriage return:
//   ":" serial(5) type(1) payload checksum(2)
// Positions below count from 1 at the ":". Hexadecimal fields that do not parse count as 0.
namespace instrument {

// The reply type at position 7 ("Q", "E", "D", "3", "2", "a"), or 0 for a frame too short.
char ReplyType(std::string_view frame);

// "Q": the instrument's serial number, positions 8 - 12.
std::string SerialOfReply(std::string_view frame);

// "E" and "D": the instrument clock to the minute, positions 8 - 17 (year minus 2000, month,
// day, hour, minute; two hex digits each). Anything after position 17 is ignored.
struct InstrumentTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    // A real calendar date and time of day.
    bool IsValid() const;
};
InstrumentTime TimeOfReply(std::string_view frame);

// "3" (read) and "2" (write echo): the register number (positions 8 - 11, 16 bits) and the
// register's characters as they travel (positions 12 - 27).
struct RegisterReply {
    std::uint16_t Register = 0;
    std::string Data;
};
RegisterReply RegisterOfReply(std::string_view frame);

// "a": the info code (positions 8 - 11, less 0x8000, 16 bits) and the item's text (position 12
// onward).
struct InfoReply {
    std::uint16_t Code = 0;
    std::string Text;
};
InfoReply InfoOfReply(std::string_view frame);

inline constexpr std::uint16_t kInfoSoftwareVersion = 5;
inline constexpr std::uint16_t kInfoInstrumentType = 22;

// The caption of a software version: the 16 characters at positions 12 - 27 as they stand.
std::string SoftwareVersionCaption(const InfoReply& reply);
// The caption of an instrument type: the 15 characters after an "i" at position 12, or twelve
// underscores when the text does not start with "i".
std::string InstrumentTypeCaption(const InfoReply& reply);

}  // namespace instrument
