#pragma once

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "DeviceAccess.h"
#include "PortHolders.h"

// Why a serial port could not be opened and what the user can do about it, in words a person
// acts on: the device, the group that owns it, the program that holds it.

enum class PortFailure { Denied, Held, Gone, Other };

// The kind of failure an open raised, for the device it tried.
PortFailure PortFailureOf(const std::exception_ptr& failure, const std::string& devicePath);

// The device behind COM<n>, also just after it has gone: the port table's path, else the link in
// the port folder (which may point nowhere now), else the kernel name that the number stands for.
std::string KnownDevicePath(int comNumber);

std::vector<std::string> DeniedAdvice(const std::string& devicePath, const DeviceAccess& access);
std::vector<std::string> HeldAdvice(const std::string& devicePath,
                                    const std::optional<ProcessName>& holder);
std::vector<std::string> GoneAdvice(const std::string& devicePath);

// For the port list's tool tip, found without opening the device (its permissions and this
// user's groups only): a line break and the reason this user cannot open it, or an empty text.
std::string PortAccessHint(const std::string& devicePath);

// The lines that follow "Problem opening COM port" in the message, each begun with "\r\n". It
// remembers the failures of one device in a row: a port that keeps failing while ModemManager
// runs gets the advice to keep ModemManager away from it.
class TPortTrouble {
  public:
    explicit TPortTrouble(std::string procRoot = "/proc") : procRoot_(std::move(procRoot)) {}

    std::string OpenFailed(int comNumber, const std::exception_ptr& failure);
    std::string OpenFailed(const std::string& devicePath, const std::exception_ptr& failure);
    void Opened() { inARow_ = 0; }

  private:
    std::string procRoot_;
    std::string lastPath_;
    int inARow_ = 0;
};
