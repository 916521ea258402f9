#include "CvMiscUtils.h"

#include <cstdint>
#include <cstring>

extern char** environ;

namespace {

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int DigitValue(char c, int base) {
    int value = -1;
    if (IsAsciiDigit(c))
        value = c - '0';
    else if (IsAsciiLetter(c))
        value = AsciiUpper(c) - 'A' + 10;
    return value < base ? value : -1;
}

// Reads the whole text as an integer; false when it is not one (or does not fit 32 bits).
bool ReadInteger(const std::string& text, std::int64_t& result) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) return false;
        value = value * base + digit;
        if (value > 0xFFFFFFFFLL) return false;
    }
    result = negative ? -value : value;
    return true;
}

bool NamesMatchIgnoringCase(const char* entry, std::size_t nameLength, const std::string& name) {
    if (nameLength != name.size()) return false;
    for (std::size_t i = 0; i < nameLength; ++i)
        if (AsciiUpper(entry[i]) != AsciiUpper(name[i])) return false;
    return true;
}

}  // namespace

std::string SafeFileName(const std::string& text) {
    static const char kForbidden[] = "\"*/:<>?\\|";
    std::string result = text;
    for (char& c : result) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || std::strchr(kForbidden, c) != nullptr) c = '_';
    }
    return result;
}

bool IsPrintableChar(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 32 && code <= 126;
}

bool FixEntryText(std::string& text, bool allowBang) {
    bool allGood = true;
    for (char& c : text) {
        if (IsPrintableChar(c) && (allowBang || c != '!')) continue;
        c = ' ';
        allGood = false;
    }
    return allGood;
}

bool IsSingleAlphaNum(const std::string& text) {
    return text.size() == 1 && (IsAsciiDigit(text[0]) || IsAsciiLetter(text[0]));
}

bool IsNumber1To9999(const std::string& text) {
    std::int64_t value = 0;
    if (!ReadInteger(text, value)) value = 0;
    return value >= 1 && value <= 9999;
}

std::string GetEnvVar(const std::string& name) {
    if (name.empty()) return {};
    const char* found = nullptr;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals == nullptr) continue;
        const auto length = static_cast<std::size_t>(equals - *entry);
        if (!NamesMatchIgnoringCase(*entry, length, name)) continue;
        found = equals + 1;
        if (std::strncmp(*entry, name.c_str(), length) == 0) break;  // the exact spelling wins
    }
    return found != nullptr ? std::string(found) : std::string();
}

std::string ReverseText(const std::string& text) {
    return std::string(text.rbegin(), text.rend());
}
