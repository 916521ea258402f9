#pragma once

#include <string>

// Collects a reply frame from the characters of the line, one at a time. A frame starts with
// ":" and ends at its carriage return, which is not stored; a frame that never ends is cut once
// 33 characters are stored, and the character that arrives then is lost. Characters outside a
// frame (a line feed after the carriage return, noise) are dropped. The completed frame stays
// in RxBuffer until the next character outside a frame arrives or Clear() is called.
class TFrameAssembler {
  public:
    static constexpr std::size_t kLongestFrame = 33;

    // True when this character completed a frame: RxBuffer then holds it for checking.
    bool Feed(char c);
    // Forgets the frame being collected (a new command is going out).
    void Clear();

    std::string RxBuffer;       // the frame being collected, from its ":"
    bool FrameStarted = false;  // a ":" has arrived and characters are being collected
};
