#include "StorageDir.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "CvMiscUtils.h"

#ifndef ROSTERMATE_SITE_DIGEST
#define ROSTERMATE_SITE_DIGEST ""
#endif

namespace lists {
namespace {

std::string WithSeparator(const std::string& folder) {
    if (!folder.empty() && folder.back() == kPathSeparator) return folder;
    return folder + kPathSeparator;
}

std::string Join(std::initializer_list<const char*> parts) {
    std::string path;
    for (const char* part : parts) path += std::string(part) + kPathSeparator;
    return path;
}

std::string SiteFolder(const StorageEnvironment& environment) {
    const std::string key =
        SiteKey(environment.getEnv("userdomain"), environment.getEnv("logonserver"));
    if (environment.siteDigest.empty() || Sha1(key) != environment.siteDigest) return {};
    const std::string folder =
        HomeShareRoot(environment.getEnv("homeshare")) + Join({"Data", "AppData", "Rostermate"});
    return environment.dirExists(folder) ? folder : std::string();
}

}  // namespace

std::string SiteKey(const std::string& userDomain, const std::string& logonServer) {
    std::string key = userDomain + logonServer;
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const std::size_t dash = key.find('-');
    return key.substr(0, dash == std::string::npos ? 2 : dash + 3);
}

std::string Sha1(const std::string& bytes) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), QCryptographicHash::Sha1);
    return std::string(digest.constData(), static_cast<std::size_t>(digest.size()));
}

std::string HomeShareRoot(const std::string& homeShare) {
    const std::size_t separator = homeShare.find_first_of("\\/", 2);
    return homeShare.substr(0, separator == std::string::npos ? 2 : separator + 1);
}

std::string SiteDigestFromHex(const std::string& hex) {
    if (hex.size() != 40) return {};
    const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(hex));
    if (bytes.size() != 20 || bytes.toHex().toLower() != QByteArray::fromStdString(hex).toLower())
        return {};
    return bytes.toStdString();
}

std::string FindStorageDir(const StorageEnvironment& environment) {
    std::string path = SiteFolder(environment);
    if (!path.empty()) return path;
    std::string base = environment.documentsFolder();
    if (base.empty()) base = environment.programFolder();
    if (base.empty()) return {};
    return WithSeparator(base) + Join({"Corvane", "Rostermate"});
}

StorageEnvironment SystemStorageEnvironment() {
    StorageEnvironment environment;
    environment.getEnv = GetEnvVar;
    environment.siteDigest = SiteDigestFromHex(ROSTERMATE_SITE_DIGEST);
    environment.dirExists = [](const std::string& folder) {
        return QFileInfo(QFile::decodeName(folder.c_str())).isDir();
    };
    environment.documentsFolder = [] {
        return QFile::encodeName(
                   QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .toStdString();
    };
    environment.programFolder = [] {
        if (QCoreApplication::instance() == nullptr) return std::string();
        return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    };
    return environment;
}

}  // namespace lists
