#pragma once

#include <functional>
#include <string>

// Choosing the storage folder, the one folder under which every instrument's list files live.
// Inside one site network it is a folder on the user's home share; everywhere else it is
// "Corvane/Rostermate/" in the user's documents folder (or, failing that, the program's folder).
namespace lists {

constexpr char kPathSeparator = '/';

// What the choice depends on, so that it can be decided without touching the real machine.
struct StorageEnvironment {
    std::function<std::string(const std::string&)> getEnv;  // case-insensitive names
    std::string siteDigest;  // SHA-1 (20 bytes) of the site network's key; empty: none
    std::function<bool(const std::string&)> dirExists;
    std::function<std::string()> documentsFolder;  // empty when unknown
    std::function<std::string()> programFolder;    // empty when unknown
};

// The network key: domain + logon server in upper case, cut two characters after its first "-"
// (or to two characters when it holds none).
std::string SiteKey(const std::string& userDomain, const std::string& logonServer);

// The 20 raw bytes of the SHA-1 digest of `bytes`.
std::string Sha1(const std::string& bytes);

// "\\server\" of a home share "\\server\share\...": up to the first separator from the third
// character on, or its first two characters when there is none.
std::string HomeShareRoot(const std::string& homeShare);

// The digest given as 40 hexadecimal digits, as 20 bytes; empty for empty or malformed text.
std::string SiteDigestFromHex(const std::string& hex);

// The storage folder, ending with a separator, or empty when none can be determined.
std::string FindStorageDir(const StorageEnvironment& environment);

// The environment of this machine and build.
StorageEnvironment SystemStorageEnvironment();

}  // namespace lists
