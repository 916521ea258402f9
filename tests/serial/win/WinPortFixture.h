#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "PeerLink.h"
#include "SioPort.h"

// The com port as the program uses it, on the Windows device layer, opened by number on a
// pseudo-terminal that the Linux side publishes to wine; the peer plays the far end. Every
// data-available notification reads all announced bytes into `received`.
class WinComPortTest : public ::testing::Test {
  protected:
    WinComPortTest();

    // Waits for `condition` while delivering the port's notifications.
    bool PumpUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Queues all of `bytes`, waiting (and delivering notifications) while the ring is full.
    void SendAll(const std::string& bytes);
    // Share of one core the whole process used over `window`, while delivering notifications.
    double CpuShareOver(std::chrono::milliseconds window);

    PeerLink peer;
    TSioComPort port;
    std::string received;
};

// CPU seconds the whole process has used so far.
double ProcessCpuSeconds();
// `count` bytes of the peer's pattern from `first` on.
std::string PatternBytes(std::uint64_t first, std::size_t count);
// The peer's hash of `bytes`.
std::uint64_t PeerHash(const std::string& bytes);
