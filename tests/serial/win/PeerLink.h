#pragma once

#include <cstdint>
#include <string>

// The test's end of the connection to the pseudo-terminal peer (see PeerProtocol.h): a COM port
// of its own for the life of the object, and the commands that steer the far end of its line.
// Every failure to reach the peer throws, with what to do about it.
class PeerLink {
  public:
    PeerLink();
    ~PeerLink();
    PeerLink(const PeerLink&) = delete;
    PeerLink& operator=(const PeerLink&) = delete;

    std::uint16_t ComNumber() const { return comNumber_; }

    void Echo() { Expect("MODE echo", "OK"); }
    void Sink() { Expect("MODE sink", "OK"); }
    void Hold() { Expect("MODE hold", "OK"); }
    void Send(std::uint64_t count) { Expect("SEND " + std::to_string(count), "OK"); }
    void HangUp() { Expect("HANGUP", "OK"); }

    struct Stats {
        std::uint64_t received = 0;
        std::uint64_t hash = 0;
    };
    Stats Received();

  private:
    std::string Command(const std::string& line);
    void Expect(const std::string& line, const std::string& answer);
    std::string ReadLine();

    std::uintptr_t socket_;
    std::uint16_t comNumber_ = 0;
};
