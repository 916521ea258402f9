#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "PtyPair.h"
#include "SioMessageLoop.h"
#include "SioMessages.h"
#include "SioPosixDispatcher.h"
#include "WaitUntil.h"

// A real dispatcher on the slave of a pseudo-terminal pair, its notifications going to a plain
// message loop of the test thread (as to the com port's window); the test plays the instrument
// on the master. By default every data-available notification reads all announced bytes.
class PosixPortTest : public ::testing::Test {
  protected:
    PosixPortTest();
    // Closed while what its notifications fill is still there; a handler set by the test body
    // may capture what died with it.
    ~PosixPortTest() override;

    std::int32_t Open(std::uint16_t outSize = 4096);
    // Waits for `condition` while delivering the port's notifications.
    bool PumpUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Queues all of `bytes`, waiting (and pumping) while the output ring has no room.
    void SendAll(const std::string& bytes);
    // Share of one core the whole process used over `window`, while pumping notifications.
    double CpuShareOver(std::chrono::milliseconds window);

    PtyPair pty;
    TSioMessageLoop loop;
    TSioPosixDispatcher port;
    std::string received;
    int availNotifications = 0;
    bool readInHandler = true;
    std::function<void(const TSioMessage&)> onMessage;
};
