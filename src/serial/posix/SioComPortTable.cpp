#include "SioPosixPortTable.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The decimal number that makes up all of `digits`, or 0.
int WholeNumber(const std::string& digits) {
    int value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || error != std::errc() || stop != end || value < 0) return 0;
    return value;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsBluetoothLink(const std::string& name) {
    return StartsWith(name, "rfcomm");
}

// The 8250 driver registers a fixed number of ttyS ports whether or not a UART answers; the
// ones without hardware report the unknown port type 0.
bool IsPhantomPort(const fs::path& classEntry) {
    std::ifstream typeFile(classEntry / "type");
    int type = -1;
    return typeFile >> type && type == 0;
}

bool IsCharacterDevice(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

using Table = std::map<int, TSioSerialCommEntry>;

void AddEntry(Table& table, int number, std::string valueName, std::string devicePath) {
    if (number <= 0 || table.count(number)) return;
    table[number] = {std::move(valueName), "COM" + std::to_string(number), std::move(devicePath),
                     number};
}

// Links named COM<n> in the port folder. A link whose device is gone is not a port.
void AddPublishedPorts(Table& table) {
    std::error_code error;
    std::vector<fs::path> links;
    for (const auto& entry : fs::directory_iterator(SioPortDirectory(), error))
        links.push_back(entry.path());
    std::sort(links.begin(), links.end());
    for (const fs::path& link : links) {
        const std::string name = link.filename().string();
        if (!StartsWith(name, "COM")) continue;
        const int number = WholeNumber(name.substr(3));
        if (number <= 0 || !IsCharacterDevice(link)) continue;
        fs::path target = fs::read_symlink(link, error);
        if (error) target = link;
        if (target.is_relative()) target = link.parent_path() / target;
        const std::string devicePath = target.lexically_normal().string();
        const fs::path device = fs::canonical(link, error);
        const bool bluetooth = IsBluetoothLink(target.filename().string()) ||
                               (!error && IsBluetoothLink(device.filename().string()));
        AddEntry(table, number, bluetooth ? "\\Device\\BthModem " + devicePath : devicePath,
                 devicePath);
    }
}

// Ports the kernel knows with real hardware behind them.
void AddBuiltInPorts(Table& table) {
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(fs::path(SioSysfsRoot()) / "class/tty", error)) {
        const std::string name = entry.path().filename().string();
        const int number = ComNumberForTtyName(name);
        if (number == 0 || !fs::exists(entry.path() / "device", error)) continue;
        if (IsPhantomPort(entry.path())) continue;
        AddEntry(table, number, "/dev/" + name, "/dev/" + name);
    }
}

}  // namespace

int ComNumberForTtyName(const std::string& name) {
    static const struct {
        const char* prefix;
        int first;
    } families[] = {{"ttyUSB", 33}, {"ttyACM", 65}, {"ttyAMA", 97}, {"ttyS", 1}};
    for (const auto& family : families) {
        if (!StartsWith(name, family.prefix)) continue;
        const std::string index = name.substr(std::string(family.prefix).size());
        if (index.empty() || index.find_first_not_of("0123456789") != std::string::npos) return 0;
        if (index.size() > 1 && index[0] == '0') return 0;
        // WholeNumber's 0 for a number too large must not pass for index 0, and the COM number
        // itself must fit.
        const int k = WholeNumber(index);
        if ((k == 0 && index != "0") || k > std::numeric_limits<int>::max() - family.first) return 0;
        return family.first + k;
    }
    return 0;
}

std::string SioPortDirectory() {
    if (const std::string ports = Env("ROSTERMATE_PORTS"); !ports.empty()) return ports;
    if (const std::string runtime = Env("XDG_RUNTIME_DIR"); !runtime.empty())
        return runtime + "/rostermate/ports";
    return "/tmp/rostermate-" + std::to_string(::getuid()) + "/ports";
}

std::string SioSysfsRoot() {
    const std::string root = Env("ROSTERMATE_SYSFS");
    return root.empty() ? "/sys" : root;
}

std::vector<TSioSerialCommEntry> SerialCommEntries() {
    Table table;
    AddPublishedPorts(table);  // first: they win over the built-in numbering
    AddBuiltInPorts(table);
    std::vector<TSioSerialCommEntry> entries;
    for (auto& [number, entry] : table) entries.push_back(std::move(entry));
    return entries;
}

std::string ComDevicePath(int comNumber) {
    for (const TSioSerialCommEntry& entry : SerialCommEntries())
        if (entry.ComNumber == comNumber) return entry.DevicePath;
    return {};
}
