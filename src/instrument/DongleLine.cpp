#include "DongleLine.h"

namespace {

constexpr unsigned char kLastControlCode = 20;
constexpr std::size_t kLongestStatusLine = 20;
constexpr std::size_t kAddressLength = 12;
constexpr std::size_t kNameStart = 13;  // 0-based: character 14
constexpr std::size_t kNameLength = 18;

}  // namespace

TDongleLineCollector::Line TDongleLineCollector::Feed(char c, const std::string& previousLine) {
    if (static_cast<unsigned char>(c) > kLastControlCode && DongleLine.size() < kLongestLine)
        DongleLine += c;
    Line line;
    if (c != '\r') return line;
    line.Ended = true;
    line.Text = std::move(DongleLine);
    DongleLine.clear();
    if (line.Text.size() > kLongestStatusLine) {
        line.InquiryResult = true;
        line.Address = line.Text.substr(0, kAddressLength);
        line.FriendlyName = line.Text.substr(kNameStart, kNameLength);
    } else {
        line.Acknowledged = previousLine == "OK" || previousLine == "ERROR";
    }
    return line;
}
