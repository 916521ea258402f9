#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeSerialDevice.h"
#include "SioMessageLoop.h"

// An open fake port whose notifications reach a message loop of the test thread, as the com
// port's own window would receive them. Each message is recorded and handed to `onMessage`.
class DispatcherFixture : public ::testing::Test {
  protected:
    DispatcherFixture()
        : loop([this](const TSioMessage& m) {
              received.push_back(m);
              if (onMessage) onMessage(m);
              return std::intptr_t{0};
          }) {}

    void SetUp() override {
        ASSERT_EQ(port.OpenDefault(), 0);
        port.AttachWindow(&loop);
        port.RecomputeHandlerNeed(1);
    }

    // Bytes arrive and the dispatcher thread's pass runs (here, on the test thread).
    void Arrive(const std::string& bytes) {
        port.Arrive(bytes);
        port.ServicePass();
    }

    std::string ReadAll(std::uint32_t count) {
        std::string text;
        for (std::uint32_t i = 0; i < count; ++i)
            text.push_back(static_cast<char>(port.ReadChar()));
        return text;
    }

    std::vector<std::uint32_t> Messages() const {
        std::vector<std::uint32_t> numbers;
        for (const auto& m : received) numbers.push_back(m.Msg);
        return numbers;
    }

    TFakeClock clock;
    TFakeSerialDevice port{&clock};
    TSioMessageLoop loop;
    std::vector<TSioMessage> received;
    std::function<void(const TSioMessage&)> onMessage;
};
