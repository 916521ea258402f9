#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "SioComPortTable.h"

// The COM ports the user can choose from.
using TComPortList = std::vector<std::int32_t>;

// The numbers of the serial ports present, in the order the port table gives them. Bluetooth
// modem links (a value name containing "\Device\BthModem", letter case counting) are never
// offered. Raises EConvertError when a port's data is not "COM" followed by a number.
TComPortList GetComPorts();
TComPortList GetComPorts(const std::vector<TSioSerialCommEntry>& entries);

// A whole decimal number with blanks around it allowed; EConvertError otherwise.
std::int32_t StrToInt(std::string_view text);
// The same, or `fallback` when the text is no number.
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);

// What a port stands for on this computer, for its tool tip: the device path, and for a USB
// adapter the name under which the by-id folder lists it ("/dev/ttyUSB0 (usb-FTDI_...)").
std::string ComPortHint(const TSioSerialCommEntry& entry,
                        const std::string& byIdFolder = "/dev/serial/by-id");
