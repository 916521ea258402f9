// The window's serial port and its activity lights.
#include <QString>

#include "ErrorInfo.h"
#include "MessageBox.h"
#include "SioExceptionDisplay.h"
#include "SioQtGlue.h"
#include "SioStatusLight.h"
#include "TMainForm.h"

void TMainForm::CreateSerialComponents() {
    // The port's events run on this thread; what a handler lets escape is shown like every
    // other message of the program.
    InstallSioQtGlue();
    SetSioExceptionDisplay(
        [](const std::string& text) { ShowMessage(QString::fromLocal8Bit(text)); });

    SioComPort1.SetBaud(9600);
    SioComPort1.SetTraceName("SERIAL.TRC");
    SioComPort1.SetLogName("SERIAL.LOG");
    SioComPort1.OnPortOpen = {this, &TMainForm::SioComPort1PortOpen};

    SioSLController1.Lights().SetTXDLight(LightTX);
    SioSLController1.Lights().SetRXDLight(LightRX);
}

void TMainForm::SioComPort1PortOpen(TSioPort) {
    SioSLController1.SetMonitoring(true);
}

void TMainForm::CloseSerialPort() {
    try {
        SioComPort1.SetOpen(false);
    } catch (...) {
        ShowMessage(DescribeCurrentException().message);
    }
}
