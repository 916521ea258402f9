#include "DeviceAccess.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

std::string UserName(uid_t uid) {
    if (const passwd* entry = ::getpwuid(uid)) return entry->pw_name;
    return std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    if (const group* entry = ::getgrgid(gid)) return entry->gr_name;
    return std::to_string(gid);
}

std::string ModeText(mode_t mode) {
    std::string text = S_ISCHR(mode) ? "c" : S_ISDIR(mode) ? "d" : S_ISLNK(mode) ? "l" : "-";
    const char letters[] = "rwx";
    for (int bit = 8; bit >= 0; --bit) text += (mode & (1u << bit)) ? letters[(8 - bit) % 3] : '-';
    return text;
}

// The groups this process carries: the ones the login started with.
bool ProcessHasGroup(gid_t gid) {
    if (::getegid() == gid) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// The groups the account is listed in now, which a new login would carry.
bool AccountHasGroup(uid_t uid, gid_t gid) {
    const passwd* entry = ::getpwuid(uid);
    if (entry == nullptr) return false;
    const std::string name = entry->pw_name;
    const gid_t primary = entry->pw_gid;
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(name.c_str(), primary, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(name.c_str(), primary, groups.data(), &count) < 0) return false;
    }
    return std::find(groups.begin(), groups.begin() + count, gid) != groups.begin() + count;
}

}  // namespace

DeviceAccess ExamineDeviceAccess(const std::string& devicePath) {
    DeviceAccess access;
    access.userName = UserName(::getuid());
    struct stat info {};
    if (devicePath.empty() || ::stat(devicePath.c_str(), &info) != 0) return access;
    access.exists = true;
    access.allowed = ::access(devicePath.c_str(), R_OK | W_OK) == 0;
    access.ownerName = UserName(info.st_uid);
    access.groupName = GroupName(info.st_gid);
    access.modeText = ModeText(info.st_mode);
    access.groupMayReadWrite = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    access.inGroupNow = ProcessHasGroup(info.st_gid);
    access.inGroupAccount = access.inGroupNow || AccountHasGroup(::getuid(), info.st_gid);
    return access;
}
