#include "Replies.h"

#include "InstrumentHex.h"

namespace instrument {

namespace {

int HexAt(std::string_view frame, std::size_t first) {
    return static_cast<int>(ParseHexField(Positions(frame, first, first + 1)));
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

char ReplyType(std::string_view frame) {
    return frame.size() >= 7 ? frame[6] : '\0';
}

std::string SerialOfReply(std::string_view frame) {
    return std::string(Positions(frame, 8, 12));
}

bool InstrumentTime::IsValid() const {
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) &&
           hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

InstrumentTime TimeOfReply(std::string_view frame) {
    return {2000 + HexAt(frame, 8), HexAt(frame, 10), HexAt(frame, 12), HexAt(frame, 14),
            HexAt(frame, 16)};
}

RegisterReply RegisterOfReply(std::string_view frame) {
    return {static_cast<std::uint16_t>(ParseHexField(Positions(frame, 8, 11))),
            std::string(Positions(frame, 12, 27))};
}

InfoReply InfoOfReply(std::string_view frame) {
    const std::uint32_t code = ParseHexField(Positions(frame, 8, 11)) - 0x8000u;
    return {static_cast<std::uint16_t>(code), std::string(Positions(frame, 12, frame.size()))};
}

std::string SoftwareVersionCaption(const InfoReply& reply) {
    return reply.Text.substr(0, 16);
}

std::string InstrumentTypeCaption(const InfoReply& reply) {
    if (reply.Text.empty() || reply.Text[0] != 'i') return std::string(12, '_');
    return reply.Text.substr(1, 15);
}

}  // namespace instrument
