// The Linux side of the Windows serial tests that run under wine: the device at the other end
// of the line. It listens on a localhost TCP port and gives each connection a pseudo-terminal of
// its own, published to wine as a COM port by a link "com<n>" in the wine prefix's dosdevices
// folder (wine opens \\.\COM<n> as that terminal). The test, a Windows program, steers the far
// end over the connection with the line commands of ../PeerProtocol.h: echo, count, hold back,
// send known data, hang up. Closing the connection ends the session and removes the link.
//
// A separate process rather than a thread of the tests: the tests are Windows programs, and only
// a Linux program can hold a pseudo-terminal master. TCP is the one channel both sides have
// without help (wine gives Windows programs the host's sockets).
//
// Usage: pty-peer <dosdevices folder> <file to write the TCP port number to>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../PeerProtocol.h"

namespace {

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "pty-peer: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

// One connection: its terminal, its link, what the test asked for, what came and what is owed.
class Session {
  public:
    Session(int control, std::string dosdevices)
        : control_(control), dosdevices_(std::move(dosdevices)) {}

    int Run() {
        if (!OpenTerminal()) return 1;
        Reply("COM" + std::to_string(comNumber_));
        while (Step()) {
        }
        HangUp();
        return 0;
    }

  private:
    enum class Mode { Echo, Sink, Hold };

    bool OpenTerminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
        const char* name = ptsname(master_);
        if (name == nullptr) return false;
        // Held open here too, so that the terminal does not report a hang-up to the master
        // between the Windows side's opens.
        slave_ = open(name, O_RDWR | O_NOCTTY);
        if (slave_ < 0) return false;
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
        for (int n = 10; n < 250; ++n) {
            const std::string link = dosdevices_ + "/com" + std::to_string(n);
            if (symlink(name, link.c_str()) == 0) {
                comNumber_ = n;
                link_ = link;
                return true;
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }

    void HangUp() {
        if (master_ >= 0) close(master_);
        if (slave_ >= 0) close(slave_);
        master_ = slave_ = -1;
        if (!link_.empty()) unlink(link_.c_str());
        link_.clear();
    }

    // One round: waits for a command, for bytes from the terminal or for room to send.
    bool Step() {
        pollfd fds[2] = {{control_, POLLIN, 0}, {master_, 0, 0}};
        if (master_ >= 0) {
            if (mode_ != Mode::Hold) fds[1].events |= POLLIN;
            if (!owed_.empty() || toSend_ > 0) fds[1].events |= POLLOUT;
        }
        if (poll(fds, master_ >= 0 ? 2 : 1, -1) < 0) return errno == EINTR;
        if (fds[1].revents & POLLIN) TakeArrivals();
        if (fds[1].revents & POLLOUT) SendOwed();
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) return Command();
        return true;
    }

    void TakeArrivals() {
        char buffer[65536];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) return;  // the Windows side has let go; it may open again
        for (ssize_t i = 0; i < n; ++i)
            hash_ = peer::Fnv1a(hash_, static_cast<std::uint8_t>(buffer[i]));
        received_ += static_cast<std::uint64_t>(n);
        if (mode_ == Mode::Echo) owed_.append(buffer, static_cast<std::size_t>(n));
    }

    void SendOwed() {
        while (owed_.size() < 65536 && toSend_ > 0) {
            owed_.push_back(static_cast<char>(peer::PatternByte(sent_++)));
            --toSend_;
        }
        const ssize_t n = write(master_, owed_.data(), owed_.size());
        if (n > 0) owed_.erase(0, static_cast<std::size_t>(n));
    }

    bool Command() {
        char c = 0;
        const ssize_t n = read(control_, &c, 1);
        if (n <= 0) return false;  // the test has gone
        if (c != '\n') {
            line_.push_back(c);
            return true;
        }
        const std::string line = std::move(line_);
        line_.clear();
        if (line == "MODE echo") mode_ = Mode::Echo;
        else if (line == "MODE sink") mode_ = Mode::Sink;
        else if (line == "MODE hold") mode_ = Mode::Hold;
        else if (line.rfind("SEND ", 0) == 0) toSend_ += std::strtoull(line.c_str() + 5, nullptr, 10);
        else if (line == "HANGUP") HangUp();
        else if (line == "STATS") {
            Reply("RECEIVED " + std::to_string(received_) + " " + std::to_string(hash_));
            return true;
        } else {
            Reply("ERROR unknown command: " + line);
            return true;
        }
        Reply("OK");
        return true;
    }

    void Reply(const std::string& text) {
        const std::string line = text + "\n";
        for (std::size_t done = 0; done < line.size();) {
            const ssize_t n = write(control_, line.data() + done, line.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }

    int control_;
    std::string dosdevices_;
    int master_ = -1;
    int slave_ = -1;
    int comNumber_ = 0;
    std::string link_;
    Mode mode_ = Mode::Echo;
    std::string line_;
    std::string owed_;           // bytes to write to the terminal
    std::uint64_t toSend_ = 0;   // pattern bytes still to send
    std::uint64_t sent_ = 0;     // pattern bytes sent so far
    std::uint64_t received_ = 0;
    std::uint64_t hash_ = peer::kFnvOffset;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pty-peer <dosdevices folder> <port file>\n");
        return 2;
    }
    signal(SIGCHLD, SIG_IGN);  // sessions end on their own; nobody waits for them
    signal(SIGPIPE, SIG_IGN);
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        Die("cannot listen");
    // Written whole under another name first, so that a reader never sees half a number.
    const std::string portFile = argv[2];
    if (FILE* file = std::fopen((portFile + ".new").c_str(), "w")) {
        std::fprintf(file, "%u\n", ntohs(address.sin_port));
        std::fclose(file);
        if (std::rename((portFile + ".new").c_str(), portFile.c_str()) != 0) Die("cannot publish");
    } else {
        Die("cannot write " + portFile);
    }
    for (;;) {
        const int control = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (control < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            Die("accept");
        }
        const pid_t child = fork();
        if (child == 0) {
            close(listener);
            std::exit(Session(control, argv[1]).Run());
        }
        close(control);
    }
}
