#pragma once

#include <string>

// Collects the lines a Bluetooth serial dongle sends, one character at a time. Control
// characters (codes 0 to 20, carriage return and line feed among them) are not stored; a
// carriage return ends the line. A line of more than 20 characters is a device found by an
// inquiry: characters 1 - 12 are its address, 14 - 31 its friendly name (character 13
// separates them). A shorter line is a status line; one that follows an "OK" or "ERROR" line
// means the dongle has answered, so its next command can follow sooner.
class TDongleLineCollector {
  public:
    // Nothing the dongle's lines are read for lies beyond this many characters; a dongle that
    // never ends a line cannot make the line grow without bound.
    static constexpr std::size_t kLongestLine = 31;

    struct Line {
        bool Ended = false;         // this character ended a line (the fields below apply)
        bool InquiryResult = false;
        std::string Text;           // the whole line
        std::string Address;        // inquiry results only
        std::string FriendlyName;   // inquiry results only
        bool Acknowledged = false;  // a status line after an "OK" or "ERROR" line
    };

    // Takes one character; `previousLine` is the last complete line since the last command.
    Line Feed(char c, const std::string& previousLine);
    void Clear() { DongleLine.clear(); }

    std::string DongleLine;  // the line being collected
};
