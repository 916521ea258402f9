#pragma once

#include <string>
#include <vector>

// The table of serial ports present on this computer, keyed by COM number. Each device layer
// builds it from what its system offers (on POSIX the kernel's tty classes and the port folder,
// on Windows the registry's SerialComm key). Building the table never opens a device: opening
// raises DTR and can reset whatever is attached.

// One port: the value name (the device it stands for; Bluetooth links carry "\Device\BthModem"
// in it so that callers can skip them), the data "COM<n>", and the path to open.
struct TSioSerialCommEntry {
    std::string ValueName;
    std::string Data;
    std::string DevicePath;
    int ComNumber = 0;
};

// Every port present: on POSIX ordered by COM number, on Windows in the registry's order.
std::vector<TSioSerialCommEntry> SerialCommEntries();

// The device path for COM<n>, or an empty text when no such port is present.
std::string ComDevicePath(int comNumber);
