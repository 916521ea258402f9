// The dongle line collector: any bytes, compared with a plain model of the line rules. A line
// holds the characters above code 20 since the last carriage return, at most 31 of them; a
// line of more than 20 is an inquiry result, split into address and friendly name; a shorter
// one is acknowledged when the line before it was "OK" or "ERROR".
#include <string>

#include "DongleLine.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    TDongleLineCollector collector;
    std::string model;
    std::string previous;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(bytes[i]);
        // A command going out forgets the line so far (a byte of 0xFF stands for one here).
        if (bytes[i] == 0xFF) {
            collector.Clear();
            model.clear();
            previous.clear();
            continue;
        }
        if (bytes[i] > 20 && model.size() < TDongleLineCollector::kLongestLine) model += c;
        const TDongleLineCollector::Line line = collector.Feed(c, previous);
        FUZZ_CHECK(collector.DongleLine.size() <= TDongleLineCollector::kLongestLine);
        FUZZ_CHECK(line.Ended == (c == '\r'));
        if (!line.Ended) {
            FUZZ_CHECK(collector.DongleLine == model);
            continue;
        }
        FUZZ_CHECK(line.Text == model && collector.DongleLine.empty());
        FUZZ_CHECK(line.InquiryResult == (model.size() > 20));
        if (line.InquiryResult) {
            FUZZ_CHECK(line.Address == model.substr(0, 12));
            FUZZ_CHECK(line.FriendlyName == model.substr(13, 18));
            FUZZ_CHECK(!line.Acknowledged);
        } else {
            FUZZ_CHECK(line.Address.empty() && line.FriendlyName.empty());
            FUZZ_CHECK(line.Acknowledged == (previous == "OK" || previous == "ERROR"));
        }
        previous = line.Text;
        model.clear();
    }
    return 0;
}
