#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The connection and transfer sequencer's tables. The sequencer is a numbered step: below 2000
// it talks to the instrument, from 2000 up to a Bluetooth dongle; 99 polls the clock.
//
// Connecting runs steps 0 to 6 and settles at 99: 0 "Q" (serial number), 1 "D" (set the clock),
// 2 "E" (read it back), 3 "30010" (calibration date, register 16), 4 "a8005" (software
// version), 5 "a8016" (instrument type), 6 nothing. A list transfer repeats its step once per
// entry, from the last entry down to entry 0.
namespace instrument {

inline constexpr std::uint16_t kSetClockStep = 1;
inline constexpr std::uint16_t kLastConnectStep = 6;
inline constexpr std::uint16_t kIdleStep = 99;
inline constexpr std::uint16_t kFirstDongleStep = 2000;

// The payload a fixed step sends (steps 0 and 2 to 5, and the idle poll 99); nothing for step 1,
// whose payload is the clock, and for every other step.
std::optional<std::string_view> FixedStepPayload(std::uint16_t step);

// "D" and the local date and time: year minus 2000, month, day, hour, minute, second.
std::string ClockPayload(int year, int month, int day, int hour, int minute, int second);

// One list's transfer. The Bluetooth page moves two lists in one transfer of 16 entries:
// friendly names 7 to 0 (registers 226 down to 219), then addresses 7 to 0 (47 down to 40).
struct TransferList {
    std::uint16_t WriteStep;
    std::uint16_t ReadStep;
    int List;
    std::uint16_t BaseRegister;
    std::uint16_t StartCount;
};

// The transfer of a notebook page (0 "Vehicle (Plant)" ... 6 "Bluetooth"); nothing for another.
const TransferList* TransferOfPage(int page);

// The transfer a step belongs to and whether it writes; nothing when the step is no transfer.
struct TransferStep {
    const TransferList* Transfer;
    bool Write;
};
std::optional<TransferStep> TransferOfStep(std::uint16_t step);

// The entry that a transfer moves when its count has been decreased to `entryCount`.
struct TransferEntry {
    int List;
    int Entry;
    std::uint16_t Register;
    bool Address;  // travels in the 13-character address form
};
TransferEntry EntryOfTransfer(const TransferList& transfer, std::uint16_t entryCount);

// "3" + the register (read) and "2" + the register + its text as it travels (write).
std::string ReadPayload(std::uint16_t reg);
std::string WritePayload(const TransferEntry& entry, std::string_view gridText);

}  // namespace instrument

// The Bluetooth dongle's steps. 2000 - 2004 search (the inquiry's results arrive while the
// sequencer waits at 2004), 2100 - 2102 connect to the device chosen and hand over to the
// instrument at step 0, 2200 - 2202 hang up before the window closes. AT commands go out as
// they stand: "+++" has no carriage return, and "ATD" carries no address.
namespace instrument {

inline constexpr std::uint16_t kSearchStep = 2000;
inline constexpr std::uint16_t kInquiryWaitStep = 2004;
inline constexpr std::uint16_t kDongleConnectStep = 2100;
inline constexpr std::uint16_t kHandOverStep = 2102;
inline constexpr std::uint16_t kHangUpStep = 2200;
inline constexpr std::uint16_t kCloseStep = 2202;

// The AT command a dongle step sends; nothing for the steps that send none.
std::optional<std::string_view> DongleCommand(std::uint16_t step);

}  // namespace instrument
