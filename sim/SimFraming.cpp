#include "SimFraming.h"

#include <algorithm>

namespace sim {

std::uint8_t ByteSum(std::string_view text) {
    unsigned sum = 0;
    for (const char c : text) sum += static_cast<unsigned char>(c);
    return static_cast<std::uint8_t>(sum & 0xFFu);
}

std::string UpperHex(unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kDigits[value & 0xFu];
        value >>= 4;
    }
    return text;
}

std::optional<unsigned> ParseUpperHex(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    unsigned value = 0;
    for (const char c : digits) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

std::string ReplyFrame(std::string_view serial, char type, std::string_view payload) {
    std::string frame;
    frame.reserve(1 + serial.size() + 1 + payload.size() + 3);
    frame += ':';
    frame += serial;
    frame += type;
    frame += payload;
    frame += UpperHex(ByteSum(payload), 2);
    frame += kCarriageReturn;
    return frame;
}

std::optional<Command> ParseCommand(std::string_view frame, std::string* why) {
    auto refuse = [why](std::string reason) -> std::optional<Command> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    // "!", the serial, at least one payload character, two checksum digits.
    if (frame.size() < 1 + kSerialLength + 1 + 2 || frame.front() != '!')
        return refuse("frame too short");
    const std::string_view summed = frame.substr(1, frame.size() - 3);
    const std::string_view digits = frame.substr(frame.size() - 2);
    const std::string expected = UpperHex(ByteSum(summed), 2);
    if (digits != expected)
        return refuse("checksum " + ShowBytes(digits) + ", expected " + expected);
    return Command{std::string(summed.substr(0, kSerialLength)),
                   std::string(summed.substr(kSerialLength))};
}

std::string Reversed(std::string_view text) {
    return std::string(text.rbegin(), text.rend());
}

std::string Fitted(std::string_view text, std::size_t width) {
    std::string result(text.substr(0, std::min(width, text.size())));
    result.resize(width, ' ');
    return result;
}

std::string ShowBytes(std::string_view bytes, bool escapeBracket) {
    std::string shown;
    shown.reserve(bytes.size());
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 32 && code <= 126 && !(escapeBracket && c == '[')) {
            shown += c;
        } else {
            shown += '[';
            shown += UpperHex(code, 2);
            shown += ']';
        }
    }
    return shown;
}

std::optional<std::string> FromShownBytes(std::string_view shown) {
    std::string bytes;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] != '[') {
            bytes += shown[i];
            continue;
        }
        if (i + 3 >= shown.size() || shown[i + 3] != ']') return std::nullopt;
        const auto code = ParseUpperHex(shown.substr(i + 1, 2));
        if (!code) return std::nullopt;
        bytes += static_cast<char>(*code);
        i += 3;
    }
    return bytes;
}

}  // namespace sim
