#include "TermiosClient.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "SystemErrorText.h"
#include "WaitUntil.h"

TermiosClient::TermiosClient(const std::string& path, bool discardOldInput) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("open " + path + ": " + SystemErrorText(errno));
    termios settings{};
    ::tcgetattr(fd_, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B9600);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    ::tcsetattr(fd_, TCSANOW, &settings);
    if (discardOldInput) ::tcflush(fd_, TCIOFLUSH);
}

TermiosClient::~TermiosClient() {
    if (fd_ >= 0) ::close(fd_);
}

void TermiosClient::Write(const std::string& bytes) {
    std::size_t done = 0;
    const bool written = WaitUntil([&] {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            throw std::runtime_error("write: " + SystemErrorText(errno));
        return done == bytes.size();
    });
    if (!written) throw std::runtime_error("write: the line stayed full");
}

std::size_t TermiosClient::Available() const {
    int count = 0;
    return ::ioctl(fd_, FIONREAD, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::size_t TermiosClient::Drain(std::chrono::milliseconds quiet) {
    std::size_t total = 0;
    for (;;) {
        const std::size_t got = ReadUntil("\x01never\x01", quiet).size();
        if (got == 0 || hungUp_) return total;
        total += got;
    }
}

std::string TermiosClient::ReadUntil(const std::string& end, std::chrono::milliseconds limit) {
    std::string text;
    WaitUntil(
        [&] {
            // A raw line reads 0 bytes when nothing is there; only poll tells a hang-up apart.
            pollfd p{fd_, POLLIN, 0};
            ::poll(&p, 1, 0);
            char buffer[256];
            const ssize_t n = (p.revents & POLLIN) ? ::read(fd_, buffer, sizeof buffer) : 0;
            if (n > 0) {
                text.append(buffer, static_cast<std::size_t>(n));
            } else if ((p.revents & (POLLHUP | POLLERR)) || n < 0) {
                hungUp_ = true;  // the master side has gone
            }
            return hungUp_ || text.ends_with(end);
        },
        limit);
    return text;
}
