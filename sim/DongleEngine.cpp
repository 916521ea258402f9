#include "DongleEngine.h"

#include <algorithm>
#include <cctype>

#include "SimFraming.h"

namespace sim {

namespace {

constexpr std::size_t kMaxCommandLine = 80;
const std::string kOk = "OK\r\n";
const std::string kError = "ERROR\r\n";

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\n");
    std::string result = text.substr(first, last - first + 1);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

}  // namespace

DongleEngine::DongleEngine(SimPeer& instrument, DongleSettings settings)
    : instrument_(instrument), settings_(std::move(settings)) {}

std::vector<Output> DongleEngine::Receive(std::string_view bytes, TimePoint now) {
    std::vector<Output> outputs;
    for (const char c : bytes) {
        if (dataMode_) {
            DataByte(c, now, outputs);
        } else {
            CommandByte(c, now, outputs);
        }
    }
    return outputs;
}

void DongleEngine::CommandByte(char c, TimePoint now, std::vector<Output>& outputs) {
    if (c == kCarriageReturn) {
        const std::string reply = Execute(Trimmed(line_), now);
        line_.clear();
        if (!reply.empty()) outputs.push_back(Output::Of(reply));
        return;
    }
    line_ += c;
    if (line_.size() >= 3 && line_.compare(line_.size() - 3, 3, "+++") == 0) {
        line_.clear();
        outputs.push_back(Output::Of(kOk));
    } else if (line_.size() > kMaxCommandLine) {
        line_.clear();
        outputs.push_back(Output::Of(kError));
    }
}

void DongleEngine::DataByte(char c, TimePoint now, std::vector<Output>& outputs) {
    const bool afterSilence = now - lastDataAt_ >= settings_.escapeGuard;
    if (c == '+' && (heldPlus_ > 0 || atBoundary_ || afterSilence)) {
        if (++heldPlus_ < 3) return;
        heldPlus_ = 0;
        dataMode_ = false;
        line_.clear();
        outputs.push_back(Output::Of(kOk));
        return;
    }
    if (heldPlus_ > 0) Forward(std::string(static_cast<std::size_t>(heldPlus_), '+'), now, outputs);
    heldPlus_ = 0;
    atBoundary_ = c == kCarriageReturn;
    lastDataAt_ = now;
    Forward(std::string_view(&c, 1), now, outputs);
}

void DongleEngine::Forward(std::string_view bytes, TimePoint now, std::vector<Output>& outputs) {
    for (auto& output : instrument_.Receive(bytes, now)) outputs.push_back(std::move(output));
}

std::string DongleEngine::Execute(const std::string& command, TimePoint now) {
    if (command.empty()) return {};
    if (command == "AT") return kOk;
    if (command == "AT+BTCANCEL") {
        pending_.clear();
        return kOk;
    }
    if (command == "ATH") {
        connected_ = false;
        return kOk;
    }
    if (command == "AT+BTINQ?") {
        pending_.clear();
        TimePoint at = now + settings_.firstResult;
        for (const auto& device : settings_.devices) {
            pending_.push_back({at, device.address + "," + device.name + "\r\n"});
            at += settings_.resultInterval;
        }
        return kOk;
    }
    if (command.rfind("ATD", 0) == 0) {
        pending_.clear();
        connected_ = dataMode_ = atBoundary_ = true;
        heldPlus_ = 0;
        return "CONNECT\r\n";
    }
    if (command == "ATO" && connected_) {
        dataMode_ = atBoundary_ = true;
        heldPlus_ = 0;
        return "CONNECT\r\n";
    }
    return kError;
}

std::vector<Output> DongleEngine::Due(TimePoint now) {
    std::vector<Output> outputs;
    while (!pending_.empty() && pending_.front().at <= now) {
        outputs.push_back(Output::Of(pending_.front().line));
        pending_.erase(pending_.begin());
    }
    for (auto& output : instrument_.Due(now)) outputs.push_back(std::move(output));
    return outputs;
}

std::optional<SimPeer::TimePoint> DongleEngine::NextDue() const {
    std::optional<TimePoint> next = instrument_.NextDue();
    if (!pending_.empty() && (!next || pending_.front().at < *next)) next = pending_.front().at;
    return next;
}

}  // namespace sim
