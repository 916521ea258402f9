#include "PortLink.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "ESimError.h"
#include "SystemErrorText.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string PortDirectory() {
    if (const std::string ports = Env("ROSTERMATE_PORTS"); !ports.empty()) return ports;
    if (const std::string runtime = Env("XDG_RUNTIME_DIR"); !runtime.empty())
        return runtime + "/rostermate/ports";
    return "/tmp/rostermate-" + std::to_string(::getuid()) + "/ports";
}

PortLink::PortLink(const std::string& directory, int comNumber, const std::string& devicePath)
    : linkPath_(directory + "/COM" + std::to_string(comNumber)), devicePath_(devicePath) {
    std::error_code error;
    // A folder we make is ours alone; one that exists keeps its permissions.
    if (fs::create_directories(directory, error))
        fs::permissions(directory, fs::perms::owner_all, fs::perm_options::replace, error);
    if (error)
        throw ESimError("Cannot create the port folder " + directory + ": " + error.message());

    const fs::file_status status = fs::symlink_status(linkPath_, error);
    if (fs::exists(status)) {
        const bool stale = fs::is_symlink(status) && !fs::exists(linkPath_, error);
        if (!stale) {
            std::string target = fs::is_symlink(status)
                                     ? fs::read_symlink(linkPath_, error).string()
                                     : std::string("not a link");
            throw ESimError("COM" + std::to_string(comNumber) + " is already published (" +
                            linkPath_ + " -> " + target +
                            "); choose another number with --com or remove the link");
        }
        fs::remove(linkPath_, error);
    }
    if (::symlink(devicePath_.c_str(), linkPath_.c_str()) != 0)
        throw ESimError("Cannot publish " + linkPath_ + ": " + SystemErrorText(errno));
    published_ = true;
}

PortLink::~PortLink() {
    Remove();
}

void PortLink::Remove() noexcept {
    if (!published_) return;
    published_ = false;
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(linkPath_, error)) &&
        fs::read_symlink(linkPath_, error).string() == devicePath_)
        fs::remove(linkPath_, error);
}

}  // namespace sim
