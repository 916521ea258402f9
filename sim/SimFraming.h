#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The instrument's side of the serial conversation, written independently of the program's own
// framing code so that each checks the other.
//
//   command: "!" serial(5) payload checksum(2) CR   checksum over serial and payload
//   reply:   ":" serial(5) type payload checksum(2) CR   checksum over the payload only
//
// Checksums are the 8-bit sum of the character codes as two upper-case hexadecimal digits.
namespace sim {

inline constexpr char kCarriageReturn = '\r';
inline constexpr std::size_t kSerialLength = 5;
inline constexpr std::string_view kPlaceholderSerial = "?####";

std::uint8_t ByteSum(std::string_view text);

// Fixed-width upper-case hexadecimal ("0A", "00FF").
std::string UpperHex(unsigned value, int digits);

// The value of a field made only of upper-case hexadecimal digits; nothing for an empty field,
// a lower-case digit or any other character.
std::optional<unsigned> ParseUpperHex(std::string_view digits);

// A complete reply frame, carriage return included.
std::string ReplyFrame(std::string_view serial, char type, std::string_view payload);

struct Command {
    std::string serial;   // the 5 characters after "!"
    std::string payload;  // between the serial and the checksum
};

// Checks one command frame given without its carriage return. On failure returns nothing and
// puts the reason into `why` (when given), for the conversation log.
std::optional<Command> ParseCommand(std::string_view frame, std::string* why = nullptr);

std::string Reversed(std::string_view text);

// Text padded with blanks or cut to `width` characters.
std::string Fitted(std::string_view text, std::size_t width);

// Bytes as a reader can see them: printable ASCII stays, every other byte becomes "[HH]"
// ("[0D]" for a carriage return). With `escapeBracket` a "[" also becomes "[5B]", which makes
// the text reversible by FromShownBytes.
std::string ShowBytes(std::string_view bytes, bool escapeBracket = false);
// Reverses ShowBytes(..., true); nothing when the text is not in that form.
std::optional<std::string> FromShownBytes(std::string_view shown);

}  // namespace sim
