#include "TermiosClient.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "SystemErrorText.h"

TermiosClient::TermiosClient(const std::string& path) {
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
    ::tcflush(fd_, TCIOFLUSH);
}

TermiosClient::~TermiosClient() {
    if (fd_ >= 0) ::close(fd_);
}

void TermiosClient::Write(const std::string& bytes) {
    if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("write: " + SystemErrorText(errno));
}

std::string TermiosClient::ReadUntil(const std::string& end, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::string text;
    auto done = [&] { return text.size() >= end.size() && text.ends_with(end); };
    while (!done() && !hungUp_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[256];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
            pieces_.push_back({Clock::now(), std::string(buffer, static_cast<std::size_t>(n))});
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            hungUp_ = true;  // EIO: the master side has gone
        }
    }
    return text;
}
