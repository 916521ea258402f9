#pragma once

#include <string>

#include "SioWin32Io.h"

// A claim on a port among the processes of this session, taken beside the device handle. The
// system refuses a second open of a serial port by itself; some drivers and emulations do not,
// and there two handles would read from the same line. The claim is a named object that lives
// as long as the claim (or its process) does.
class TSioWin32PortClaim {
  public:
    TSioWin32PortClaim() = default;
    ~TSioWin32PortClaim() { Release(); }
    TSioWin32PortClaim(const TSioWin32PortClaim&) = delete;
    TSioWin32PortClaim& operator=(const TSioWin32PortClaim&) = delete;

    // False when someone else holds the claim on `devicePath`.
    bool Take(const std::string& devicePath);
    void Release();

    // The object name for a device path: "\\.\com7" and "COM7" name the same claim.
    static std::string NameFor(const std::string& devicePath);

  private:
    HANDLE handle_ = nullptr;
};
