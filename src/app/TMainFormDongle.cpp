// The Bluetooth dongle: searching for devices, connecting to the one clicked, and hanging up
// before the window closes. It runs on the sequencer's timer and step from 2000 up.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "CvInterceptors.h"
#include "EInOutError.h"
#include "ErrorInfo.h"
#include "MessageBox.h"
#include "SequencerTables.h"
#include "SioExcept.h"
#include "TMainForm.h"
#include "TRadioGroup.h"

namespace {

constexpr int kDongleStepMs = 2000;
constexpr int kAnsweredMs = 200;  // the dongle has answered: the next step follows sooner
constexpr int kStartMs = 100;

}  // namespace

void TMainForm::DongleTimer() {
    SetTimer1Interval(kDongleStepMs);
    ActivityLabel->setText(QStringLiteral("Communicating with dongle"));
    ActivityLabel->show();
    try {
        RunDongleStep();
        dongleSendFailing_ = false;
    } catch (const EBadId&) {
        ReportDongleSendError();
        // The same step is tried again on the next tick. A hang-up cannot reach a dongle that
        // is gone, so that step counts as done: the window still closes.
        if (!HangingUp()) return;
    } catch (const EInOutError&) {
        ReportDongleSendError();
        if (!HangingUp()) return;
    }
    if (Step >= instrument::kFirstDongleStep) ++Step;
}

bool TMainForm::HangingUp() const {
    return Step >= instrument::kHangUpStep && Step <= instrument::kCloseStep;
}

// One message for a run of failed sends, not one for every tick while the port stays unusable.
void TMainForm::ReportDongleSendError() {
    const ErrorInfo error = DescribeCurrentException();
    if (dongleSendFailing_) return;
    dongleSendFailing_ = true;
    ShowMessage(error.message);
}

void TMainForm::RunDongleStep() {
    if (const auto command = instrument::DongleCommand(Step)) {
        SendCommand(std::string(*command));
    } else if (Step == instrument::kInquiryWaitStep) {
        --Step;  // waits here while the inquiry's results come in
    } else if (Step == instrument::kHandOverStep) {
        Step = 0;
        SetTimer1Interval(kStartMs);
        SetTypeLabelColour(Qt::blue);
    } else if (Step == instrument::kCloseStep) {
        BtAddress.clear();
        BluetoothPanel->hide();
        ActivityLabel->hide();
        close();
    }
}

void TMainForm::CollectDongleLine(char c) {
    ConnectStepLabel->setText(QString::number(Step));
    const TDongleLineCollector::Line line =
        DongleLine.Feed(c, TStringGrid::FromDisplay(BlueLabel->text()));
    if (!line.Ended) return;
    if (line.InquiryResult) {
        AddressLB->addItem(TStringGrid::ToDisplay(line.Address));
        FriendlyLB->addItem(TStringGrid::ToDisplay(line.FriendlyName));
    } else if (line.Acknowledged) {
        SetTimer1Interval(kAnsweredMs);
    }
    BlueLabel->setText(TStringGrid::ToDisplay(line.Text));
}

void TMainForm::SearchButtonClick() {
    const int comNumber = SelectedComNumber();
    if (comNumber == 0) return;
    OpenChosenPort(comNumber);
    EnableTimer1();
    SetTimer1Interval(kStartMs);
    Step = instrument::kSearchStep;
    dongleSendFailing_ = false;
    ConnectButton->setEnabled(false);
    FriendlyLB->clear();
    AddressLB->clear();
    BlueLabel->clear();
    DongleLine.Clear();
    BluetoothPanel->show();
    TabbedNotebook1->hide();
    KeyPanel->hide();
    CoverPanel->show();
    SearchButton->setEnabled(false);
}

void TMainForm::StartHangUp() {
    EnableTimer1();
    SetTimer1Interval(kStartMs);
    Step = instrument::kHangUpStep;
    dongleSendFailing_ = false;
}

void TMainForm::ChooseBluetoothDevice(QListWidget* clicked) {
    const int index = clicked->currentRow();
    if (index < 0 || index >= AddressLB->count()) return;
    BtAddress = TStringGrid::FromDisplay(AddressLB->item(index)->text());
    (clicked == AddressLB ? FriendlyLB : AddressLB)->setCurrentRow(index);
    Step = instrument::kDongleConnectStep;
    SetTimer1Interval(kAnsweredMs);
}

void TMainForm::AddressLBClick() {
    ChooseBluetoothDevice(AddressLB);
}

void TMainForm::FriendlyLBClick() {
    ChooseBluetoothDevice(FriendlyLB);
}

void TMainForm::AbandonButtonClick() {
    SearchButton->setEnabled(true);
    ConnectButton->setEnabled(true);
    BluetoothPanel->hide();
    ActivityLabel->hide();
}
