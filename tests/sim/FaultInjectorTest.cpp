// Every reply fault does to a frame exactly what its name says, and only to the replies it is
// meant to hit.
#include <gtest/gtest.h>

#include <string>

#include "FaultInjector.h"

using namespace sim;

namespace {

// A register reply whose checksum has a letter, so the case faults can show.
const std::string kFrame = ":A123430010     7202-raM-130A\r";

Output Once(FaultSettings settings) {
    return FaultInjector(settings).Apply(kFrame);
}

bool IsSubsequence(const std::string& part, const std::string& whole) {
    std::size_t at = 0;
    for (const char c : whole)
        if (at < part.size() && part[at] == c) ++at;
    return at == part.size();
}

}  // namespace

TEST(FaultInjector, WithoutFaultsTheFrameGoesOutWhole) {
    const Output output = Once({});
    ASSERT_EQ(output.bursts.size(), 1u);
    EXPECT_EQ(output.bursts[0].bytes, kFrame);
    EXPECT_FALSE(output.hangUpAfter);
}

TEST(FaultInjector, CorruptsChecksumSerialAndTerminator) {
    FaultSettings bad;
    bad.badChecksum = true;
    EXPECT_EQ(Once(bad).Bytes(), ":A123430010     7202-raM-130B\r");

    FaultSettings lower;
    lower.lowerCaseChecksum = true;
    EXPECT_EQ(Once(lower).Bytes(), ":A123430010     7202-raM-130a\r");

    FaultSettings serial;
    serial.wrongCaseSerial = true;
    EXPECT_EQ(Once(serial).Bytes(), ":a123430010     7202-raM-130A\r");

    FaultSettings noReturn;
    noReturn.noCarriageReturn = true;
    EXPECT_EQ(Once(noReturn).Bytes(), kFrame.substr(0, kFrame.size() - 1));

    FaultSettings silent;
    silent.silent = true;
    EXPECT_TRUE(Once(silent).bursts.empty());
}

TEST(FaultInjector, SplitsDropsAndAddsNoiseBetweenFrames) {
    FaultSettings split;
    split.splitBursts = 3;
    const Output parts = Once(split);
    ASSERT_EQ(parts.bursts.size(), 3u);
    EXPECT_EQ(parts.Bytes(), kFrame);
    EXPECT_EQ(parts.bursts[0].pause.count(), 0);
    EXPECT_EQ(parts.bursts[1].pause, split.burstPause);
    EXPECT_EQ(parts.bursts[2].pause, split.burstPause);
    for (const auto& burst : parts.bursts) EXPECT_GE(burst.bytes.size(), 9u);

    FaultSettings drop;
    drop.dropBytes = 2;
    const std::string shortened = Once(drop).Bytes();
    EXPECT_EQ(shortened.size(), kFrame.size() - 2);
    EXPECT_TRUE(IsSubsequence(shortened, kFrame));

    FaultSettings noise;
    noise.noise = true;
    FaultInjector noisy(noise);
    for (int i = 0; i < 20; ++i) {
        const Output output = noisy.Apply(kFrame);
        ASSERT_EQ(output.bursts.size(), 2u);
        const std::string& junk = output.bursts[0].bytes;
        EXPECT_GE(junk.size(), 3u);
        EXPECT_EQ(junk.find_first_of(":!"), std::string::npos) << junk;
        EXPECT_EQ(output.bursts[1].bytes, kFrame);
        EXPECT_GT(output.bursts[1].pause.count(), 0);
    }
}

TEST(FaultInjector, HitsEveryNthReplyAndDropsTheLineAfterN) {
    FaultSettings settings;
    settings.badChecksum = true;
    settings.every = 3;
    settings.disconnectAfter = 4;
    FaultInjector faults(settings);
    const std::string clean[] = {faults.Apply(kFrame).Bytes(), faults.Apply(kFrame).Bytes()};
    EXPECT_EQ(clean[0], kFrame);
    EXPECT_EQ(clean[1], kFrame);
    EXPECT_NE(faults.Apply(kFrame).Bytes(), kFrame);  // the third
    const Output fourth = faults.Apply(kFrame);
    EXPECT_EQ(fourth.Bytes(), kFrame);
    EXPECT_TRUE(fourth.hangUpAfter);
    EXPECT_EQ(faults.Replies(), 4);
}
