#include "SioTextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "SioIoResult.h"

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

TSioTextFile::~TSioTextFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::int32_t TSioTextFile::Open(const std::string& path, bool append) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    fd_ = ::open(path.c_str(), flags, 0666);
    if (fd_ < 0) return IoResultFromErrno(errno);
    error_ = 0;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    return 0;
}

void TSioTextFile::Write(std::string_view text) {
    if (fd_ < 0 || error_ != 0) return;
    buffer_.append(text);
    if (buffer_.size() >= kBufferSize) Flush();
}

void TSioTextFile::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size() && error_ == 0) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EINTR)
            Fail(errno);
        else if (n == 0)
            Fail(EIO);
    }
    buffer_.clear();
}

void TSioTextFile::Fail(int errorNumber) {
    if (error_ == 0) error_ = IoResultFromErrno(errorNumber);
}

std::int32_t TSioTextFile::Close() {
    if (fd_ < 0) return error_;
    Flush();
    if (::close(fd_) != 0 && errno != EINTR) Fail(errno);
    fd_ = -1;
    return error_;
}
