#include "WireFloor.h"

#include "CommandFrame.h"
#include "CvInterceptors.h"
#include "InstrumentEngine.h"
#include "SequencerTables.h"
#include "TMainForm.h"

namespace {

constexpr double kReplyPacingMs = 20;
constexpr double kConnectWaitMs = 10 * 100;
const std::string kSerial = sim::InstrumentIdentity{}.serial;

// The instrument's reply to one command frame (empty when it would not answer).
std::size_t ReplyBytes(sim::InstrumentEngine& engine, const std::string& command) {
    const std::vector<std::string> replies = engine.Feed(command);
    return replies.empty() ? 0 : replies.front().size();
}

}  // namespace

double WireFloor::ExchangeMs(std::size_t commandBytes, std::size_t replyBytes) const {
    // One start bit, eight data bits, one stop bit.
    const double wireMs = static_cast<double>(commandBytes + replyBytes) * 10 * 1000 /
                          static_cast<double>(timing_.baud);
    return wireMs + static_cast<double>(timing_.turnaround.count()) + kReplyPacingMs;
}

double WireFloor::ConnectMs() const {
    sim::InstrumentEngine engine;
    double total = kConnectWaitMs;
    for (std::uint16_t step = 0; step < instrument::kLastConnectStep; ++step) {
        // The serial number query goes out before the instrument is known.
        const std::string serial = step == 0 ? "?####" : kSerial;
        const std::string payload = step == instrument::kSetClockStep
                                        ? instrument::ClockPayload(2026, 1, 2, 3, 4, 5)
                                        : std::string(*instrument::FixedStepPayload(step));
        const std::string command = instrument::FrameCommand(serial, payload);
        total += ExchangeMs(command.size(), ReplyBytes(engine, command));
    }
    return total;
}

double WireFloor::TransferMs(const TMainForm& form, int page, bool write) const {
    const instrument::TransferList* transfer = instrument::TransferOfPage(page);
    if (transfer == nullptr) return 0;
    sim::InstrumentEngine engine;
    double total = 0;
    for (std::uint16_t count = transfer->StartCount; count-- > 0;) {
        const instrument::TransferEntry entry = instrument::EntryOfTransfer(*transfer, count);
        const std::string payload =
            write ? instrument::WritePayload(entry, form.Grid(entry.List)->Cell(entry.Entry))
                  : instrument::ReadPayload(entry.Register);
        const std::string command = instrument::FrameCommand(kSerial, payload);
        total += ExchangeMs(command.size(), ReplyBytes(engine, command));
    }
    return total;
}
