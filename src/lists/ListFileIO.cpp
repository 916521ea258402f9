#include "ListFileIO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

#include "EInOutError.h"
#include "SystemErrorText.h"

namespace lists {
namespace {

QString Decode(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

[[noreturn]] void Fail(const QFileDevice& file, int savedErrno) {
    // Qt words its file errors with the system's text; keep the system's number beside it.
    const int code = savedErrno > 0 ? savedErrno : EIO;
    const std::string reason = file.error() != QFileDevice::NoError
                                   ? file.errorString().toStdString()
                                   : SystemErrorText(code);
    throw EInOutError(reason, code);
}

}  // namespace

bool ForceDirectories(const std::string& folder) {
    if (folder.empty()) throw EInOutError("Unable to create directory", ENOENT);
    return QDir().mkpath(Decode(folder));
}

bool FileExists(const std::string& path) {
    // Regular files only: reading a pipe or a device that happened to bear the name could wait
    // for ever.
    return QFileInfo(Decode(path)).isFile();
}

std::string ReadWholeFile(const std::string& path) {
    QFile file(Decode(path));
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) Fail(file, errno);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) Fail(file, errno);
    return bytes.toStdString();
}

void ReplaceFile(const std::string& path, const std::string& bytes) {
    QSaveFile file(Decode(path));
    // Unbuffered, so that a short write (a full disk, a size limit) shows here rather than
    // vanishing inside a buffer flush that only reports the part that did get written.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) Fail(file, errno);
    // On any failure the unfinished new file is dropped when `file` goes; the old one stays.
    std::size_t done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 n = file.write(bytes.data() + done, static_cast<qint64>(bytes.size() - done));
        if (n <= 0) Fail(file, errno);
        done += static_cast<std::size_t>(n);
    }
    errno = 0;
    if (!file.commit()) Fail(file, errno);
}

}  // namespace lists
