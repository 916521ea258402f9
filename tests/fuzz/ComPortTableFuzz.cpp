// The COM port table read from a fuzzed fake kernel device tree and port folder: tty class
// entries of any name, with or without a device link and a "type" attribute of any content, and
// port-folder entries of any name that are links to character devices, to Bluetooth-named links,
// to nothing, to themselves, or plain files and folders. The table lists exactly the ports the
// rules admit, each once, ordered by COM number, published links first; the COM port list built
// from it never fails.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CvPortComms.h"
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "SioPosixPortTable.h"

namespace fs = std::filesystem;

namespace {

struct Tree {
    fs::path sysfs;
    fs::path ports;
};

const Tree& FuzzTree() {
    static const Tree tree = [] {
        Tree made{fs::path(FuzzFolder()) / "sys", fs::path(FuzzFolder()) / "ports"};
        ::setenv("ROSTERMATE_SYSFS", made.sysfs.c_str(), 1);
        ::setenv("ROSTERMATE_PORTS", made.ports.c_str(), 1);
        return made;
    }();
    return tree;
}

// A name the file system takes: no separators or NULs, and not "." or "..".
std::string FileName(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\0') c = '_';
    if (name.empty() || name == "." || name == "..") name += "x";
    return name;
}

std::string Name(FuzzedDataProvider& data, const char* const (&prefixes)[5]) {
    std::string name = data.PickValueInArray(prefixes);
    if (data.ConsumeBool()) {
        name += std::to_string(data.ConsumeIntegral<std::uint32_t>() >>
                               data.ConsumeIntegralInRange(0, 31));
        if (data.ConsumeIntegralInRange(0, 3) == 0) name += data.ConsumeRandomLengthString(4);
    } else {
        name += data.ConsumeRandomLengthString(12);
    }
    return FileName(name);
}

// The whole decimal number of a published link's name after "COM", or 0.
int LinkNumber(const std::string& name) {
    if (name.rfind("COM", 0) != 0) return 0;
    const std::string digits = name.substr(3);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    if (digits.find_first_not_of('0') == std::string::npos) return 0;
    if (digits.size() - digits.find_first_not_of('0') > 10) return 0;
    const long long value = std::stoll(digits);
    return value <= INT_MAX ? static_cast<int>(value) : 0;
}

// A built-in port's number: the family's first number plus the index, when both make a number.
int TtyNumber(const std::string& name) {
    static const std::pair<std::string, long long> families[] = {
        {"ttyUSB", 33}, {"ttyACM", 65}, {"ttyAMA", 97}, {"ttyS", 1}};
    for (const auto& [prefix, first] : families) {
        if (name.rfind(prefix, 0) != 0) continue;
        const std::string index = name.substr(prefix.size());
        if (index.empty() || index.size() > 10 ||
            index.find_first_not_of("0123456789") != std::string::npos ||
            (index.size() > 1 && index[0] == '0'))
            return 0;
        const long long number = first + std::stoll(index);
        return number <= INT_MAX ? static_cast<int>(number) : 0;
    }
    return 0;
}

bool Phantom(const std::string& typeText) {
    std::istringstream in(typeText);
    int type = -1;
    return in >> type && type == 0;
}

struct Expected {
    std::string path;
    bool bluetooth = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const Tree& tree = FuzzTree();
    std::error_code error;
    fs::remove_all(tree.sysfs, error);
    fs::remove_all(tree.ports, error);
    fs::create_directories(tree.sysfs / "class/tty");
    fs::create_directories(tree.ports);
    FuzzedDataProvider data(bytes, size);

    // Published links, plain files and folders in the port folder.
    static const char* const kLinkPrefixes[] = {"COM", "COM", "COM0", "com", "rfcomm"};
    std::map<std::string, Expected> published;  // by name: sorted as the table reads them
    for (int n = data.ConsumeIntegralInRange(0, 6); n > 0; --n) {
        const std::string name = Name(data, kLinkPrefixes);
        const fs::path link = tree.ports / name;
        if (fs::exists(fs::symlink_status(link))) continue;
        switch (data.ConsumeIntegralInRange(0, 6)) {
            case 0:
                fs::create_symlink("/dev/null", link);
                published[name] = {"/dev/null", false};
                break;
            case 1: {
                // A Bluetooth link's own name tells it apart, also seen through another link.
                const fs::path via = tree.ports / ("rfcomm" + std::to_string(n));
                if (!fs::exists(fs::symlink_status(via))) fs::create_symlink("/dev/zero", via);
                if (!fs::is_character_file(via, error) || via.filename() == name) break;
                fs::create_symlink(via.filename(), link);
                published[name] = {via.lexically_normal().string(), true};
                break;
            }
            case 2:
                fs::create_symlink(tree.ports / "gone", link);
                break;
            case 3:
                fs::create_symlink(name, link);  // a loop
                break;
            case 4:
                std::ofstream(link) << data.ConsumeRandomLengthString(8);
                break;
            case 5:
                fs::create_directory(link);
                break;
            default:
                // A relative link that climbs out of the folder.
                fs::create_symlink(fs::relative("/dev/full", tree.ports), link);
                published[name] = {"/dev/full", false};
                break;
        }
    }

    // Kernel tty class entries.
    static const char* const kTtyPrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};
    std::map<int, std::vector<std::string>> builtIn;  // by number: the names that may hold it
    for (int n = data.ConsumeIntegralInRange(0, 6); n > 0; --n) {
        const std::string name = Name(data, kTtyPrefixes);
        const fs::path entry = tree.sysfs / "class/tty" / name;
        if (fs::exists(fs::symlink_status(entry))) continue;
        fs::create_directory(entry);
        const int device = data.ConsumeIntegralInRange(0, 2);
        if (device == 1) fs::create_directory(entry / "device");
        if (device == 2) fs::create_symlink("nowhere", entry / "device");
        const bool hasType = data.ConsumeBool();
        const std::string typeText = data.ConsumeRandomLengthString(6);
        if (hasType) std::ofstream(entry / "type") << typeText;
        if (device == 1 && !(hasType && Phantom(typeText)) && TtyNumber(name) > 0)
            builtIn[TtyNumber(name)].push_back(name);
    }

    std::map<int, Expected> expected;
    for (const auto& [name, port] : published)
        if (const int number = LinkNumber(name); number > 0) expected.emplace(number, port);
    std::map<int, std::vector<std::string>> builtInOnly;
    for (const auto& [number, names] : builtIn)
        if (!expected.count(number)) builtInOnly[number] = names;

    const std::vector<TSioSerialCommEntry> entries = SerialCommEntries();
    FUZZ_CHECK(entries.size() == expected.size() + builtInOnly.size());
    int last = 0;
    for (const TSioSerialCommEntry& entry : entries) {
        FUZZ_CHECK(entry.ComNumber > last);
        last = entry.ComNumber;
        FUZZ_CHECK(entry.Data == "COM" + std::to_string(entry.ComNumber));
        if (const auto port = expected.find(entry.ComNumber); port != expected.end()) {
            FUZZ_CHECK(entry.DevicePath == port->second.path);
            const bool bluetooth = entry.ValueName.find("\\Device\\BthModem") != std::string::npos;
            FUZZ_CHECK(bluetooth == port->second.bluetooth);
        } else {
            const auto names = builtInOnly.find(entry.ComNumber);
            FUZZ_CHECK(names != builtInOnly.end());
            FUZZ_CHECK(entry.DevicePath.rfind("/dev/", 0) == 0 &&
                       entry.ValueName == entry.DevicePath);
            const std::string name = entry.DevicePath.substr(5);
            FUZZ_CHECK(std::find(names->second.begin(), names->second.end(), name) !=
                       names->second.end());
            FUZZ_CHECK(ComNumberForTtyName(name) == entry.ComNumber);
        }
        FUZZ_CHECK(ComPortHint(entry, tree.ports.string()).rfind(entry.DevicePath, 0) == 0);
    }
    if (!entries.empty())
        FUZZ_CHECK(ComDevicePath(entries.back().ComNumber) == entries.back().DevicePath);
    TComPortList ports = GetComPorts(entries);
    std::size_t listed = 0;
    for (const TSioSerialCommEntry& entry : entries)
        if (entry.ValueName.find("\\Device\\BthModem") == std::string::npos)
            FUZZ_CHECK(listed < ports.size() && ports[listed++] == entry.ComNumber);
    FUZZ_CHECK(listed == ports.size());
    return 0;
}
