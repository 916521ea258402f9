#include <algorithm>

#include "SioExcept.h"
#include "SioPort.h"
#include "SioPortRules.h"

// The Tracing and Logging properties drive the dispatcher's trace and dispatch-log stores.

namespace {

// The trace and the log differ only in the store they drive and the settings they use.
struct TStoreCalls {
    std::int32_t (TSioBaseDispatcher::*open)(std::int32_t);
    std::int32_t (TSioBaseDispatcher::*write)(const std::string&, bool, bool, bool);
    void (TSioBaseDispatcher::*reset)();
    void (TSioBaseDispatcher::*discard)();
    void (TSioBaseDispatcher::*resume)();
    void (TSioBaseDispatcher::*pause)();
};

const TStoreCalls TraceCalls{&TSioBaseDispatcher::TraceOpen,   &TSioBaseDispatcher::TraceWrite,
                             &TSioBaseDispatcher::TraceReset,  &TSioBaseDispatcher::TraceDiscard,
                             &TSioBaseDispatcher::TraceResume, &TSioBaseDispatcher::TracePause};
const TStoreCalls LogCalls{&TSioBaseDispatcher::LogOpen,   &TSioBaseDispatcher::LogWrite,
                           &TSioBaseDispatcher::LogReset,  &TSioBaseDispatcher::LogDiscard,
                           &TSioBaseDispatcher::LogResume, &TSioBaseDispatcher::LogPause};

}  // namespace

void TSioCustomComPort::SetTracing(TTraceLogState state) {
    ApplyTraceState(false, state);
}

void TSioCustomComPort::SetLogging(TTraceLogState state) {
    ApplyTraceState(true, state);
}

void TSioCustomComPort::ApplyTraceState(bool log, TTraceLogState requested) {
    TTraceLogState& current = log ? logging_ : tracing_;
    if (SkipUnchanged(requested == current)) return;
    TSioBaseDispatcher* d = OpenDispatcher();
    if (!d) {
        current = sio::ClosedTraceState(requested);
        return;
    }
    const TStoreCalls& calls = log ? LogCalls : TraceCalls;
    const std::uint32_t size = log ? logSize_ : traceSize_;
    const std::string& name = log ? logName_ : traceName_;
    const bool hex = log ? logHex_ : traceHex_;
    const bool allHex = log ? logAllHex_ : traceAllHex_;
    const sio::TTraceStep step = sio::TraceTransition(current, requested);
    switch (step.Action) {
        case sio::TTraceAction::None:
            break;
        case sio::TTraceAction::Discard:
            (d->*calls.discard)();
            break;
        case sio::TTraceAction::Start:
            CheckResult(this, (d->*calls.open)(static_cast<std::int32_t>(size)));
            break;
        case sio::TTraceAction::Resume:
            (d->*calls.resume)();
            break;
        case sio::TTraceAction::ResumeAndWrite:
        case sio::TTraceAction::ResumeAndAppend:
            (d->*calls.resume)();
            CheckResult(this,
                        (d->*calls.write)(name, step.Action == sio::TTraceAction::ResumeAndAppend,
                                          hex, allHex));
            break;
        case sio::TTraceAction::Reset:
            (d->*calls.reset)();
            break;
        case sio::TTraceAction::Pause:
            (d->*calls.pause)();
            break;
    }
    current = step.Result;
}

void TSioCustomComPort::SetTraceSize(std::uint32_t size) {
    size = std::min(size, sio::MaxTraceSize);
    if (size == traceSize_) return;
    traceSize_ = size;
    RestartStore(false);
}

void TSioCustomComPort::SetLogSize(std::uint32_t size) {
    size = std::min(size, sio::MaxLogSize);
    if (size == logSize_) return;
    logSize_ = size;
    RestartStore(true);
}

// A new size takes effect at once: a running store starts afresh at that size, a paused one
// is dropped.
void TSioCustomComPort::RestartStore(bool log) {
    TSioBaseDispatcher* d = OpenDispatcher();
    if (!d) return;
    const TStoreCalls& calls = log ? LogCalls : TraceCalls;
    TTraceLogState& current = log ? logging_ : tracing_;
    if (current == TTraceLogState::tlOn) {
        (d->*calls.discard)();
        CheckResult(this, (d->*calls.open)(static_cast<std::int32_t>(log ? logSize_ : traceSize_)));
    } else if (current == TTraceLogState::tlPause) {
        (d->*calls.discard)();
        current = TTraceLogState::tlOff;
    }
}
