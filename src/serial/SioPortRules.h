#pragma once

#include <cstdint>

#include "SioPortTypes.h"

// The com port's rules that need no device: flow-control thresholds, the open options, the
// translation of open failures and the trace/log state transitions.
namespace sio {

struct TFlowThresholds {
    std::uint16_t Full = 0;
    std::uint16_t Resume = 0;
};

// With flow control on, unusable thresholds are derived from the receive queue size: a full
// level of 0 or above `inSize` becomes inSize × fullShare, then a resume level of 0 or above the
// full level becomes inSize × resumeShare (both truncated).
TFlowThresholds DeriveThresholds(TFlowThresholds current, std::uint16_t inSize, double fullShare,
                                 double resumeShare);
// A full level above the queue size becomes 90 % of the queue; a resume level above the full
// level becomes 10 % of the full level.
std::uint16_t ClampBufferFull(std::uint16_t value, std::uint16_t inSize);
std::uint16_t ClampBufferResume(std::uint16_t value, std::uint16_t full);

std::uint32_t SoftwareFlowWord(TSWFlowOptions options);
// Bit 0 DTR on, bit 1 RTS on, bit 4 DTR used for handshake, bit 5 RTS used for handshake.
std::uint32_t LineOptionsByte(bool dtr, bool rts, THWFlowOptionSet hardwareFlow);

// Access denied (another program holds the port) becomes −2008, a missing device −2001.
std::int32_t TranslateOpenResult(std::int32_t code);

// What a closed port keeps of a requested state: only tlOff and tlOn.
TTraceLogState ClosedTraceState(TTraceLogState requested);

enum class TTraceAction {
    None,
    Discard,
    Start,
    Resume,
    ResumeAndWrite,
    ResumeAndAppend,
    Reset,
    Pause
};
struct TTraceStep {
    TTraceAction Action = TTraceAction::None;
    TTraceLogState Result = TTraceLogState::tlOff;
};
// An open port moving its trace (or log) from `current` to `requested`.
TTraceStep TraceTransition(TTraceLogState current, TTraceLogState requested);

}  // namespace sio
