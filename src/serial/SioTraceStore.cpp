#include "SioTraceStore.h"

#include <new>

#include "SioByteRender.h"
#include "SioErrorCodes.h"
#include "SioMessageTable.h"
#include "SioTextFile.h"

namespace {

// Longest data line of the trace file, in columns.
constexpr int kLineWidth = 78;

std::string SectionTitle(char kind) {
    if (kind == 'R') return SioMessageText(sio::mtTraceReceive);
    if (kind == 'T') return SioMessageText(sio::mtTraceTransmit);
    return std::string(SioMessageText(sio::mtTraceSpecial)) + kind + ": ";
}

}  // namespace

std::int32_t TSioTraceStore::TraceOpen(std::int32_t size) {
    if (Exists()) {
        TraceReset();
    } else {
        if (size < 1 || size > MaxEntries) return sio::ecBadArgument;
        try {
            ring_.assign(static_cast<std::size_t>(size), Entry{0, 0});
        } catch (const std::bad_alloc&) {
            return sio::ecOutOfMemory;
        }
        TraceReset();
    }
    tracing_ = true;
    return sio::ecOK;
}

void TSioTraceStore::TraceRecord(char kind, std::uint8_t byte) {
    if (!tracing_ || ring_.empty()) return;
    ring_[index_] = Entry{kind, byte};
    if (++index_ == ring_.size()) {
        index_ = 0;
        wrapped_ = true;
    }
}

std::int32_t TSioTraceStore::TraceWrite(const std::string& path, bool append, bool hexMode,
                                        bool allHex) {
    if (!Exists()) return sio::ecOK;
    tracing_ = false;
    if (!wrapped_ && index_ == 0) {
        TraceDiscard();
        return sio::ecOK;
    }

    TSioTextFile file;
    if (const std::int32_t opened = file.Open(path, append); opened != sio::ecOK) {
        TraceDiscard();
        return opened;
    }

    const std::size_t start = wrapped_ ? index_ : 0;
    const std::size_t count = wrapped_ ? ring_.size() : index_;
    char previous = 0;
    int column = 0;
    std::string item;
    for (std::size_t i = 0; i < count; ++i) {
        const Entry& entry = ring_[(start + i) % ring_.size()];
        if (i == 0 || entry.kind != previous) {
            if (i != 0) file.Write("\r\n\r\n");
            column = 0;
            file.Write(SectionTitle(entry.kind));
            file.Write("\r\n");
            previous = entry.kind;
        }
        item.clear();
        const int width = AppendRenderedByte(item, entry.byte, hexMode, allHex);
        column += width;
        if (column > kLineWidth) {
            file.Write("\r\n");
            column = width;
        }
        file.Write(item);
    }

    const std::int32_t result = file.Close();
    TraceDiscard();
    return result;
}

void TSioTraceStore::TraceReset() {
    index_ = 0;
    wrapped_ = false;
}

void TSioTraceStore::TraceDiscard() {
    tracing_ = false;
    std::vector<Entry>().swap(ring_);
    TraceReset();
}

void TSioTraceStore::TraceResume() { tracing_ = Exists(); }

void TSioTraceStore::TracePause() { tracing_ = false; }
