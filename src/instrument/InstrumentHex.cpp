#include "InstrumentHex.h"

namespace instrument {

std::string UpperHex(unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return text;
}

std::uint32_t ParseHexField(std::string_view field) {
    if (field.empty() || field.size() > 8) return 0;
    std::uint32_t value = 0;
    for (const char c : field) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else {
            return 0;
        }
        value = value << 4 | digit;
    }
    return value;
}

std::uint8_t ByteSum(std::string_view text) {
    unsigned sum = 0;
    for (const char c : text) sum += static_cast<unsigned char>(c);
    return static_cast<std::uint8_t>(sum);
}

std::string_view Positions(std::string_view text, std::size_t first, std::size_t last) {
    if (first < 1 || last < first || first > text.size()) return {};
    return text.substr(first - 1, last - first + 1);
}

}  // namespace instrument
