#include "PortTrouble.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "EInOutError.h"
#include "ModemManagerHint.h"
#include "SioPosixPortTable.h"
#include "SioExcept.h"
#include "SioExceptionDisplay.h"

namespace fs = std::filesystem;

namespace {

const char* const kNewLogin = "then log out and back in: a new group counts from the next login.";

bool Present(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

std::string JoinCommand(const DeviceAccess& access, const std::string& group) {
    return "    sudo usermod -aG " + group + " " + access.userName;
}

// The kernel name that a built-in COM number stands for.
std::string BuiltInDevice(int comNumber) {
    static const struct {
        const char* name;
        int first;
        int last;
    } families[] = {{"ttyS", 1, 32}, {"ttyUSB", 33, 64}, {"ttyACM", 65, 96}, {"ttyAMA", 97, 128}};
    for (const auto& family : families)
        if (comNumber >= family.first && comNumber <= family.last)
            return "/dev/" + std::string(family.name) + std::to_string(comNumber - family.first);
    return {};
}

// Groups whose members can do far more than use a serial port: joining one is no advice to give.
bool PrivilegedGroup(const std::string& group) {
    for (const char* privileged : {"root", "tty", "disk", "kmem", "shadow", "sudo", "adm", "wheel"})
        if (group == privileged) return true;
    return false;
}

std::string Joined(const std::vector<std::string>& lines, const char* lineBreak) {
    std::string text;
    for (const std::string& line : lines) text += lineBreak + line;
    return text;
}

}  // namespace

PortFailure PortFailureOf(const std::exception_ptr& failure, const std::string& devicePath) {
    try {
        std::rethrow_exception(failure);
    } catch (const EBadId&) {
        return PortFailure::Gone;
    } catch (const EAlreadyOpen&) {
        return PortFailure::Held;
    } catch (const EInOutError& error) {
        if (error.ErrorCode() == EACCES || error.ErrorCode() == EPERM)
            return Present(devicePath) ? PortFailure::Denied : PortFailure::Gone;
    } catch (...) {
    }
    return Present(devicePath) ? PortFailure::Other : PortFailure::Gone;
}

std::string KnownDevicePath(int comNumber) {
    if (std::string path = ComDevicePath(comNumber); !path.empty()) return path;
    const fs::path link = fs::path(SioPortDirectory()) / ("COM" + std::to_string(comNumber));
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    if (!error) return (target.is_relative() ? link.parent_path() / target : target).string();
    return BuiltInDevice(comNumber);
}

std::vector<std::string> DeniedAdvice(const std::string& devicePath, const DeviceAccess& access) {
    const std::string you = "you (" + access.userName + ")";
    if (!access.groupMayReadWrite || PrivilegedGroup(access.groupName))
        return {"Permission denied: " + devicePath + " (" + access.modeText + ", owner " +
                    access.ownerName + ", group " + access.groupName +
                    ") is not meant for its group to read and write.",
                "Ask the administrator for a udev rule that gives it to the group \"dialout\" "
                "(GROUP=\"dialout\", MODE=\"0660\"), join that group with",
                JoinCommand(access, "dialout"), kNewLogin};
    if (!access.inGroupAccount)
        return {"Permission denied: " + devicePath + " belongs to the group \"" + access.groupName +
                    "\", and " + you + " are not a member of it.",
                "Add yourself to the group with", JoinCommand(access, access.groupName), kNewLogin};
    if (!access.inGroupNow)
        return {"Permission denied: " + devicePath + " belongs to the group \"" + access.groupName +
                    "\", which " + you + " joined after this login began.",
                "Log out and back in (or restart the computer): a new group counts from the next "
                "login."};
    return {"Permission denied: " + devicePath + " (" + access.modeText + ", owner " +
                access.ownerName + ", group " + access.groupName + ").",
            "Ask the administrator why " + you + " may not read and write it."};
}

std::vector<std::string> HeldAdvice(const std::string& devicePath,
                                    const std::optional<ProcessName>& holder) {
    const std::string who =
        holder ? ": " + holder->name + " (process " + std::to_string(holder->pid) + ")" : "";
    return {devicePath + " is in use by another program" + who + ".",
            "Close that program (or let it close the port), then try again."};
}

std::vector<std::string> GoneAdvice(const std::string& devicePath) {
    return {devicePath + " is no longer present (unplugged?).",
            "Plug the device in again and choose its port once it is back in the list."};
}

std::string PortAccessHint(const std::string& devicePath) {
    // Asked every second for every port: the names of users and groups (which may come from the
    // network) are only looked up for a port this user cannot open.
    if (devicePath.empty() || ::access(devicePath.c_str(), R_OK | W_OK) == 0) return {};
    const DeviceAccess access = ExamineDeviceAccess(devicePath);
    if (!access.exists || access.allowed) return {};
    return Joined(DeniedAdvice(devicePath, access), "\n");
}

std::string TPortTrouble::OpenFailed(int comNumber, const std::exception_ptr& failure) {
    std::string path = KnownDevicePath(comNumber);
    if (path.empty()) path = "COM" + std::to_string(comNumber);
    return OpenFailed(path, failure);
}

std::string TPortTrouble::OpenFailed(const std::string& devicePath,
                                     const std::exception_ptr& failure) {
    inARow_ = devicePath == lastPath_ ? inARow_ + 1 : 1;
    lastPath_ = devicePath;
    std::vector<std::string> lines;
    std::optional<ProcessName> holder;
    const PortFailure kind = PortFailureOf(failure, devicePath);
    switch (kind) {
        case PortFailure::Denied:
            lines = DeniedAdvice(devicePath, ExamineDeviceAccess(devicePath));
            break;
        case PortFailure::Held:
            holder = FindPortHolder(devicePath, procRoot_);
            lines = HeldAdvice(devicePath, holder);
            break;
        case PortFailure::Gone:
            return Joined(GoneAdvice(devicePath), "\r\n");
        case PortFailure::Other:
            lines = {devicePath + ": " + SioExceptionText(failure)};
            break;
    }
    // ModemManager holds a port while it probes it: that is the case for its advice, not a
    // refusal of the permissions or a port held by a program already named.
    const bool heldByModemManager = holder && holder->name == "ModemManager";
    const bool mayBeProbing = kind == PortFailure::Other || (kind == PortFailure::Held && !holder);
    if (heldByModemManager || (mayBeProbing && inARow_ > 1))
        for (std::string& line : ModemManagerAdvice(devicePath, procRoot_))
            lines.push_back(std::move(line));
    return Joined(lines, "\r\n");
}
