#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SioComPortTable.h"

// Which ports the user may choose when a port opens without a number: every port from COM1 to
// COM50 present in the table whose trial open succeeds, or fails only because the port is
// busy or not ours to open (a port in use still counts).
using TSioTrialOpen = std::function<std::int32_t(const std::string& devicePath)>;

std::vector<std::uint16_t> AvailablePortNumbers(const std::vector<TSioSerialCommEntry>& entries,
                                                const TSioTrialOpen& trialOpen);

// Opens the device without sharing and closes it at once: 0 or the device layer's code.
std::int32_t TrialOpenDevice(const std::string& devicePath);

// "COM7" → 7: the number after the first three characters; 0 when there is none.
std::uint16_t PortNumberFromEntry(const std::string& text);
