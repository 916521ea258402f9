#include "ConversationLog.h"

#include <cstdio>

#include "SimFraming.h"

namespace sim {

namespace {

// Bytes without a line end (noise, a stuck sender) are printed in pieces of this size.
constexpr std::size_t kLongestLine = 200;

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

ConversationLog::ConversationLog(std::ostream& out, Clock::time_point start)
    : out_(out), start_(start) {}

void ConversationLog::Traffic(Direction direction, std::string_view bytes) {
    if (direction != direction_) {
        Flush();
        direction_ = direction;
    }
    for (const char c : bytes) {
        // A line ends after its carriage return and line feed, when the next text begins.
        if ((!IsLineEnd(c) && !pending_.empty() && IsLineEnd(pending_.back())) ||
            pending_.size() >= kLongestLine)
            Flush();
        if (pending_.empty()) pendingSince_ = Clock::now();
        pending_ += c;
    }
}

void ConversationLog::Note(const std::string& text) {
    Flush();
    out_ << Stamp(Clock::now()) << " -- " << text << '\n' << std::flush;
}

void ConversationLog::Flush() {
    if (pending_.empty()) return;
    Print(direction_, pending_);
    pending_.clear();
}

void ConversationLog::Print(Direction direction, const std::string& bytes) {
    out_ << Stamp(pendingSince_) << (direction == Direction::FromComputer ? " >> " : " << ")
         << ShowBytes(bytes) << '\n'
         << std::flush;
}

std::string ConversationLog::Stamp(Clock::time_point at) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(at - start_).count();
    char text[32];
    std::snprintf(text, sizeof text, "%4lld.%03lld", static_cast<long long>(elapsed / 1000),
                  static_cast<long long>(elapsed % 1000));
    return text;
}

}  // namespace sim
