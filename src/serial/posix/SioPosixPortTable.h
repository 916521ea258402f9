#pragma once

#include <string>

#include "SioComPortTable.h"

// Where the POSIX port table comes from: the kernel's tty classes (real ports only) and the
// port folder, where links named "COM<n>" publish any other device (a /dev/serial/by-id path,
// a pseudo-terminal of the simulator) and win over the built-in numbering.

// The port folder: $ROSTERMATE_PORTS, else $XDG_RUNTIME_DIR/rostermate/ports, else
// /tmp/rostermate-<uid>/ports.
std::string SioPortDirectory();

// The root of the kernel's device tree: $ROSTERMATE_SYSFS, else /sys.
std::string SioSysfsRoot();

// The COM number of a built-in port's kernel name: ttyS<k> is COM k+1, ttyUSB<k> COM 33+k,
// ttyACM<k> COM 65+k, ttyAMA<k> COM 97+k; 0 for any other name (rfcomm<k> included).
int ComNumberForTtyName(const std::string& name);
