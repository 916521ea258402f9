#pragma once

#include <string>
#include <vector>

// ModemManager opens every new serial device to see whether a modem answers, and while it does
// no other program can use the port. The advice names the udev property that tells it to leave
// one device alone, with a rule matching this device. Empty when ModemManager is not running.
std::vector<std::string> ModemManagerAdvice(const std::string& devicePath,
                                            const std::string& procRoot = "/proc");

// The udev match for a device: its USB vendor and product when the kernel's device tree shows
// them (so the rule follows the adapter to any socket), else its kernel name.
std::string UdevMatchFor(const std::string& devicePath);
