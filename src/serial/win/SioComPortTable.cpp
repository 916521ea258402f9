#include "SioWin32PortTable.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "SioWin32Windows.h"

namespace {

constexpr const char* kSerialCommKey = "Hardware\\DeviceMap\\SerialComm";

// The text of a string value, without the terminating zeros the registry may keep in it.
std::string StringData(const std::vector<char>& data, DWORD size) {
    std::string text(data.data(), std::min<std::size_t>(size, data.size()));
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

// Reads value `index` of `key`; false when there is none. `ok` tells whether it is a string.
bool ReadValue(HKEY key, DWORD index, std::string& name, std::string& data, bool& ok) {
    std::vector<char> nameBuffer(256);
    std::vector<char> dataBuffer(256);
    for (;;) {
        auto nameSize = static_cast<DWORD>(nameBuffer.size());
        auto dataSize = static_cast<DWORD>(dataBuffer.size());
        DWORD type = 0;
        const LONG result =
            ::RegEnumValueA(key, index, nameBuffer.data(), &nameSize, nullptr, &type,
                            reinterpret_cast<BYTE*>(dataBuffer.data()), &dataSize);
        if (result == ERROR_MORE_DATA) {  // a longer value than the buffers hold: grow them
            nameBuffer.resize(nameBuffer.size() * 2);
            dataBuffer.resize(std::max<std::size_t>(dataBuffer.size() * 2, dataSize));
            continue;
        }
        if (result != ERROR_SUCCESS) return false;
        name.assign(nameBuffer.data(), nameSize);
        data = StringData(dataBuffer, dataSize);
        ok = type == REG_SZ;
        return true;
    }
}

}  // namespace

TSioSerialCommEntry SerialCommEntryFor(const std::string& valueName, const std::string& data) {
    TSioSerialCommEntry entry{valueName, data, "\\\\.\\" + data, 0};
    if (data.size() > 3 && data.compare(0, 3, "COM") == 0) {
        int number = 0;
        const char* end = data.data() + data.size();
        const auto [stop, error] = std::from_chars(data.data() + 3, end, number);
        if (error == std::errc() && stop == end && number > 0) entry.ComNumber = number;
    }
    return entry;
}

std::vector<TSioSerialCommEntry> SerialCommEntries() {
    std::vector<TSioSerialCommEntry> entries;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return entries;
    std::string name;
    std::string data;
    bool isString = false;
    for (DWORD index = 0; ReadValue(key, index, name, data, isString); ++index)
        if (isString) entries.push_back(SerialCommEntryFor(name, data));
    ::RegCloseKey(key);
    return entries;
}

std::string ComDevicePath(int comNumber) {
    for (const TSioSerialCommEntry& entry : SerialCommEntries())
        if (entry.ComNumber == comNumber && comNumber > 0) return entry.DevicePath;
    return {};
}
