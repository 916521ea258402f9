#include "RegisterMap.h"

#include <algorithm>

namespace instrument {

namespace {

struct RegisterRange {
    std::uint16_t first;
    std::uint16_t last;
    int list;
};

constexpr RegisterRange kRanges[] = {
    {40, 47, kAddressList},    {48, 146, kPlantList},     {147, 218, kTrailerList},
    {219, 226, kFriendlyList}, {227, 234, kExaminerList}, {235, 250, kSiteList},
    {251, 254, kBrakeList},    {255, 255, kCompanyList},
};

std::string Reversed(std::string_view text) {
    return {text.rbegin(), text.rend()};
}

std::string Fitted(std::string_view text, std::size_t width) {
    std::string fitted(text.substr(0, width));
    fitted.resize(width, ' ');
    return fitted;
}

}  // namespace

std::optional<RegisterEntry> EntryOfRegister(std::uint16_t reg) {
    for (const RegisterRange& range : kRanges)
        if (reg >= range.first && reg <= range.last) return RegisterEntry{range.list, reg - range.first};
    return std::nullopt;
}

bool IsAddressRegister(std::uint16_t reg) {
    return reg >= 40 && reg <= 47;
}

std::string EncodeEntry(std::string_view text) {
    return Reversed(Fitted(text, kRegisterWidth));
}

std::string EncodeAddress(std::string_view text) {
    return Reversed("000" + Fitted(text, kAddressWidth));
}

std::string DecodeEntry(std::string_view data) {
    return Reversed(data);
}

std::string DecodeAddress(std::string_view data) {
    return Reversed(data.substr(0, kAddressWidth));
}

}  // namespace instrument
