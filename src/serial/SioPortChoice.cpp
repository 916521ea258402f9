#include "SioPortChoice.h"

#include <cerrno>
#include <cstdlib>

#include "SioPosixDevice.h"
#include "SioPosixErrors.h"

namespace {
constexpr int HighestChoice = 50;
}

std::vector<std::uint16_t> AvailablePortNumbers(const std::vector<TSioSerialCommEntry>& entries,
                                                const TSioTrialOpen& trialOpen) {
    std::vector<std::uint16_t> numbers;
    for (const auto& entry : entries) {
        if (entry.ComNumber < 1 || entry.ComNumber > HighestChoice) continue;
        const std::int32_t result = trialOpen(entry.DevicePath);
        if (result == 0 || result == SioDeviceHeldCode() || result == SioCodeForErrno(EACCES))
            numbers.push_back(static_cast<std::uint16_t>(entry.ComNumber));
    }
    return numbers;
}

std::int32_t TrialOpenDevice(const std::string& devicePath) {
    TSioPosixDevice device;
    const std::int32_t result = device.Open(devicePath);
    if (result == 0) device.Close();
    return result;
}

std::uint16_t PortNumberFromEntry(const std::string& text) {
    if (text.size() <= 3) return 0;
    const long n = std::strtol(text.c_str() + 3, nullptr, 10);
    return n > 0 && n <= 0xFFFF ? static_cast<std::uint16_t>(n) : 0;
}
