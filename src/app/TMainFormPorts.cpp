// The COM port list: rebuilt every second from the ports present until a port is opened.
#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "CvPortComms.h"
#include "PortTrouble.h"
#include "TMainForm.h"
#include "TRadioGroup.h"

namespace {

constexpr int kHighestComNumber = 255;

QString ItemText(int comNumber) {
    return QStringLiteral(" %1 ").arg(comNumber);
}

bool SameList(const QStringList& items, const TComPortList& ports) {
    if (items.size() != static_cast<qsizetype>(ports.size())) return false;
    for (qsizetype i = 0; i < items.size(); ++i)
        if (StrToInt(items[i].trimmed().toStdString()) != ports[static_cast<std::size_t>(i)])
            return false;
    return true;
}

}  // namespace

void TMainForm::Timer2Timer() {
    RefreshComPorts();
}

void TMainForm::RefreshComPorts() {
    if (SioComPort1.Open() || !CommsRG->isEnabled()) return;
    // Disabled while it is rebuilt; a focused item gets its focus back afterwards.
    QWidget* focused = QApplication::focusWidget();
    const bool hadFocus = focused != nullptr && CommsRG->isAncestorOf(focused);
    CommsRG->setEnabled(false);
    try {
        const TComPortList ports = GetComPorts();
        if (!SameList(CommsRG->Items(), ports)) {
            const int remembered = SelectedComNumber();
            CommsRG->SetItemIndex(-1);
            QStringList items;
            int selected = -1;
            for (std::size_t i = 0; i < ports.size(); ++i) {
                items.append(ItemText(ports[i]));
                if (remembered != 0 && ports[i] == remembered) selected = static_cast<int>(i);
            }
            CommsRG->SetItems(items);
            CommsRG->SetItemIndex(selected);
            SearchButton->setEnabled(CommsRG->ItemIndex() >= 0);
            ConnectButton->setEnabled(SearchButton->isEnabled());
        }
        UpdateComPortHints();
    } catch (...) {
        // A port that cannot be read leaves the list as it was, until the next refresh.
    }
    CommsRG->setEnabled(true);
    if (hadFocus) CommsRG->setFocus();
}

// Each item's tool tip tells which device it stands for, so that a Linux user knows which plug
// a number is, and why this user may not open it when the device's permissions say so.
void TMainForm::UpdateComPortHints() {
    const std::vector<TSioSerialCommEntry> entries = SerialCommEntries();
    const QStringList& items = CommsRG->Items();
    listedDevices_.clear();
    for (const TSioSerialCommEntry& entry : entries)
        listedDevices_[entry.ComNumber] = entry.DevicePath;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const int number = StrToIntDef(items[i].trimmed().toStdString(), 0);
        for (const TSioSerialCommEntry& entry : entries)
            if (entry.ComNumber == number)
                CommsRG->SetItemHint(
                    static_cast<int>(i),
                    QString::fromStdString(ComPortHint(entry) + PortAccessHint(entry.DevicePath)));
    }
}

int TMainForm::SelectedComNumber() const {
    const int index = CommsRG->ItemIndex();
    if (index < 0 || index >= CommsRG->Items().size()) return 0;
    const int number = StrToIntDef(CommsRG->Items()[index].trimmed().toStdString(), 0);
    return number >= 1 && number <= kHighestComNumber ? number : 0;
}

void TMainForm::CommsRGClick() {
    SearchButton->setEnabled(CommsRG->ItemIndex() >= 0);
    ConnectButton->setEnabled(SearchButton->isEnabled());
}
