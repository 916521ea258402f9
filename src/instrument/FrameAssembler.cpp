#include "FrameAssembler.h"

bool TFrameAssembler::Feed(char c) {
    if (c == ':' && !FrameStarted) {
        // A new frame starts afresh, even when the last one is still held (two replies on the
        // line without a line feed between them).
        RxBuffer.clear();
        FrameStarted = true;
    }
    // The length cut applies to a frame being collected only: a long frame that has been cut
    // and handled is not handled again for every further character of the line.
    const bool complete = FrameStarted && (c == '\r' || RxBuffer.size() >= kLongestFrame);
    if (complete) {
        FrameStarted = false;
    } else if (FrameStarted) {
        RxBuffer += c;
    } else {
        RxBuffer.clear();
    }
    return complete;
}

void TFrameAssembler::Clear() {
    RxBuffer.clear();
    FrameStarted = false;
}
