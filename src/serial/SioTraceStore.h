#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The trace of a port: the most recent bytes the application took from the input ('R') and
// queued for output ('T'), kept in a ring of two-byte entries and written out as text on demand.
// Not thread-safe by itself; the dispatcher holds its state lock around every call.
class TSioTraceStore {
public:
    static constexpr std::int32_t MaxEntries = 4'000'000;

    // Starts a trace of `size` entries (an existing one is emptied instead). 0, or
    // sio::ecBadArgument for a size outside 1..MaxEntries, or sio::ecOutOfMemory.
    std::int32_t TraceOpen(std::int32_t size);
    // Adds an entry while tracing is on; the oldest entry goes when the ring is full.
    void TraceRecord(char kind, std::uint8_t byte);
    // Writes the trace to `path` and ends it. 0 or a negated I/O code.
    std::int32_t TraceWrite(const std::string& path, bool append, bool hexMode, bool allHex);
    void TraceReset();
    void TraceDiscard();
    void TraceResume();
    void TracePause();
    bool Tracing() const { return tracing_; }
    bool Exists() const { return !ring_.empty(); }

private:
    struct Entry {
        char kind;
        std::uint8_t byte;
    };

    std::vector<Entry> ring_;
    std::size_t index_ = 0;
    bool wrapped_ = false;
    bool tracing_ = false;
};
