#include "SioWin32PortClaim.h"

#include <cctype>

std::string TSioWin32PortClaim::NameFor(const std::string& devicePath) {
    std::string port = devicePath;
    if (port.rfind("\\\\.\\", 0) == 0) port.erase(0, 4);
    std::string name = "Local\\RostermateSerialPort.";
    for (const char c : port)
        name += c == '\\' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

bool TSioWin32PortClaim::Take(const std::string& devicePath) {
    Release();
    handle_ = ::CreateMutexA(nullptr, FALSE, NameFor(devicePath).c_str());
    if (handle_ && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        Release();
        return false;
    }
    return true;  // a claim the system cannot make leaves the port to the driver's own rule
}

void TSioWin32PortClaim::Release() {
    if (handle_) ::CloseHandle(handle_);
    handle_ = nullptr;
}
