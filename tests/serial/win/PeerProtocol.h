#pragma once

#include <cstdint>

// What the Windows tests and the pseudo-terminal peer agree on. The peer is a Linux program
// (peer/PtyPeer.cpp) that listens on a localhost TCP port; each connection gets a pseudo-terminal
// of its own, published to wine as a COM port, and a line of text per command:
//
//   (greeting)      -> "COM<n>"           the port to open: \\.\COM<n>
//   "MODE echo"     -> "OK"               send back every byte that arrives (the default)
//   "MODE sink"     -> "OK"               read and count what arrives, send nothing back
//   "MODE hold"     -> "OK"               read nothing, so that the terminal fills and writes stay
//                                         pending until another mode drains it
//   "SEND <n>"      -> "OK"               send n bytes of PatternByte(0), PatternByte(1), ...
//   "STATS"         -> "RECEIVED <count> <hash>"   bytes read so far and their Fnv1a hash
//   "HANGUP"        -> "OK"               close the terminal, as when a device goes away
//
// Closing the connection ends the session and removes the COM port again.
namespace peer {

inline std::uint8_t PatternByte(std::uint64_t index) {
    // Bytes that depend on their position: a lost, repeated or reordered byte breaks the sequence.
    return static_cast<std::uint8_t>((index * 2654435761u) >> 13 ^ index);
}

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;

inline std::uint64_t Fnv1a(std::uint64_t hash, std::uint8_t byte) {
    return (hash ^ byte) * 1099511628211ull;
}

// The environment variable that holds the peer's TCP port.
constexpr const char* kPortVariable = "ROSTERMATE_PTY_PEER_PORT";

}  // namespace peer
