#pragma once

#include <string>
#include <vector>

// The table of serial ports present on this computer, keyed by COM number. It is made from two
// sources: the kernel's tty classes (real ports only) and the port folder, where links named
// "COM<n>" publish any other device (a /dev/serial/by-id path, a pseudo-terminal of the
// simulator) and win over the built-in numbering. Building the table never opens a device:
// opening raises DTR and can reset whatever is attached.

// One port: the value name (the device it stands for; Bluetooth links carry "\Device\BthModem"
// in it so that callers can skip them), the data "COM<n>", and the path to open.
struct TSioSerialCommEntry {
    std::string ValueName;
    std::string Data;
    std::string DevicePath;
    int ComNumber = 0;
};

// Every port present, ordered by COM number.
std::vector<TSioSerialCommEntry> SerialCommEntries();

// The device path for COM<n>, or an empty text when no such port is present.
std::string ComDevicePath(int comNumber);

// The port folder: $ROSTERMATE_PORTS, else $XDG_RUNTIME_DIR/rostermate/ports, else
// /tmp/rostermate-<uid>/ports.
std::string SioPortDirectory();

// The root of the kernel's device tree: $ROSTERMATE_SYSFS, else /sys.
std::string SioSysfsRoot();

// The COM number of a built-in port's kernel name: ttyS<k> is COM k+1, ttyUSB<k> COM 33+k,
// ttyACM<k> COM 65+k, ttyAMA<k> COM 97+k; 0 for any other name (rfcomm<k> included).
int ComNumberForTtyName(const std::string& name);
