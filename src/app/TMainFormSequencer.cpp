// The connection and transfer sequencer: one timer, one step number. A button only sets the
// step to start from; each tick chooses the next command, and a valid reply moves the step on
// and brings the next tick forward.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTabWidget>
#include <QTimer>

#include "CvInterceptors.h"
#include "EInOutError.h"
#include "MessageBox.h"
#include "SequencerTables.h"
#include "SioExcept.h"
#include "TMainForm.h"
#include "TRadioGroup.h"

namespace {

constexpr int kStartMs = 100;        // a sequence starts, or starts again
constexpr int kAwaitReplyMs = 1000;  // a command is out and its reply awaited
constexpr int kIdlePollMs = 5000;    // the clock poll, and after a failed send
constexpr std::int32_t kTicksBeforeGivingUp = 10;

const QString kAskingForSerial = QStringLiteral("?####");

}  // namespace

void TMainForm::EnableTimer1() {
    if (!Timer1->isActive()) Timer1->start();
}

// A new interval restarts the timer's count; the same interval again changes nothing. So a line
// that keeps bringing frames in cannot hold the next tick off for ever by setting its 20 ms anew.
void TMainForm::SetTimer1Interval(int interval) {
    if (Timer1->interval() != interval) Timer1->setInterval(interval);
}

void TMainForm::Timer1Timer() {
    // A message box opened by a tick runs its own event loop; the timer must not start another
    // tick inside it (it would send the same step twice and then skip one).
    if (inTimer1Tick_) return;
    inTimer1Tick_ = true;
    struct EndOfTick {
        bool& flag;
        ~EndOfTick() { flag = false; }
    } endOfTick{inTimer1Tick_};
    if (Step >= instrument::kFirstDongleStep) {
        DongleTimer();
        return;
    }
    ++IdleTicks;
    // Waiting for a reply: act once it has come, or after ten ticks without one.
    if (!ReplyValid && IdleTicks < kTicksBeforeGivingUp && Timer1->interval() <= kAwaitReplyMs)
        return;
    ConnectStepLabel->setText(QString::number(Step));
    IdleTicks = 0;
    AdvanceOnReply = false;
    if (!ReplyValid) {
        // No valid reply to the last command: ask who is there again.
        SetTimer1Interval(kStartMs);
        Step = 0;
    }
    RunStep();
    QCoreApplication::processEvents();
    if (!SendPending) return;
    SendPending = false;
    try {
        FrameCommand();
    } catch (const EBadId&) {
        SendFailed();
        return;
    } catch (const EInOutError&) {
        SendFailed();
        return;
    }
    IdleTicks = 0;
    SetTimer1Interval(Step == instrument::kIdleStep ? kIdlePollMs : kAwaitReplyMs);
    ActivityLabel->setText(QStringLiteral("Communicating with instrument"));
    ActivityLabel->setVisible(Timer1->interval() == kAwaitReplyMs);
}

void TMainForm::SendFailed() {
    IdleTicks = 0;
    Step = instrument::kIdleStep;
    SetTimer1Interval(kIdlePollMs);
    ActivityLabel->setText(QStringLiteral("Problem transmitting on COM") +
                           QString::number(SioComPort1.ComNumber()));
    ActivityLabel->show();
    CloseSerialPort();
}

void TMainForm::SendPayload(std::string payload, bool advanceOnReply) {
    TxCommand = std::move(payload);
    SendPending = true;
    AdvanceOnReply = advanceOnReply;
}

void TMainForm::RunStep() {
    if (Step == 0) {
        SerialEB->setText(kAskingForSerial);
        SerialLabel->show();
        BluetoothPanel->hide();
    }
    if (Step == instrument::kSetClockStep) {
        const QDateTime now = LocalClock();
        const QDate date = now.date();
        const QTime time = now.time();
        SendPayload(instrument::ClockPayload(date.year(), date.month(), date.day(), time.hour(),
                                             time.minute(), time.second()),
                    true);
    } else if (Step == instrument::kLastConnectStep) {
        Step = instrument::kIdleStep;
    } else if (Step == instrument::kIdleStep) {
        SendPayload(std::string(*instrument::FixedStepPayload(Step)), false);
        SetTimer1Interval(kIdlePollMs);
    } else if (const auto payload = instrument::FixedStepPayload(Step)) {
        SendPayload(std::string(*payload), true);
    } else {
        RunTransferStep();
    }
}

void TMainForm::RunTransferStep() {
    const auto step = instrument::TransferOfStep(Step);
    if (!step) return;
    if (EntryCount == 0) {
        Step = instrument::kIdleStep;
        return;
    }
    --EntryCount;
    const instrument::TransferEntry entry = instrument::EntryOfTransfer(*step->Transfer, EntryCount);
    if (!step->Write) {
        SendPayload(instrument::ReadPayload(entry.Register), false);
        return;
    }
    // An entry whose text cannot be read is skipped; the next tick takes the next one.
    const TStringGrid* grid = Grid(entry.List);
    if (grid == nullptr || entry.Entry >= grid->RowCount()) return;
    SendPayload(instrument::WritePayload(entry, grid->Cell(entry.Entry)), false);
}

// Opens the port chosen, unless a port has been opened before (the list is then disabled).
void TMainForm::OpenChosenPort(int comNumber) {
    if (!CommsRG->isEnabled()) return;
    try {
        SioComPort1.SetComNumber(static_cast<std::uint16_t>(comNumber));
        SioComPort1.SetOpen(true);
        SioSLController1.SetMonitoring(true);
        CommsRG->setEnabled(false);
        portTrouble_.Opened();
    } catch (...) {
        // The device the list showed for the number, even if it has gone since.
        const auto listed = listedDevices_.find(comNumber);
        const std::string trouble =
            listed != listedDevices_.end()
                ? portTrouble_.OpenFailed(listed->second, std::current_exception())
                : portTrouble_.OpenFailed(comNumber, std::current_exception());
        ShowMessage(QStringLiteral("Problem opening COM port") + QString::fromStdString(trouble));
    }
}

void TMainForm::SetTypeLabelColour(const QColor& colour) {
    QPalette palette = TypeLabel->palette();
    palette.setColor(QPalette::WindowText, colour);
    TypeLabel->setPalette(palette);
}

void TMainForm::ConnectButtonClick() {
    const int comNumber = SelectedComNumber();
    if (comNumber == 0) return;
    OpenChosenPort(comNumber);
    EnableTimer1();
    Step = 0;
    SetTimer1Interval(kStartMs);
    SetTypeLabelColour(Qt::black);
}

void TMainForm::SetTimeButtonClick() {
    Step = instrument::kSetClockStep;
    SetTimer1Interval(kStartMs);
}

void TMainForm::StartTransfer(bool write) {
    const instrument::TransferList* transfer =
        instrument::TransferOfPage(TabbedNotebook1->currentIndex());
    if (transfer == nullptr) return;
    Step = write ? transfer->WriteStep : transfer->ReadStep;
    EntryCount = transfer->StartCount;
    SetTimer1Interval(kStartMs);
}

void TMainForm::SendButtonClick() {
    StartTransfer(true);
}

void TMainForm::RetrieveButtonClick() {
    StartTransfer(false);
}
