#include "LineServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "ESimError.h"
#include "SimFraming.h"
#include "SystemErrorText.h"

namespace sim {

namespace {

constexpr auto kLogQuiet = std::chrono::milliseconds(50);
constexpr auto kDrainLimit = std::chrono::seconds(2);
constexpr auto kDrainPoll = std::chrono::milliseconds(5);
constexpr auto kDrainSettle = std::chrono::milliseconds(30);
constexpr std::size_t kMaxQueued = 64 * 1024;

std::string SlavePath(int master) {
    char name[128] = {};
    if (ptsname_r(master, name, sizeof name) != 0) return {};  // not a pseudo-terminal
    return name;
}

int OpenSlaveHold(const std::string& path) {
    if (path.empty()) return -1;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    // Raw from the start: an echoing line would hand every reply back to the device.
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
    return fd;
}

}  // namespace

LineServer::LineServer(int masterFd, SimPeer& peer, LineTiming timing, ConversationLog* log)
    : master_(masterFd), peer_(peer), timing_(timing), log_(log) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0)
        throw ESimError("Cannot create the wake-up pipe: " + SystemErrorText(errno));
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    const std::string slave = SlavePath(master_);
    slaveHold_ = OpenSlaveHold(slave);
    // Watched only from here on, so the simulator's own handle is not counted as a program.
    if (slaveHold_ >= 0) watch_ = std::make_unique<PortWatch>(slave);
}

LineServer::~LineServer() {
    for (const int fd : {slaveHold_, wakeRead_, wakeWrite_})
        if (fd >= 0) ::close(fd);
}

void LineServer::Stop() noexcept {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite_, &byte, 1);
}

LineServer::End LineServer::Run() {
    for (;;) {
        auto now = Clock::now();
        Schedule(peer_.Due(now), now);
        bool hungUp = false;
        if (!WriteDue(now, hungUp)) return End::DeviceLost;
        if (hungUp && !hangUpAt_) hangUpAt_ = now + kDrainLimit;
        // The line drops once the program has taken in what was sent before: a hang-up discards
        // what still waits in the slave's input queue. Bytes take a moment to reach that queue,
        // so it must have stayed empty for a while after the last write.
        if (hangUpAt_ &&
            ((Unread() == 0 && now - lastTraffic_ >= kDrainSettle) || now >= *hangUpAt_))
            return End::HungUp;

        const auto wake = NextWake(now);
        const auto wait = std::max<Clock::duration>(wake - now, Clock::duration::zero());
        const timespec timeout{
            static_cast<time_t>(wait / std::chrono::seconds(1)),
            static_cast<long>((wait % std::chrono::seconds(1)) / std::chrono::nanoseconds(1))};
        pollfd fds[3] = {{master_, static_cast<short>(POLLIN | (writeBlocked_ ? POLLOUT : 0)), 0},
                         {wakeRead_, POLLIN, 0},
                         {watch_ ? watch_->Fd() : -1, POLLIN, 0}};
        const bool forever = wake == Clock::time_point::max();
        const int ready = ::ppoll(fds, 3, forever ? nullptr : &timeout, nullptr);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return End::DeviceLost;
        }
        if (fds[1].revents != 0) return End::Stopped;
        // Opens and closes first: input that came with them belongs to the program now there.
        if ((fds[2].revents & POLLIN) && watch_->Update()) ProgramLeft();
        if (fds[0].revents & POLLOUT) writeBlocked_ = false;
        if (fds[0].revents & POLLIN) {
            if (!Receive(Clock::now())) return End::DeviceLost;
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return End::DeviceLost;  // never spin on a dead line
        }
        if (ready == 0 && log_ && log_->HasPending() && Clock::now() - lastTraffic_ >= kLogQuiet)
            log_->Flush();
    }
}

bool LineServer::Receive(Clock::time_point now) {
    char buffer[512];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    if (n == 0) return false;
    lastTraffic_ = now;
    const std::string_view bytes(buffer, static_cast<std::size_t>(n));
    if (log_) log_->FromComputer(bytes);
    for (const char c : bytes) {
        // Each byte arrives when it has crossed the wire at line speed.
        rxWireAt_ = std::max(rxWireAt_, now) + timing_.ByteTime();
        Schedule(peer_.Receive(std::string_view(&c, 1), rxWireAt_), rxWireAt_ + timing_.turnaround);
    }
    return true;
}

void LineServer::Schedule(std::vector<Output> outputs, Clock::time_point readyAt) {
    for (auto& output : outputs) {
        if (output.bursts.empty() && output.hangUpAfter) output.bursts.push_back({});
        const std::size_t size = output.Bytes().size();
        if (queuedBytes_ + size > kMaxQueued && !output.hangUpAfter) {
            // Nobody reads the line while commands keep coming: what a real device would send
            // into the void is dropped here, and said so.
            ++dropped_;
            if (log_)
                log_->Note("reply dropped, the program is not reading: " +
                           ShowBytes(output.Bytes()));
            continue;
        }
        queuedBytes_ += size;
        for (std::size_t i = 0; i < output.bursts.size(); ++i) {
            Pending pending{readyAt, output.bursts[i].pause, std::move(output.bursts[i].bytes)};
            pending.hangUpAfter = output.hangUpAfter && i + 1 == output.bursts.size();
            queue_.push_back(std::move(pending));
        }
    }
}

bool LineServer::WriteDue(Clock::time_point now, bool& hungUp) {
    const auto byteTime = timing_.ByteTime();
    while (!queue_.empty() && !writeBlocked_ && !hangUpAt_) {
        Pending& front = queue_.front();
        if (!front.started) {
            front.start = std::max(front.readyAt, lineFreeAt_ + front.pause);
            front.started = true;
        }
        if (front.start > now) return true;
        // Bytes whose last bit has crossed the wire by now.
        std::size_t due = front.bytes.size();
        if (byteTime.count() > 0)
            due = std::min<std::size_t>(due,
                                        static_cast<std::size_t>((now - front.start) / byteTime));
        if (due > front.sent && !ProgramPresent()) {
            // On the wire all the same, but nobody is there to receive it.
            lost_ += due - front.sent;
            front.sent = due;
            front.lost = true;
        } else if (due > front.sent) {
            const ssize_t n = ::write(master_, front.bytes.data() + front.sent, due - front.sent);
            if (n < 0) {
                if (errno != EAGAIN && errno != EINTR) return false;
                writeBlocked_ = true;
                return true;
            }
            front.sent += static_cast<std::size_t>(n);
            lastTraffic_ = now;
        }
        if (front.sent < front.bytes.size()) return true;
        lineFreeAt_ = byteTime.count() > 0
                          ? front.start + byteTime * static_cast<long>(front.bytes.size())
                          : now;
        if (log_ && front.lost) {
            log_->Note("no program has the port open, lost: " + ShowBytes(front.bytes));
        } else if (log_) {
            log_->ToComputer(front.bytes);
        }
        queuedBytes_ -= front.bytes.size();
        const bool hangUp = front.hangUpAfter;
        queue_.pop_front();
        if (hangUp) {
            if (log_) log_->Note("line dropped");
            hungUp = true;
            return true;
        }
    }
    return true;
}

void LineServer::ProgramLeft() {
    // A real port forgets both with its last close; our own handle keeps this one open.
    ::ioctl(slaveHold_, TIOCNXCL);
    const int unread = Unread();
    ::tcflush(slaveHold_, TCIFLUSH);
    writeBlocked_ = false;
    if (unread <= 0) return;
    lost_ += static_cast<std::size_t>(unread);
    if (log_)
        log_->Note("the program closed the port with " + std::to_string(unread) +
                   " bytes unread; they are lost");
}

int LineServer::Unread() const {
    int count = 0;
    if (slaveHold_ < 0 || ::ioctl(slaveHold_, FIONREAD, &count) != 0) return 0;
    return count;
}

LineServer::Clock::time_point LineServer::NextWake(Clock::time_point now) const {
    auto wake = Clock::time_point::max();
    if (hangUpAt_) {
        wake = now + kDrainPoll;  // nothing more is written while the line drains
    } else if (!queue_.empty() && !writeBlocked_) {
        const Pending& front = queue_.front();
        wake = front.start <= now && timing_.ByteTime().count() > 0
                   ? front.start + timing_.ByteTime() * static_cast<long>(front.sent + 1)
                   : front.start;
    }
    if (const auto due = peer_.NextDue()) wake = std::min(wake, *due);
    if (log_ && log_->HasPending()) wake = std::min(wake, lastTraffic_ + kLogQuiet);
    return wake;
}

}  // namespace sim
