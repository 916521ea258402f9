#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <string_view>

namespace sim {

// The conversation as a person reads it: one line per frame or dongle line, with the time since
// the start, the direction (">>" from the computer, "<<" from the simulated device) and control
// characters shown as "[0D]". Notes explain why a frame got no reply.
class ConversationLog {
public:
    using Clock = std::chrono::steady_clock;

    explicit ConversationLog(std::ostream& out, Clock::time_point start = Clock::now());

    void FromComputer(std::string_view bytes) { Traffic(Direction::FromComputer, bytes); }
    void ToComputer(std::string_view bytes) { Traffic(Direction::ToComputer, bytes); }
    void Note(const std::string& text);

    // A line still waiting for its end (or for more bytes after its terminator).
    bool HasPending() const { return !pending_.empty(); }
    // Prints what is pending, as after a pause on the line.
    void Flush();

private:
    enum class Direction { FromComputer, ToComputer };

    void Traffic(Direction direction, std::string_view bytes);
    void Print(Direction direction, const std::string& bytes);
    std::string Stamp(Clock::time_point at) const;

    std::ostream& out_;
    Clock::time_point start_;
    Direction direction_ = Direction::FromComputer;
    std::string pending_;
    Clock::time_point pendingSince_{};
};

}  // namespace sim
