#include "SioPortRules.h"

#include "SioErrorCodes.h"

namespace sio {

TFlowThresholds DeriveThresholds(TFlowThresholds current, std::uint16_t inSize, double fullShare,
                                 double resumeShare) {
    if (current.Full == 0 || current.Full > inSize)
        current.Full = static_cast<std::uint16_t>(inSize * fullShare);
    if (current.Resume == 0 || current.Resume > current.Full)
        current.Resume = static_cast<std::uint16_t>(inSize * resumeShare);
    return current;
}

// 90 % of the queue, not of the value: a level above the queue stays unusable otherwise.
std::uint16_t ClampBufferFull(std::uint16_t value, std::uint16_t inSize) {
    return value > inSize ? static_cast<std::uint16_t>(inSize * 0.9) : value;
}

std::uint16_t ClampBufferResume(std::uint16_t value, std::uint16_t full) {
    return value > full ? static_cast<std::uint16_t>(full * 0.1) : value;
}

std::uint32_t SoftwareFlowWord(TSWFlowOptions options) {
    switch (options) {
        case TSWFlowOptions::swfBoth:
            return 3;
        case TSWFlowOptions::swfTransmit:
            return 1;
        case TSWFlowOptions::swfReceive:
            return 2;
        case TSWFlowOptions::swfNone:
            break;
    }
    return 0;
}

std::uint32_t LineOptionsByte(bool dtr, bool rts, THWFlowOptionSet hardwareFlow) {
    std::uint32_t options = 0;
    if (dtr) options |= 0x01;
    if (rts) options |= 0x02;
    if (hardwareFlow & hwfUseDTR) options |= 0x10;
    if (hardwareFlow & hwfUseRTS) options |= 0x20;
    return options;
}

std::int32_t TranslateOpenResult(std::int32_t code) {
    if (code == -5) return ecAlreadyOpen;
    if (code == -2 || code == -3) return ecBadId;
    return code;
}

TTraceLogState ClosedTraceState(TTraceLogState requested) {
    return requested == TTraceLogState::tlOn ? TTraceLogState::tlOn : TTraceLogState::tlOff;
}

TTraceStep TraceTransition(TTraceLogState current, TTraceLogState requested) {
    using S = TTraceLogState;
    using A = TTraceAction;
    const bool active = current == S::tlOn || current == S::tlPause;
    switch (requested) {
        case S::tlOff:
            return {active ? A::Discard : A::None, S::tlOff};
        case S::tlOn:
            return {current == S::tlPause ? A::Resume : A::Start, S::tlOn};
        case S::tlDump:
            return {active ? A::ResumeAndWrite : A::None, S::tlOff};
        case S::tlAppend:
            return {active ? A::ResumeAndAppend : A::None, S::tlOff};
        case S::tlClear:
            return {active ? A::Reset : A::None, current};
        case S::tlPause:
            // Only a running trace can be paused; a paused state without a trace would later
            // "resume" into no recording at all.
            if (current == S::tlOn) return {A::Pause, S::tlPause};
            return {A::None, current};
    }
    return {A::None, current};
}

}  // namespace sio
