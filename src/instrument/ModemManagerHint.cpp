#include "ModemManagerHint.h"

#include <filesystem>
#include <fstream>

#include "PortHolders.h"
#include "SioPosixPortTable.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLevelsUpToTheUsbDevice = 6;

std::string Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string value;
    in >> value;
    return value;
}

}  // namespace

std::string UdevMatchFor(const std::string& devicePath) {
    std::error_code error;
    const std::string name = fs::canonical(devicePath, error).filename().string();
    if (error || name.empty())
        return "KERNEL==\"" + fs::path(devicePath).filename().string() + "\"";
    fs::path node = fs::canonical(fs::path(SioSysfsRoot()) / "class/tty" / name / "device", error);
    for (int level = 0; !error && level < kLevelsUpToTheUsbDevice && node.has_relative_path();
         ++level, node = node.parent_path()) {
        const std::string vendor = Attribute(node / "idVendor");
        const std::string product = Attribute(node / "idProduct");
        if (!vendor.empty() && !product.empty())
            return "ATTRS{idVendor}==\"" + vendor + "\", ATTRS{idProduct}==\"" + product + "\"";
    }
    return "KERNEL==\"" + name + "\"";
}

std::vector<std::string> ModemManagerAdvice(const std::string& devicePath,
                                            const std::string& procRoot) {
    if (!ProcessRunning("ModemManager", procRoot)) return {};
    // A pseudo-terminal has no device of its own for a rule to match.
    std::error_code error;
    if (fs::canonical(devicePath, error).parent_path() == "/dev/pts")
        return {"ModemManager is running and may be probing this port, as it does with every new "
                "serial device."};
    return {
        "ModemManager is running and may be probing this port, as it does with every new serial "
        "device.",
        "To make it leave the device alone, give it the udev property ID_MM_DEVICE_IGNORE, for "
        "example with this line in /etc/udev/rules.d/99-rostermate.rules:",
        "    " + UdevMatchFor(devicePath) + ", ENV{ID_MM_DEVICE_IGNORE}=\"1\"",
        "then run \"sudo udevadm control --reload-rules\" and plug the device in again.",
    };
}
