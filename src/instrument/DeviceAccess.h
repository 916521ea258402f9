#pragma once

#include <string>

// Who may read and write a device, found from its file alone: its owner, its group, its
// permission bits and this user's groups. Nothing here opens the device.
struct DeviceAccess {
    bool exists = false;
    bool allowed = false;   // this user may open it for reading and writing
    std::string userName;   // this user's login name (or number)
    std::string ownerName;  // the device's owner
    std::string groupName;  // the device's group (normally "dialout" for serial ports)
    std::string modeText;   // "crw-rw----"
    bool groupMayReadWrite = false;
    bool inGroupNow = false;      // this login has the device's group
    bool inGroupAccount = false;  // the account is listed in the group, this login or the next
};

DeviceAccess ExamineDeviceAccess(const std::string& devicePath);
