// The trace and the dispatch log written out after any sequence of entries and records, in any
// ring size and rendering mode. The trace file holds the most recent entries in order, one
// titled section per run of one kind, lines broken only where the next item no longer fits in
// 78 columns. The log file holds the most recent whole records, oldest first, each after its
// prefix (44 columns until the time needs more) with its data wrapped the same way, counted from
// column 45, on lines indented by 44 blanks.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "SioByteRender.h"
#include "SioLogRecords.h"
#include "SioLogStore.h"
#include "SioTraceStore.h"

namespace {

constexpr std::size_t kLineWidth = 78;
constexpr std::size_t kPrefixWidth = 44;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> Items(const std::string& bytes, bool hexMode, bool allHex) {
    std::vector<std::string> items;
    for (const char b : bytes) {
        std::string item;
        const int width = AppendRenderedByte(item, static_cast<std::uint8_t>(b), hexMode, allHex);
        FUZZ_CHECK(static_cast<std::size_t>(width) == item.size());
        items.push_back(item);
    }
    return items;
}

// The data lines `first` to `first + count - 1` hold `items` in order after `skipFirst` and
// (indented by blanks) `skipRest` characters. Columns count from `startColumn`; a line holds
// what fits in 78 columns and is broken only where the next item would not fit.
void CheckWrapped(const std::vector<std::string>& lines, std::size_t first, std::size_t count,
                  const std::vector<std::string>& items, std::size_t skipFirst,
                  std::size_t skipRest, std::size_t startColumn) {
    std::size_t next = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& line = lines[first + i];
        const std::size_t skip = i == 0 ? skipFirst : skipRest;
        FUZZ_CHECK(line.size() >= skip);
        if (i > 0) FUZZ_CHECK(line.find_first_not_of(' ') >= skip);
        std::size_t column = startColumn;
        for (std::size_t at = skip; at < line.size(); ++next) {
            FUZZ_CHECK(next < items.size() &&
                       line.compare(at, items[next].size(), items[next]) == 0);
            at += items[next].size();
            column += items[next].size();
            FUZZ_CHECK(column <= kLineWidth);
        }
        if (i + 1 < count)
            FUZZ_CHECK(next < items.size() && column + items[next].size() > kLineWidth);
    }
    FUZZ_CHECK(next == items.size());
}

void FuzzTrace(FuzzedDataProvider& data) {
    TSioTraceStore trace;
    const auto capacity = data.ConsumeIntegralInRange<std::size_t>(1, 300);
    FUZZ_CHECK(trace.TraceOpen(static_cast<std::int32_t>(capacity)) == 0);
    std::deque<std::pair<char, char>> kept;
    for (int n = data.ConsumeIntegralInRange(0, 600); n > 0 && data.remaining_bytes() > 0; --n) {
        switch (data.ConsumeIntegralInRange(0, 40)) {
            case 0:
                trace.TraceReset();
                kept.clear();
                break;
            case 1:
                trace.TracePause();
                break;
            case 2:
                trace.TraceResume();
                break;
            default: {
                const char kind = data.PickValueInArray({'R', 'T', 'X'});
                const char byte = data.ConsumeIntegral<char>();
                if (trace.Tracing()) {
                    kept.emplace_back(kind, byte);
                    if (kept.size() > capacity) kept.pop_front();
                }
                trace.TraceRecord(kind, static_cast<std::uint8_t>(byte));
            }
        }
    }
    const bool hexMode = data.ConsumeBool();
    const bool allHex = data.ConsumeBool();
    const std::string path = FuzzFolder() + "/trace";
    std::remove(path.c_str());
    FUZZ_CHECK(trace.TraceWrite(path, false, hexMode, allHex) == 0);
    FUZZ_CHECK(!trace.Exists() && !trace.Tracing());
    std::string text;
    if (!ReadFuzzFile(path, text)) {
        FUZZ_CHECK(kept.empty());
        return;
    }
    const std::vector<std::string> lines = Lines(text);
    std::size_t line = 0;
    for (std::size_t i = 0; i < kept.size();) {
        const char kind = kept[i].first;
        std::string bytes;
        for (; i < kept.size() && kept[i].first == kind; ++i) bytes += kept[i].second;
        if (line > 0) FUZZ_CHECK(line < lines.size() && lines[line++].empty());
        const std::string title = kind == 'R'   ? "Receive: "
                                  : kind == 'T' ? "Transmit: "
                                                : std::string("Special-") + kind + ": ";
        FUZZ_CHECK(line < lines.size() && lines[line++] == title);
        std::size_t count = 0;
        while (line + count < lines.size() && !lines[line + count].empty()) ++count;
        CheckWrapped(lines, line, count, Items(bytes, hexMode, allHex), 0, 0, 0);
        line += count;
    }
    FUZZ_CHECK(line == lines.size());
}

struct Record {
    std::uint8_t type;
    std::uint8_t subtype;
    std::uint32_t otherData;
    std::string data;
    std::uint32_t timeMs = 0;
};

void FuzzLog(FuzzedDataProvider& data) {
    TSioLogStore log;
    log.SetSystemText("Fuzz");
    log.SetLocalTimeSource([] { return std::tm{}; });
    const auto capacity = data.ConsumeIntegralInRange<std::size_t>(0, 2000);
    FUZZ_CHECK(log.LogOpen(static_cast<std::int32_t>(capacity),
                           data.ConsumeIntegralInRange<std::int32_t>(-5, 3000)) == 0);
    const bool hexMode = data.ConsumeBool();
    const bool allHex = data.ConsumeBool();
    std::deque<Record> kept;
    std::size_t used = 0;
    for (int n = data.ConsumeIntegralInRange(0, 60); n > 0 && data.remaining_bytes() > 0; --n) {
        Record record{data.ConsumeIntegral<std::uint8_t>(), data.ConsumeIntegral<std::uint8_t>(),
                      data.ConsumeIntegral<std::uint32_t>(), data.ConsumeRandomLengthString(300)};
        // Raw characters of user records in all-hex mode could hold line ends of their own.
        if (allHex && record.type == sio::lgUser) record.type = 0;
        record.timeMs = data.ConsumeIntegral<std::uint32_t>();
        const bool noData = data.ConsumeIntegralInRange(0, 9) == 0;
        if (log.Logging() && capacity > sio::lgHeaderSize) {
            Record stored = record;
            stored.data.resize(
                noData ? 0 : std::min(record.data.size(), capacity - sio::lgHeaderSize - 1));
            while (used + sio::lgHeaderSize + stored.data.size() > capacity) {
                used -= sio::lgHeaderSize + kept.front().data.size();
                kept.pop_front();
            }
            used += sio::lgHeaderSize + stored.data.size();
            kept.push_back(stored);
        }
        log.LogRecord(record.type, record.subtype, record.timeMs, record.otherData,
                      noData ? nullptr : record.data.data(),
                      static_cast<std::uint32_t>(record.data.size()));
        if (data.ConsumeIntegralInRange(0, 30) == 0) {
            log.LogPause();
        } else if (data.ConsumeIntegralInRange(0, 5) == 0) {
            log.LogResume();
        }
    }
    const std::string path = FuzzFolder() + "/log";
    std::remove(path.c_str());
    FUZZ_CHECK(log.LogWrite(path, false, hexMode, allHex, 7) == 0);
    FUZZ_CHECK(!log.Exists() && !log.Logging());
    std::string text;
    if (!ReadFuzzFile(path, text)) {
        FUZZ_CHECK(kept.empty());
        return;
    }
    std::vector<std::string> lines = Lines(text);
    FUZZ_CHECK(lines.size() >= 8 && lines.back().empty() && lines[3] == "Device: COM7");
    lines.pop_back();
    std::size_t line = 7;
    for (const Record& record : kept) {
        FUZZ_CHECK(line < lines.size());
        const std::string& first = lines[line];
        // "%8s" of the seconds with three decimals, then the names and the other data.
        const std::size_t digits = std::max<std::size_t>(7, std::to_string(record.timeMs).size());
        const std::size_t prefix = std::max<std::size_t>(8, digits + 1) + kPrefixWidth - 8;
        char other[16];
        std::snprintf(other, sizeof other, "%08X  ", static_cast<unsigned>(record.otherData));
        FUZZ_CHECK(first.size() >= prefix && first.compare(prefix - 10, 10, other) == 0);
        std::size_t count = 1;
        while (line + count < lines.size() &&
               lines[line + count].compare(0, kPrefixWidth, std::string(kPrefixWidth, ' ')) == 0)
            ++count;
        const bool statusKind =
            record.subtype == sio::lgStatusTrigger && !record.data.empty() &&
            static_cast<std::uint8_t>(record.data[0]) <= 5 &&
            (record.type == sio::lgTriggerAlloc || record.type == sio::lgTriggerDispose);
        if (record.subtype != sio::lgModemStatus && !statusKind)
            CheckWrapped(lines, line, count, Items(record.data, hexMode, allHex), prefix,
                         kPrefixWidth, kPrefixWidth + 1);
        line += count;
    }
    FUZZ_CHECK(line == lines.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    if (data.ConsumeBool())
        FuzzTrace(data);
    else
        FuzzLog(data);
    return 0;
}
