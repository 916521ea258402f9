// The com port's rules that need no device.
#include <gtest/gtest.h>

#include "SioErrorCodes.h"
#include "SioPortRules.h"

using namespace sio;
using S = TTraceLogState;
using A = TTraceAction;

TEST(SioPortRules, FlowThresholdsAreDerivedOnlyWhenUnusable) {
    auto t = DeriveThresholds({0, 0}, 4096, 0.9, 0.1);
    EXPECT_EQ(t.Full, 3686);
    EXPECT_EQ(t.Resume, 409);
    t = DeriveThresholds({3000, 500}, 4096, 0.75, 0.25);
    EXPECT_EQ(t.Full, 3000);
    EXPECT_EQ(t.Resume, 500);
    t = DeriveThresholds({5000, 4000}, 4096, 0.75,
                         0.25);  // full above the queue, resume above full
    EXPECT_EQ(t.Full, 3072);
    EXPECT_EQ(t.Resume, 1024);
    EXPECT_EQ(ClampBufferFull(5000, 4096), 3686);
    EXPECT_EQ(ClampBufferFull(4096, 4096), 4096);
    EXPECT_EQ(ClampBufferResume(300, 200), 20);
    EXPECT_EQ(ClampBufferResume(200, 200), 200);
}

TEST(SioPortRules, OpenOptionsAndFailures) {
    EXPECT_EQ(LineOptionsByte(true, true, 0), 0x03u);
    EXPECT_EQ(LineOptionsByte(false, true, hwfUseDTR | hwfRequireCTS), 0x12u);
    EXPECT_EQ(LineOptionsByte(true, false, hwfUseRTS), 0x21u);
    EXPECT_EQ(SoftwareFlowWord(TSWFlowOptions::swfBoth), 3u);
    EXPECT_EQ(SoftwareFlowWord(TSWFlowOptions::swfReceive), 2u);
    EXPECT_EQ(TranslateOpenResult(-5), ecAlreadyOpen);
    EXPECT_EQ(TranslateOpenResult(-2), ecBadId);
    EXPECT_EQ(TranslateOpenResult(-3), ecBadId);
    EXPECT_EQ(TranslateOpenResult(-13), -13);
    EXPECT_EQ(TranslateOpenResult(0), 0);
}

TEST(SioPortRules, TraceStateTransitions) {
    EXPECT_EQ(ClosedTraceState(S::tlPause), S::tlOff);
    EXPECT_EQ(ClosedTraceState(S::tlOn), S::tlOn);

    auto step = [](S current, S requested) {
        const TTraceStep s = TraceTransition(current, requested);
        return std::pair(s.Action, s.Result);
    };
    EXPECT_EQ(step(S::tlOff, S::tlOn), std::pair(A::Start, S::tlOn));
    EXPECT_EQ(step(S::tlPause, S::tlOn), std::pair(A::Resume, S::tlOn));
    EXPECT_EQ(step(S::tlOn, S::tlOn), std::pair(A::Start, S::tlOn));  // forced at open
    EXPECT_EQ(step(S::tlOn, S::tlOff), std::pair(A::Discard, S::tlOff));
    EXPECT_EQ(step(S::tlOff, S::tlOff), std::pair(A::None, S::tlOff));
    EXPECT_EQ(step(S::tlPause, S::tlDump), std::pair(A::ResumeAndWrite, S::tlOff));
    EXPECT_EQ(step(S::tlOn, S::tlAppend), std::pair(A::ResumeAndAppend, S::tlOff));
    EXPECT_EQ(step(S::tlOff, S::tlDump), std::pair(A::None, S::tlOff));
    EXPECT_EQ(step(S::tlOn, S::tlClear), std::pair(A::Reset, S::tlOn));
    EXPECT_EQ(step(S::tlOn, S::tlPause), std::pair(A::Pause, S::tlPause));
    // Pausing needs a running trace.
    EXPECT_EQ(step(S::tlOff, S::tlPause), std::pair(A::None, S::tlOff));
}
