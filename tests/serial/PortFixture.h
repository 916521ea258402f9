#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeSerialDevice.h"
#include "SioExceptionDisplay.h"
#include "SioNotifier.h"
#include "SioPort.h"
#include "WaitUntil.h"

// A com port whose dispatchers run the real worker threads over a scripted device. The port's
// events reach the test thread through the plain message loop, pumped while the test waits.
class PortFixture : public ::testing::Test {
  protected:
    PortFixture() {
        port.SetComNumber(1);
        port.SetDispatcherFactory([this](TSioCustomComPort& owner) {
            auto device = std::make_unique<TFakeSerialDevice>(nullptr, true);
            device->openResult = nextOpenResult;
            device->holdOutput = holdOutput;
            opened.push_back("COM" + std::to_string(owner.ComNumber()));
            this->device = device.get();
            return std::unique_ptr<TSioBaseDispatcher>(std::move(device));
        });
        previousDisplay =
            SetSioExceptionDisplay([this](const std::string& text) { shown.push_back(text); });
    }
    ~PortFixture() override { SetSioExceptionDisplay(previousDisplay); }

    // Waits for a condition while this thread delivers the port's notifications.
    static bool Until(const std::function<bool()>& condition) {
        return WaitUntil(condition, std::chrono::seconds(10),
                         [] { TSioNotifier::PumpCallingThread(); });
    }

    TSioComPort port;
    TFakeSerialDevice* device = nullptr;  // the current dispatcher's device
    std::intptr_t nextOpenResult = 3;
    bool holdOutput = false;
    std::vector<std::string> opened;
    std::vector<std::string> shown;
    TSioExceptionDisplay previousDisplay;
};
