// Commands out, replies in: framing, the port's data event, the frame check and what each
// reply changes in the window.
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTimer>

#include "CommandFrame.h"
#include "CvInterceptors.h"
#include "EInOutError.h"
#include "ErrorInfo.h"
#include "FrameCheck.h"
#include "MessageBox.h"
#include "RegisterMap.h"
#include "Replies.h"
#include "SequencerTables.h"
#include "SioExcept.h"
#include "TMainForm.h"

namespace {

QString Text(const std::string& text) {
    return TStringGrid::ToDisplay(text);
}

constexpr int kReplyPacingMs = 20;

}  // namespace

void TMainForm::SendCommand(const std::string& Text) {
    OutLabel->setText(::Text(Text));
    InLabel->clear();
    Rx.RxBuffer.clear();
    BlueLabel->clear();
    // Cleared before the port is touched, so that a send that fails never leaves the reply
    // of the previous command standing as if it answered this one.
    ReplyValid = false;
    Rx.FrameStarted = false;
    try {
        SioComPort1.FlushInput();
        SioComPort1.WriteString(Text);
    } catch (const EBadId&) {
        throw;
    } catch (const EInOutError&) {
        throw;
    } catch (...) {
        const ErrorInfo error = DescribeCurrentException();
        ShowMessage(QStringLiteral("Problem transmitting on COM") +
                    QString::number(SioComPort1.ComNumber()) + QStringLiteral(":\r\n") +
                    error.message + QStringLiteral(" (") + error.kind + QStringLiteral(")"));
    }
}

void TMainForm::FrameCommand() {
    TxCommand = instrument::FrameCommand(SerialText(), TxCommand);
    SendCommand(TxCommand);
}

void TMainForm::SioComPort1TriggerAvail(TSioPort, std::uint16_t Count) {
    try {
        for (std::uint16_t i = 0; i < Count; ++i) {
            const char c = SioComPort1.ReadChar();
            // A dongle's lines are read before the frame logic sees the same character.
            if (Step >= instrument::kFirstDongleStep) CollectDongleLine(c);
            if (!Rx.Feed(c)) continue;
            CheckFrame(Rx.RxBuffer);
            if (ReplyValid) DispatchReply();
            // Whatever else is on the line belongs to no command: the next one starts clean.
            SioComPort1.FlushInput();
            if (Step < instrument::kIdleStep) SetTimer1Interval(kReplyPacingMs);
        }
    } catch (...) {
        ShowMessage(QStringLiteral("Problem ") + Text(Rx.RxBuffer));
    }
}

void TMainForm::CheckFrame(const std::string& Frame) {
    ReplyValid = instrument::CheckFrame(Frame, SerialText());
}

void TMainForm::DispatchReply() {
    InLabel->setText(Text(Rx.RxBuffer));
    const char type = instrument::ReplyType(Rx.RxBuffer);
    // One step on per command: a second valid frame in the same reply moves nothing further.
    // A reply that comes late, once the dongle's steps have begun, must not skip one of them.
    if (AdvanceOnReply && Step < instrument::kFirstDongleStep) {
        ++Step;
        AdvanceOnReply = false;
    }
    switch (type) {
        case 'Q':
            HandleSerialReply();
            break;
        case 'E':
        case 'D':
            HandleTimeReply();
            break;
        case '3':
        case '2':
            HandleRegisterReply();
            break;
        case 'a':
            HandleInfoReply();
            break;
        default:
            break;
    }
}

void TMainForm::HandleSerialReply() {
    SerialEB->setText(Text(instrument::SerialOfReply(Rx.RxBuffer)));
    SerialLabel->show();
}

void TMainForm::HandleTimeReply() {
    const instrument::InstrumentTime time = instrument::TimeOfReply(Rx.RxBuffer);
    if (!time.IsValid()) {
        TimeLabel->setText(QStringLiteral("Bad instrument time"));
        return;
    }
    // The instrument's clock has no time zone: a time inside the hour that this computer skips
    // when its clocks go forward is shown all the same.
    const QDateTime when(QDate(time.year, time.month, time.day), QTime(time.hour, time.minute),
                         Qt::UTC);
    TimeLabel->setText(QStringLiteral("Instrument time:  ") +
                       QLocale().toString(when, QStringLiteral("dd-MMM-yyyy  hh:mm")));
}

void TMainForm::HandleRegisterReply() {
    const instrument::RegisterReply reply = instrument::RegisterOfReply(Rx.RxBuffer);
    if (reply.Register == instrument::kCalibrationRegister) {
        CalibLabel->setText(QStringLiteral("Calibrate before:  ") +
                            Text(instrument::DecodeEntry(reply.Data)));
    } else if (const auto entry = instrument::EntryOfRegister(reply.Register)) {
        const std::string text = instrument::IsAddressRegister(reply.Register)
                                     ? instrument::DecodeAddress(reply.Data)
                                     : instrument::DecodeEntry(reply.Data);
        if (TStringGrid* grid = Grid(entry->List))
            StoreEntry(*grid, entry->List, entry->Entry, text);
    }
    // The company name is the last register of all: whatever transfer runs ends here.
    if (reply.Register == instrument::kCompanyRegister) Step = instrument::kIdleStep;
}

void TMainForm::HandleInfoReply() {
    const instrument::InfoReply reply = instrument::InfoOfReply(Rx.RxBuffer);
    if (reply.Code == instrument::kInfoSoftwareVersion)
        SoftVerLabel->setText(Text(instrument::SoftwareVersionCaption(reply)));
    else if (reply.Code == instrument::kInfoInstrumentType)
        TypeLabel->setText(Text(instrument::InstrumentTypeCaption(reply)));
}
