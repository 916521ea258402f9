#include "SequencerTables.h"

#include "InstrumentHex.h"
#include "RegisterMap.h"

namespace instrument {

namespace {

constexpr std::uint16_t kBluetoothWriteStep = 86;
constexpr std::uint16_t kFriendlyBase = 211;  // friendly name n is register 219 + n = 211 + 8 + n
constexpr std::uint16_t kAddressBase = 40;

// By notebook page.
constexpr TransferList kTransfers[] = {
    {30, 35, kPlantList, 48, 99},   {40, 45, kTrailerList, 147, 70},
    {50, 55, kSiteList, 235, 16},   {70, 75, kBrakeList, 251, 4},
    {60, 65, kExaminerList, 227, 8}, {80, 85, kCompanyList, 255, 1},
    {kBluetoothWriteStep, 87, kAddressList, kAddressBase, 16},
};

}  // namespace

std::optional<std::string_view> FixedStepPayload(std::uint16_t step) {
    switch (step) {
        case 0: return "Q";
        case 2: return "E";
        case 3: return "30010";
        case 4: return "a8005";
        case 5: return "a8016";
        case kIdleStep: return "E";
        default: return std::nullopt;
    }
}

std::string ClockPayload(int year, int month, int day, int hour, int minute, int second) {
    std::string payload = "D";
    for (const int field : {year - 2000, month, day, hour, minute, second})
        payload += UpperHex(static_cast<unsigned>(field) & 0xFFu, 2);
    return payload;
}

const TransferList* TransferOfPage(int page) {
    if (page < 0 || page >= static_cast<int>(std::size(kTransfers))) return nullptr;
    return &kTransfers[page];
}

std::optional<TransferStep> TransferOfStep(std::uint16_t step) {
    for (const TransferList& transfer : kTransfers) {
        if (step == transfer.WriteStep) return TransferStep{&transfer, true};
        if (step == transfer.ReadStep) return TransferStep{&transfer, false};
    }
    return std::nullopt;
}

TransferEntry EntryOfTransfer(const TransferList& transfer, std::uint16_t entryCount) {
    if (transfer.WriteStep != kBluetoothWriteStep)
        return {transfer.List, entryCount,
                static_cast<std::uint16_t>(transfer.BaseRegister + entryCount), false};
    if (entryCount >= 8)
        return {kFriendlyList, entryCount - 8, static_cast<std::uint16_t>(kFriendlyBase + entryCount),
                false};
    return {kAddressList, entryCount, static_cast<std::uint16_t>(kAddressBase + entryCount), true};
}

std::string ReadPayload(std::uint16_t reg) {
    return "3" + UpperHex(reg, 4);
}

std::string WritePayload(const TransferEntry& entry, std::string_view gridText) {
    return "2" + UpperHex(entry.Register, 4) +
           (entry.Address ? EncodeAddress(gridText) : EncodeEntry(gridText));
}

}  // namespace instrument

namespace instrument {

std::optional<std::string_view> DongleCommand(std::uint16_t step) {
    switch (step) {
        case kSearchStep: return "+++";
        case kSearchStep + 1: return "AT+BTCANCEL\r";
        case kSearchStep + 2: return "ATH\r";
        case kSearchStep + 3: return "AT+BTINQ?\r";
        case kDongleConnectStep: return "AT+BTCANCEL\r";
        case kDongleConnectStep + 1: return "ATD\r";
        case kHangUpStep: return "+++";
        case kHangUpStep + 1: return "ATH\r";
        default: return std::nullopt;
    }
}

}  // namespace instrument
