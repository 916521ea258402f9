#include "SioPosixDevice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/serial.h>
#endif

#include <cerrno>

#include "SioMessages.h"
#include "SioPosixErrors.h"

namespace {

// The device simply has no such control (pseudo-terminals have no modem lines).
bool Unsupported(int error) {
    return error == ENOTTY || error == EINVAL || error == ENOSYS;
}

// One read or write on a non-blocking descriptor: the bytes moved, 0 when it would block, or
// the code of the failure (its system number in `systemError`, when given); interrupted calls
// are repeated.
template <typename Call>
std::int32_t Transfer(Call call, int* systemError) {
    for (;;) {
        const ssize_t n = call();
        if (n >= 0) return static_cast<std::int32_t>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        if (systemError) *systemError = errno;
        return SioCodeForErrno(errno);
    }
}

}  // namespace

TSioPosixDevice::~TSioPosixDevice() {
    Close();
}

std::int32_t TSioPosixDevice::Open(const std::string& path) {
    if (fd_ >= 0) return SioDeviceHeldCode();
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return SioCodeForErrno(errno);
    // The lock keeps out every program that locks too (ours in another process, most terminal
    // programs); exclusive mode keeps out everyone else who is not privileged.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? SioDeviceHeldCode() : SioCodeForErrno(error);
    }
    ::ioctl(fd, TIOCEXCL);  // not every device knows it; the lock still holds
    fd_ = fd;
    lastCounts_ = {};
    hasErrorCounts_ = ReadErrorCounts(lastCounts_);
    int lines = 0;
    hasModemLines_ = ::ioctl(fd_, TIOCMGET, &lines) == 0;
    return 0;
}

std::int32_t TSioPosixDevice::Close() {
    if (fd_ < 0) return 0;
    ::ioctl(fd_, TIOCNXCL);
    const int result = ::close(fd_);  // also releases the lock
    fd_ = -1;
    hasModemLines_ = hasErrorCounts_ = false;
    return result == 0 || errno == EINTR ? 0 : SioCodeForErrno(errno);
}

std::int32_t TSioPosixDevice::Read(std::uint8_t* buffer, std::uint32_t size, int* systemError) {
    return Transfer([&] { return ::read(fd_, buffer, size); }, systemError);
}

std::int32_t TSioPosixDevice::Write(const std::uint8_t* data, std::uint32_t size,
                                    int* systemError) {
    return Transfer([&] { return ::write(fd_, data, size); }, systemError);
}

int TSioPosixDevice::HangUpError() const {
    // Writing nothing changes nothing on a device that is still there.
    ssize_t result;
    do {
        result = ::write(fd_, "", 0);
    } while (result < 0 && errno == EINTR);
    return result < 0 && errno != EAGAIN && errno != EWOULDBLOCK ? errno : EIO;
}

std::int32_t TSioPosixDevice::GetAttributes(termios& settings) const {
    return ::tcgetattr(fd_, &settings) == 0 ? 0 : SioCodeForErrno(errno);
}

std::int32_t TSioPosixDevice::SetAttributes(const termios& settings) const {
    return ::tcsetattr(fd_, TCSANOW, &settings) == 0 ? 0 : SioCodeForErrno(errno);
}

std::int32_t TSioPosixDevice::SetModemLines(int lines, bool on) const {
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &lines) == 0 || Unsupported(errno)) return 0;
    return SioCodeForErrno(errno);
}

std::int32_t TSioPosixDevice::SetBreak(bool on) const {
    if (::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0 || Unsupported(errno)) return 0;
    return SioCodeForErrno(errno);
}

std::uint8_t TSioPosixDevice::ModemLines() const {
    int lines = 0;
    if (!hasModemLines_ || ::ioctl(fd_, TIOCMGET, &lines) != 0)
        return 0;  // no lines, or the device is gone
    std::uint8_t status = 0;
    if (lines & TIOCM_CTS) status |= sio::ModemCts;
    if (lines & TIOCM_DSR) status |= sio::ModemDsr;
    if (lines & TIOCM_RNG) status |= sio::ModemRing;
    if (lines & TIOCM_CAR) status |= sio::ModemDcd;
    return status;
}

bool TSioPosixDevice::ReadErrorCounts(ErrorCounts& counts) const {
#if defined(TIOCGICOUNT)
    serial_icounter_struct icount{};
    if (::ioctl(fd_, TIOCGICOUNT, &icount) != 0) return false;
    counts.bufferOverrun = static_cast<std::uint32_t>(icount.buf_overrun);
    counts.overrun = static_cast<std::uint32_t>(icount.overrun);
    counts.parity = static_cast<std::uint32_t>(icount.parity);
    counts.frame = static_cast<std::uint32_t>(icount.frame);
    counts.breaks = static_cast<std::uint32_t>(icount.brk);
    return true;
#else
    (void)counts;
    return false;
#endif
}

std::uint32_t TSioPosixDevice::TakeLineErrors() {
    ErrorCounts now;
    if (!hasErrorCounts_ || !ReadErrorCounts(now)) return 0;
    std::uint32_t flags = 0;
    if (now.bufferOverrun != lastCounts_.bufferOverrun) flags |= sio::LineRxOverrun;
    if (now.overrun != lastCounts_.overrun) flags |= sio::LineOverrun;
    if (now.parity != lastCounts_.parity) flags |= sio::LineParity;
    if (now.frame != lastCounts_.frame) flags |= sio::LineFraming;
    if (now.breaks != lastCounts_.breaks) flags |= sio::LineBreak;
    lastCounts_ = now;
    return flags;
}

std::uint32_t TSioPosixDevice::InputCount() const {
    int count = 0;
    if (::ioctl(fd_, FIONREAD, &count) != 0 || count < 0) return 0;
    return static_cast<std::uint32_t>(count);
}

std::int32_t TSioPosixDevice::Flush(int queue, int* systemError) const {
    if (::tcflush(fd_, queue) == 0) return 0;
    if (systemError != nullptr) *systemError = errno;
    return SioCodeForErrno(errno);
}
