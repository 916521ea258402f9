#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "SioLogFormat.h"

// The dispatch log of a port: records of what the dispatcher did, kept in a byte ring (oldest
// whole records make room for new ones) and written out as text on demand.
// Not thread-safe by itself; the dispatcher holds its state lock around every call.
class TSioLogStore {
public:
    static constexpr std::int32_t MaxSize = 16'000'000;

    // Starts a log of `size` bytes (an existing one is only emptied). `scratchSize` is the largest
    // data block the dispatcher expects to record; larger ones still fit when the ring can take
    // them. 0, sio::ecBadArgument for a size outside 0..MaxSize, or sio::ecOutOfMemory.
    std::int32_t LogOpen(std::int32_t size, std::int32_t scratchSize);
    // Adds a record while logging is on. A record is stored whole or not at all: when its data
    // cannot fit even an empty ring, the data is shortened to what fits (the other data, which
    // carries the count, still tells the full size); a ring too small for a header stores nothing.
    void LogRecord(std::uint8_t type, std::uint8_t subtype, std::uint32_t timeMs,
                   std::uint32_t otherData, const void* data, std::uint32_t length);
    // Writes the log to `path` and ends it; a file that cannot be opened leaves the log in place.
    // `comNumber` names the device in the header ("COM%d"). 0 or a negated I/O code.
    std::int32_t LogWrite(const std::string& path, bool append, bool hexMode, bool allHex,
                          int comNumber);
    void LogReset();
    void LogDiscard();
    void LogResume();
    void LogPause();
    bool Logging() const { return logging_; }
    bool Exists() const { return exists_; }

    // The clock behind the header's "Date/time: " line (local time now, by default).
    void SetLocalTimeSource(std::function<std::tm()> source) { localTime_ = std::move(source); }
    // The header's system name (kernel name and release, by default).
    void SetSystemText(std::string text) { systemText_ = std::move(text); }

private:
    bool Empty() const { return free_ == ring_.size(); }
    void Put(const std::uint8_t* bytes, std::size_t n);
    void Get(std::uint8_t* bytes, std::size_t n);
    void Skip(std::size_t n);
    TSioLogRecordHeader TakeHeader();
    void DropOldest();

    std::vector<std::uint8_t> ring_;
    std::vector<std::uint8_t> scratch_;
    std::size_t in_ = 0;
    std::size_t out_ = 0;
    std::size_t free_ = 0;
    bool exists_ = false;
    bool logging_ = false;
    std::function<std::tm()> localTime_;
    std::string systemText_;
};
