#include "ConnectOnStart.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "SequencerTables.h"
#include "TMainForm.h"
#include "TRadioGroup.h"

namespace {

constexpr int kPollMs = 50;

}  // namespace

ConnectOnStart::ConnectOnStart(TMainForm& form, Settings settings, FinishedHandler onFinished)
    : QObject(&form), form_(form), settings_(settings), onFinished_(std::move(onFinished)) {
    connect(&poll_, &QTimer::timeout, this, [this] { Check(); });
    poll_.start(kPollMs);
    elapsed_.start();
}

bool ConnectOnStart::PressConnect(TMainForm& form, int comNumber) {
    const qsizetype index = form.CommsRG->Items().indexOf(QStringLiteral(" %1 ").arg(comNumber));
    QAbstractButton* item = form.CommsRG->ItemButton(static_cast<int>(index));
    if (item == nullptr || !form.CommsRG->isEnabled()) return false;
    item->click();
    if (!form.ConnectButton->isEnabled()) return false;
    form.ConnectButton->click();
    return true;
}

bool ConnectOnStart::Identified(const TMainForm& form) {
    const QString serial = form.SerialEB->text();
    return form.Step == instrument::kIdleStep && !serial.isEmpty() &&
           !serial.startsWith(QLatin1Char('?'));
}

bool ConnectOnStart::PressTransfer(TMainForm& form, int page, bool write) {
    if (instrument::TransferOfPage(page) == nullptr) return false;
    form.TabbedNotebook1->setCurrentIndex(page);
    QPushButton* button = write ? form.SendButton : form.RetrieveButton;
    if (!button->isEnabled()) return false;
    button->click();
    return form.Step != instrument::kIdleStep;
}

bool ConnectOnStart::TransferDone(const TMainForm& form) {
    return form.Step == instrument::kIdleStep && form.EntryCount == 0;
}

void ConnectOnStart::Check() {
    if (std::chrono::milliseconds(elapsed_.elapsed()) >= settings_.limit) {
        Finish(TimeOutReason());
        return;
    }
    switch (stage_) {
        case Stage::WaitingForPort:
            if (PressConnect(form_, settings_.comNumber)) stage_ = Stage::Connecting;
            return;
        case Stage::Connecting:
            if (form_.Step != instrument::kIdleStep) return;
            // Back at rest without a serial number: the port could not be used at all.
            if (!Identified(form_))
                Finish(QStringLiteral("COM %1 could not be used (%2)")
                           .arg(settings_.comNumber)
                           .arg(form_.ActivityLabel->text()));
            else if (!settings_.readFirstPage)
                Finish({});
            else if (PressTransfer(form_, 0, false))
                stage_ = Stage::Reading;
            else
                Finish(QStringLiteral("Read from Instrument could not be pressed"));
            return;
        case Stage::Reading:
            if (form_.Step != instrument::kIdleStep) return;
            // A read that lost the instrument falls back to connecting again and comes to rest
            // with entries still to read.
            Finish(TransferDone(form_)
                       ? QString()
                       : QStringLiteral("the read from the instrument stopped with %1 entries "
                                        "left")
                             .arg(form_.EntryCount));
            return;
        case Stage::Finished:
            return;
    }
}

QString ConnectOnStart::TimeOutReason() const {
    const QString within =
        QStringLiteral(" within %1 s").arg(static_cast<double>(settings_.limit.count()) / 1000.0);
    const QString com = QStringLiteral("COM %1").arg(settings_.comNumber);
    switch (stage_) {
        case Stage::WaitingForPort:
            return com + QStringLiteral(" did not appear in the port list") + within;
        case Stage::Connecting:
            if (form_.SerialEB->text().startsWith(QLatin1Char('?')))
                return QStringLiteral("no instrument answered on ") + com + within;
            return QStringLiteral("the instrument on ") + com +
                   QStringLiteral(" did not finish connecting") + within;
        case Stage::Reading:
            return QStringLiteral("the read from the instrument was not finished") + within +
                   QStringLiteral(" (%1 entries left)").arg(form_.EntryCount);
        case Stage::Finished:
            break;
    }
    return {};
}

void ConnectOnStart::Finish(const QString& failure) {
    stage_ = Stage::Finished;
    poll_.stop();
    if (onFinished_) onFinished_(failure);
}
