#pragma once

#include <string>

#include "SioComPortTable.h"

// The Windows port table is the registry's HKEY_LOCAL_MACHINE\Hardware\DeviceMap\SerialComm:
// one value per port, named after the driver's device ("\Device\BthModem0" for a Bluetooth
// link), with the data "COM<n>".

// The entry for one registry value: the COM number is the number after "COM" (0 when the data
// is not of that form), the path the data behind the device prefix "\\.\".
TSioSerialCommEntry SerialCommEntryFor(const std::string& valueName, const std::string& data);
