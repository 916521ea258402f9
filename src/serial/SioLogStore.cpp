#include "SioLogStore.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "SioErrorCodes.h"
#include "SioLogRecords.h"
#include "SioTextFile.h"

namespace {

constexpr std::size_t kHeaderSize = sio::lgHeaderSize;

void PutLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLe32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

}  // namespace

std::int32_t TSioLogStore::LogOpen(std::int32_t size, std::int32_t scratchSize) {
    if (exists_) {
        LogReset();
        return sio::ecOK;
    }
    if (size < 0 || size > MaxSize) return sio::ecBadArgument;
    try {
        ring_.assign(static_cast<std::size_t>(size), 0);
        scratch_.assign(static_cast<std::size_t>(std::clamp(scratchSize, 0, size)), 0);
    } catch (const std::bad_alloc&) {
        LogDiscard();
        return sio::ecOutOfMemory;
    }
    exists_ = true;
    LogReset();
    logging_ = true;
    return sio::ecOK;
}

void TSioLogStore::LogRecord(std::uint8_t type, std::uint8_t subtype, std::uint32_t timeMs,
                             std::uint32_t otherData, const void* data, std::uint32_t length) {
    // A part as large as the whole ring cannot be stored, so a record needs capacity > its size.
    if (!logging_ || ring_.size() <= kHeaderSize) return;
    const std::size_t room = ring_.size() - kHeaderSize - 1;
    const std::size_t kept = data == nullptr ? 0 : std::min<std::size_t>(length, room);

    std::uint8_t header[kHeaderSize] = {type, subtype};
    PutLe32(header + 4, timeMs);
    PutLe32(header + 8, otherData);
    PutLe32(header + 12, static_cast<std::uint32_t>(kept));

    while (free_ < kHeaderSize + kept) DropOldest();
    Put(header, kHeaderSize);
    Put(static_cast<const std::uint8_t*>(data), kept);
}

std::int32_t TSioLogStore::LogWrite(const std::string& path, bool append, bool hexMode,
                                    bool allHex, int comNumber) {
    if (!exists_ || Empty()) {
        LogDiscard();
        return sio::ecOK;
    }
    logging_ = false;

    TSioTextFile file;
    if (const std::int32_t opened = file.Open(path, append); opened != sio::ecOK) return opened;

    const std::string system = systemText_.empty() ? LogSystemText() : systemText_;
    file.Write(LogHeaderText(system, comNumber, localTime_ ? localTime_() : LocalTimeNow()));
    std::string text;
    while (!Empty()) {
        const TSioLogRecordHeader header = TakeHeader();
        if (scratch_.size() < header.length) scratch_.resize(header.length);
        Get(scratch_.data(), header.length);
        text.clear();
        AppendLogRecordText(text, header, scratch_.data(), hexMode, allHex);
        file.Write(text);
    }

    const std::int32_t result = file.Close();
    LogDiscard();
    return result;
}

void TSioLogStore::LogReset() {
    in_ = 0;
    out_ = 0;
    free_ = ring_.size();
}

void TSioLogStore::LogDiscard() {
    logging_ = false;
    exists_ = false;
    std::vector<std::uint8_t>().swap(ring_);
    std::vector<std::uint8_t>().swap(scratch_);
    LogReset();
}

void TSioLogStore::LogResume() {
    if (exists_) logging_ = true;
}

void TSioLogStore::LogPause() { logging_ = false; }

void TSioLogStore::Put(const std::uint8_t* bytes, std::size_t n) {
    const std::size_t first = std::min(n, ring_.size() - in_);
    if (n > 0) std::memcpy(ring_.data() + in_, bytes, first);
    if (n > first) std::memcpy(ring_.data(), bytes + first, n - first);
    in_ = (in_ + n) % ring_.size();
    free_ -= n;
}

void TSioLogStore::Get(std::uint8_t* bytes, std::size_t n) {
    const std::size_t first = std::min(n, ring_.size() - out_);
    if (n > 0) std::memcpy(bytes, ring_.data() + out_, first);
    if (n > first) std::memcpy(bytes + first, ring_.data(), n - first);
    Skip(n);
}

void TSioLogStore::Skip(std::size_t n) {
    out_ = (out_ + n) % ring_.size();
    free_ += n;
}

TSioLogRecordHeader TSioLogStore::TakeHeader() {
    std::uint8_t bytes[kHeaderSize];
    Get(bytes, kHeaderSize);
    TSioLogRecordHeader header;
    header.type = bytes[0];
    header.subtype = bytes[1];
    header.timeMs = GetLe32(bytes + 4);
    header.otherData = GetLe32(bytes + 8);
    header.length = GetLe32(bytes + 12);
    return header;
}

void TSioLogStore::DropOldest() { Skip(TakeHeader().length); }
