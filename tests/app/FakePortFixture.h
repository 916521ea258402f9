#pragma once

#include <memory>

#include "FakeSerialDevice.h"
#include "MainFormFixture.h"

// A main window whose port (COM 5) opens on a scripted device instead of a real one.
class FakePortFormTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        form->SioComPort1.SetComNumber(5);
        form->SioComPort1.SetDispatcherFactory([this](TSioCustomComPort&) {
            auto d = std::make_unique<TFakeSerialDevice>(nullptr, true);
            device = d.get();
            return std::unique_ptr<TSioBaseDispatcher>(std::move(d));
        });
    }

    TFakeSerialDevice* device = nullptr;  // the device of the port's current opening
};
