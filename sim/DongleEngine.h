#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "SimPeer.h"

namespace sim {

struct InquiryDevice {
    std::string address;  // 12 hexadecimal digits
    std::string name;     // friendly name, at least 8 characters so the line is a result line
};

struct DongleSettings {
    std::vector<InquiryDevice> devices = {{"00126F3A41C2", "Tester A1234"},
                                          {"5C313E0B9A42", "Yard tablet"},
                                          {"D8A01D4F0021", "Depot laptop"}};
    std::chrono::milliseconds firstResult{800};     // from the inquiry to the first result
    std::chrono::milliseconds resultInterval{900};  // between further results
    std::chrono::milliseconds escapeGuard{1000};    // silence that also makes "+++" an escape
};

// A Bluetooth serial dongle in front of the instrument. In command mode it answers AT commands
// with "OK" or "ERROR" lines and reports the devices an inquiry finds, one line each
// ("00126F3A41C2,Tester A1234"), trickling in over a few seconds. "ATD" connects: from then on
// bytes pass through to the instrument until "+++" returns to command mode. In data mode "+++"
// counts as the escape only straight after a carriage return, where no command frame is in
// progress, or after a second of silence, as modems do; so register text containing "+++"
// still reaches the instrument.
class DongleEngine : public SimPeer {
public:
    DongleEngine(SimPeer& instrument, DongleSettings settings = {});

    std::vector<Output> Receive(std::string_view bytes, TimePoint now) override;
    std::vector<Output> Due(TimePoint now) override;
    std::optional<TimePoint> NextDue() const override;

    bool Connected() const { return connected_; }
    bool InDataMode() const { return dataMode_; }

private:
    struct Scheduled {
        TimePoint at;
        std::string line;
    };

    void CommandByte(char c, TimePoint now, std::vector<Output>& outputs);
    void DataByte(char c, TimePoint now, std::vector<Output>& outputs);
    std::string Execute(const std::string& command, TimePoint now);
    void Forward(std::string_view bytes, TimePoint now, std::vector<Output>& outputs);

    SimPeer& instrument_;
    DongleSettings settings_;
    std::string line_;
    std::vector<Scheduled> pending_;
    bool connected_ = false;
    bool dataMode_ = false;
    bool atBoundary_ = true;  // data mode: nothing but "+" since the last carriage return
    int heldPlus_ = 0;
    TimePoint lastDataAt_{};
};

}  // namespace sim
