#pragma once

#include <cstdint>
#include <span>

// The library's message texts: result-code messages and the texts of the dispatch log, one row
// per code, kept sorted by the absolute value of the code so that lookups can halve the range.
struct SioMessageNumberLookupRecord {
    std::int32_t Code;
    const char* Text;
};

// All rows, in lookup order.
std::span<const SioMessageNumberLookupRecord> SioMessageRows();

// The row text for the absolute value `magnitude`, or null when the table has no such row.
const char* SioMessageText(std::int32_t magnitude);

namespace sio {

// Where the dispatch-log texts sit in the table.
constexpr std::int32_t mtLogVersionPrefix = 15001;   // "SIO "
constexpr std::int32_t mtLogCompiler = 15002;        // "Compiler : "
constexpr std::int32_t mtLogUnknown = 15003;         // "Unknown"
constexpr std::int32_t mtLogSystem = 15004;          // "Operating System : "
constexpr std::int32_t mtLogDevice = 15005;          // "Device: "
constexpr std::int32_t mtLogDateTime = 15006;        // "Date/time: "
constexpr std::int32_t mtLogColumns = 15007;         // column titles
constexpr std::int32_t mtLogColumnRule = 15008;      // dashes under the titles
constexpr std::int32_t mtTraceReceive = 15011;       // "Receive: "
constexpr std::int32_t mtTraceTransmit = 15012;      // "Transmit: "
constexpr std::int32_t mtTraceSpecial = 15013;       // "Special-"
constexpr std::int32_t mtLogTypeBase = 15100;        // + record type (0..20)
constexpr std::int32_t mtLogSubtypeBase = 15200;     // + record subtype (0..19)
constexpr std::int32_t mtLogStatusKindBase = 15300;  // + status trigger kind (0..5)
constexpr std::int32_t mtLogModemBitBase = 15400;    // + modem status bit (0..7)

}  // namespace sio
