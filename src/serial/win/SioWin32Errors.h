#pragma once

#include <cstdint>

// The one place where the system's error numbers become the library's result codes. Callers
// above the device layer only ever see these codes.
//
// A missing port (no such file or path, a name the system cannot parse) becomes 2 or 3, the
// numbers the com port turns into "doesn't exist"; a port that another handle holds (access
// denied, a sharing violation, busy) becomes 5, "already open". Numbers whose row in the code
// table means the same thing keep it (too many open files, invalid handle, out of memory...).
// Every other number stays itself so the user reads the system's own text, unless the table
// would give that number an unrelated meaning: then it becomes the general failure.
std::int32_t SioCodeForWin32Error(std::uint32_t errorNumber);

// The result code for a port that someone else holds.
std::int32_t SioDeviceHeldCode();

// Whether a failed call on an open device means the device itself has gone (a hung-up line, an
// unplugged adapter, a removed driver) rather than that this one call was refused.
bool SioWin32DeviceGone(std::uint32_t errorNumber);
