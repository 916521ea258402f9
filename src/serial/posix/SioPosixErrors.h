#pragma once

#include <cstdint>

// The one place where the operating system's error numbers become the library's result codes.
// Callers above the device layer only ever see these codes.
//
// A missing device becomes 2 and a device held by someone else 5, the numbers the com port
// turns into "doesn't exist" and "already open". Numbers with the same meaning in the code
// table take that row (too many open files, out of memory, disk full...). An input/output
// error is a failure of the device, never "held": it becomes the general failure. Every other
// number stays itself, so that the message is the system's own text ("Permission denied").
// Numbers that would collide with an unrelated row of the table become the general failure too.
std::int32_t SioCodeForErrno(int errorNumber);

// The result code for a device that another program holds.
std::int32_t SioDeviceHeldCode();

// Whether a failed read or write means that the device itself has gone (unplugged, hung up, its
// link dropped) rather than that this one call was refused.
bool SioDeviceGoneErrno(int errorNumber);
