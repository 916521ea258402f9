#pragma once

#include <string>
#include <vector>

// The table of serial ports present on this computer, as the system lists them in the registry
// (HKEY_LOCAL_MACHINE\Hardware\DeviceMap\SerialComm: one value per port, named after the driver's
// device, "\Device\BthModem0" for a Bluetooth link, with the data "COM<n>"). Reading the table
// never opens a port: opening raises DTR and can reset whatever is attached.

// One port: the value name, the data "COM<n>", and the path to open.
struct TSioSerialCommEntry {
    std::string ValueName;
    std::string Data;
    std::string DevicePath;
    int ComNumber = 0;
};

// Every port present, in the order in which the registry lists them.
std::vector<TSioSerialCommEntry> SerialCommEntries();

// The device path for COM<n>, or an empty text when no such port is present.
std::string ComDevicePath(int comNumber);

// The entry for one registry value: the COM number is the number after "COM" (0 when the data
// is not of that form), the path the data behind the device prefix "\\.\".
TSioSerialCommEntry SerialCommEntryFor(const std::string& valueName, const std::string& data);
