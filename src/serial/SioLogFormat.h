#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// The text of the dispatch-log file: its header and one line (or more, when the data wraps)
// per record. Pure functions; the store supplies the records.

struct TSioLogRecordHeader {
    std::uint8_t type = 0;
    std::uint8_t subtype = 0;
    std::uint32_t timeMs = 0;
    std::uint32_t otherData = 0;
    std::uint32_t length = 0;
};

// The header lines, each ending in CR LF. `systemText` names the running system, `comNumber`
// the device, `localTime` the moment of writing.
std::string LogHeaderText(const std::string& systemText, int comNumber, const std::tm& localTime);

// The running system as the header shows it: kernel name and release ("Linux 6.1.0-18-amd64"),
// or "Windows" and its version ("Windows 10.0.19045"); "Unknown" when the system does not say.
std::string LogSystemText();

// Appends the lines of one record, ending in CR LF. `data` holds header.length bytes.
void AppendLogRecordText(std::string& out, const TSioLogRecordHeader& header,
                         const std::uint8_t* data, bool hexMode, bool allHex);
