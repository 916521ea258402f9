#include "PortWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>

namespace sim {

PortWatch::PortWatch(const std::string& devicePath) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    if (::inotify_add_watch(fd_, devicePath.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

PortWatch::~PortWatch() {
    if (fd_ >= 0) ::close(fd_);
}

bool PortWatch::Update() {
    bool lastClosed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = fd_ >= 0 ? ::read(fd_, buffer, sizeof buffer) : -1;
        if (n <= 0) return lastClosed;
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW) {
                known_ = false;  // lost count: assume a program is there
                openers_ = 0;
            } else if (event.mask & IN_OPEN) {
                known_ = true;
                ++openers_;
            } else if ((event.mask & IN_CLOSE) && known_ && openers_ > 0) {
                lastClosed = --openers_ == 0;
            }
        }
    }
}

}  // namespace sim
