// The window's serial port and its two activity lights, on a scripted device.
#include <QImage>
#include <stdexcept>

#include "FakePortFixture.h"
#include "QtWaitUntil.h"
#include "SioStatusLight.h"

namespace {

class MainFormSerialTest : public FakePortFormTest {};

}  // namespace

TEST_F(MainFormSerialTest, PortAndLightsAreSetUpAsTheWindowPlacesThem) {
    EXPECT_EQ(form->SioComPort1.Baud(), 9600);
    EXPECT_EQ(form->SioComPort1.TraceName(), "SERIAL.TRC");
    EXPECT_EQ(form->SioComPort1.LogName(), "SERIAL.LOG");
    EXPECT_EQ(form->SioComPort1.Tracing(), TTraceLogState::tlOff);
    EXPECT_FALSE(form->SioComPort1.Open());
    EXPECT_EQ(form->SioSLController1.ComPort(), &form->SioComPort1);
    EXPECT_EQ(form->SioSLController1.Lights().TXDLight(), form->LightTX);
    EXPECT_EQ(form->SioSLController1.Lights().RXDLight(), form->LightRX);
    EXPECT_EQ(form->SioSLController1.Lights().CTSLight(), nullptr);

    const QColor face = form->palette().color(QPalette::Button);
    EXPECT_EQ(form->LightTX->geometry(), QRect(3, 2, 13, 13));
    EXPECT_EQ(form->LightRX->geometry(), QRect(22, 2, 13, 13));
    EXPECT_EQ(form->LightTX->LitColor(), QColor(0, 128, 0));
    EXPECT_EQ(form->LightRX->LitColor(), QColor(255, 0, 0));
    for (TSioStatusLight* light : {form->LightTX, form->LightRX}) {
        EXPECT_EQ(light->NotLitColor(), face);
        const QImage dark = light->grab().toImage();
        EXPECT_EQ(QColor(dark.pixel(6, 6)), face);
    }
}

TEST_F(MainFormSerialTest, OpeningSwitchesMonitoringOnAndTheLightsFollowTraffic) {
    std::vector<bool> rxLitInHandler;
    std::string received;
    form->SioComPort1.OnTriggerAvail = [&](TSioPort port, std::uint16_t count) {
        rxLitInHandler.push_back(form->LightRX->Lit());
        while (count--) received.push_back(port->ReadChar());
    };
    form->SioComPort1.SetOpen(true);
    EXPECT_TRUE(form->SioSLController1.Monitoring());

    device->Arrive(":OK\r");
    ASSERT_TRUE(QtWaitUntil([&] { return received == ":OK\r"; }));
    EXPECT_EQ(rxLitInHandler, std::vector<bool>{true});
    EXPECT_TRUE(QtWaitUntil([&] { return !form->LightRX->Lit(); }));

    bool txSeenLit = false;
    form->SioComPort1.WriteString("!Q?####\r");
    ASSERT_TRUE(QtWaitUntil([&] { return txSeenLit = txSeenLit || form->LightTX->Lit(); }));
    EXPECT_TRUE(QtWaitUntil([&] { return !form->LightTX->Lit(); }));
    EXPECT_EQ(device->Sent(), "!Q?####\r");

    // Closing the window closes the port and leaves the lights dark.
    form->FormClose();
    EXPECT_FALSE(form->SioComPort1.Open());
    EXPECT_FALSE(form->LightTX->Lit());
    EXPECT_FALSE(form->LightRX->Lit());
}

TEST_F(MainFormSerialTest, AFailingPortHandlerIsShownAsAMessage) {
    form->SioComPort1.OnTriggerAvail = [](TSioPort port, std::uint16_t count) {
        while (count--) port->ReadChar();
        throw EBufferIsEmpty(-3007);
    };
    form->SioComPort1.SetOpen(true);
    device->Arrive("x");
    ASSERT_TRUE(QtWaitUntil([&] { return !messages.Messages().isEmpty(); }));
    EXPECT_EQ(messages.Take(), QStringList{"Buffer is empty"});
    form->SioComPort1.SetOpen(false);
}
