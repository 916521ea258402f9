#include "PeerLink.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "PeerProtocol.h"

namespace {

// Winsock is started once for the process and left running until it ends.
void StartWinsock() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("Winsock did not start");
}

}  // namespace

PeerLink::PeerLink() : socket_(INVALID_SOCKET) {
    const char* port = std::getenv(peer::kPortVariable);
    if (port == nullptr || *port == '\0')
        throw std::runtime_error(std::string(peer::kPortVariable) +
                                 " is not set: run these tests through make test-windows, which "
                                 "starts the pseudo-terminal peer");
    StartWinsock();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw std::runtime_error("no socket for the peer");
    socket_ = s;
    // No answer of the peer takes long; a test must fail rather than hang when it is gone.
    DWORD limit = 20000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        throw std::runtime_error("the pseudo-terminal peer does not answer on port " +
                                 std::string(port));
    }
    const std::string greeting = ReadLine();
    if (greeting.rfind("COM", 0) != 0) {
        closesocket(s);
        throw std::runtime_error("the peer has no pseudo-terminal: " + greeting);
    }
    comNumber_ = static_cast<std::uint16_t>(std::atoi(greeting.c_str() + 3));
}

PeerLink::~PeerLink() {
    closesocket(static_cast<SOCKET>(socket_));
}

PeerLink::Stats PeerLink::Received() {
    const std::string answer = Command("STATS");
    unsigned long long received = 0;
    unsigned long long hash = 0;
    if (std::sscanf(answer.c_str(), "RECEIVED %llu %llu", &received, &hash) != 2)
        throw std::runtime_error("unexpected answer of the peer: " + answer);
    return {received, hash};
}

std::string PeerLink::Command(const std::string& line) {
    const std::string text = line + "\n";
    if (send(static_cast<SOCKET>(socket_), text.data(), static_cast<int>(text.size()), 0) !=
        static_cast<int>(text.size()))
        throw std::runtime_error("the peer is gone");
    return ReadLine();
}

void PeerLink::Expect(const std::string& line, const std::string& answer) {
    const std::string got = Command(line);
    if (got != answer) throw std::runtime_error(line + ": the peer answered " + got);
}

std::string PeerLink::ReadLine() {
    std::string line;
    for (;;) {
        char c = 0;
        if (recv(static_cast<SOCKET>(socket_), &c, 1, 0) != 1)
            throw std::runtime_error("no answer from the peer");
        if (c == '\n') return line;
        line.push_back(c);
    }
}
