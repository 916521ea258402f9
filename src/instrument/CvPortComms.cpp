#include "CvPortComms.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "EConvertError.h"

namespace fs = std::filesystem;

TComPortList GetComPorts() {
    return GetComPorts(SerialCommEntries());
}

TComPortList GetComPorts(const std::vector<TSioSerialCommEntry>& entries) {
    TComPortList ports;
    for (const TSioSerialCommEntry& entry : entries) {
        if (entry.ValueName.find("\\Device\\BthModem") != std::string::npos) continue;
        const std::string_view data = entry.Data;
        ports.push_back(StrToInt(data.substr(std::min<std::size_t>(data.size(), 3))));
    }
    return ports;
}

std::int32_t StrToInt(std::string_view text) {
    const auto blank = text.find_first_not_of(' ');
    std::string_view digits = blank == std::string_view::npos ? std::string_view() : text.substr(blank);
    digits = digits.substr(0, digits.find_last_not_of(' ') + 1);
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    std::int32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || error != std::errc() || stop != end)
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback) {
    try {
        return StrToInt(text);
    } catch (const EConvertError&) {
        return fallback;
    }
}

std::string ComPortHint(const TSioSerialCommEntry& entry, const std::string& byIdFolder) {
    std::error_code error;
    const fs::path device = fs::canonical(entry.DevicePath, error);
    if (error) return entry.DevicePath;
    for (const auto& link : fs::directory_iterator(byIdFolder, error)) {
        std::error_code linkError;
        if (fs::canonical(link.path(), linkError) == device && !linkError)
            return entry.DevicePath + " (" + link.path().filename().string() + ")";
    }
    return entry.DevicePath;
}
