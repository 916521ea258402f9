#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "SioIoResult.h"
#include "SioTextFile.h"

std::int32_t TSioTextFile::OpenFile(const std::string& path, bool append) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return IoResultFromErrno(errno);
    file_ = fd;
    return 0;
}

std::int64_t TSioTextFile::WriteSome(const char* data, std::size_t size) {
    const ssize_t n = ::write(static_cast<int>(file_), data, size);
    if (n > 0) return n;
    if (n == 0) return IoResultFromErrno(EIO);
    return errno == EINTR ? 0 : IoResultFromErrno(errno);
}

std::int32_t TSioTextFile::CloseFile() {
    return ::close(static_cast<int>(file_)) != 0 && errno != EINTR ? IoResultFromErrno(errno) : 0;
}
