#include "SioLogFormat.h"

#include <cstdio>

#include "SioByteRender.h"
#include "SioLogRecords.h"
#include "SioMessageTable.h"

namespace {

constexpr std::size_t kMaxHeaderValue = 80;
constexpr const char* kVersion = "v1.00";
// Data items start after the 44-column prefix; the column count of a data line stays within 78.
constexpr int kDataStartColumn = 45;
constexpr int kDataLineWidth = 78;
constexpr int kPrefixWidth = 44;
constexpr std::uint8_t kLastStatusKind = 5;

std::string Text(std::int32_t code) {
    const char* text = SioMessageText(code);
    return text ? text : "";
}

std::string Cut(std::string text) {
    if (text.size() > kMaxHeaderValue) text.resize(kMaxHeaderValue);
    return text;
}

std::string Line(std::string text) { return text + "\r\n"; }

// Milliseconds as seconds with three decimals: 1234 -> "0001.234".
std::string SecondsText(std::uint32_t ms) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%07u", static_cast<unsigned>(ms));
    std::string text = digits;
    text.insert(text.size() - 3, ".");
    return text;
}

std::string ModemBitNames(std::uint32_t bits) {
    std::string names;
    for (int bit = 0; bit < 8; ++bit)
        if (bits & (1u << bit)) names += Text(sio::mtLogModemBitBase + bit);
    const auto first = names.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return names.substr(first, names.find_last_not_of(' ') - first + 1);
}

bool IsStatusTriggerChange(const TSioLogRecordHeader& header) {
    return header.subtype == sio::lgStatusTrigger &&
           (header.type == sio::lgTriggerAlloc || header.type == sio::lgTriggerDispose);
}

void AppendData(std::string& out, const TSioLogRecordHeader& header, const std::uint8_t* data,
                bool hexMode, bool allHex) {
    const bool asCharacters = allHex && header.type == sio::lgUser;
    int column = kDataStartColumn;
    std::string item;
    for (std::uint32_t i = 0; i < header.length; ++i) {
        item.clear();
        int width = 1;
        if (asCharacters)
            item.push_back(static_cast<char>(data[i]));
        else
            width = AppendRenderedByte(item, data[i], hexMode, allHex);
        column += width;
        if (column > kDataLineWidth) {
            out += "\r\n";
            out.append(kPrefixWidth, ' ');
            column = kDataStartColumn + width;
        }
        out += item;
    }
}

}  // namespace

std::string LogHeaderText(const std::string& systemText, int comNumber, const std::tm& localTime) {
    char device[32];
    std::snprintf(device, sizeof device, "COM%d", comNumber);
    char when[64];
    std::snprintf(when, sizeof when, "%02d/%02d/%02d, %02d:%02d:%02d", localTime.tm_mday,
                  localTime.tm_mon + 1, (localTime.tm_year + 1900) % 100, localTime.tm_hour,
                  localTime.tm_min, localTime.tm_sec);
    return Line(Text(sio::mtLogVersionPrefix) + kVersion) +
           Line(Text(sio::mtLogCompiler) + Text(sio::mtLogUnknown)) +
           Line(Text(sio::mtLogSystem) + Cut(systemText)) +
           Line(Text(sio::mtLogDevice) + device) +
           Line(Text(sio::mtLogDateTime) + Cut(when)) + Line(Text(sio::mtLogColumns)) +
           Line(Text(sio::mtLogColumnRule));
}

void AppendLogRecordText(std::string& out, const TSioLogRecordHeader& header,
                         const std::uint8_t* data, bool hexMode, bool allHex) {
    const std::string type =
        header.type <= sio::lgLastType ? Text(sio::mtLogTypeBase + header.type) : "";
    const std::string subtype =
        header.subtype <= sio::lgLastSubtype ? Text(sio::mtLogSubtypeBase + header.subtype) : "";
    char prefix[128];
    const int width = std::snprintf(prefix, sizeof prefix, "%8s  %-8s  %-12s  %08X  ",
                                    SecondsText(header.timeMs).c_str(), type.c_str(),
                                    subtype.c_str(), static_cast<unsigned>(header.otherData));
    out.append(prefix, static_cast<std::size_t>(width));

    if (header.length > 0) {
        if (IsStatusTriggerChange(header) && data[0] <= kLastStatusKind)
            out += Text(sio::mtLogStatusKindBase + data[0]);
        else
            AppendData(out, header, data, hexMode, allHex);
    }
    if (header.subtype == sio::lgModemStatus)
        out += " (" + ModemBitNames(header.otherData) + ")";
    out += "\r\n";
}
