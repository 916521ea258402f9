#include "SioSelCom.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "SioComPortTable.h"
#include "SioPortChoice.h"

TSioSelComDialog::TSioSelComDialog(const std::vector<std::uint16_t>& numbers, QWidget* parent)
    : QDialog(parent), list_(new QComboBox(this)) {
    setWindowTitle("Select Port");
    setObjectName("SioSelComDialog");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("The configured serial port is not valid.", this));
    layout->addWidget(new QLabel("Please choose another port.", this));
    for (std::uint16_t n : numbers) list_->addItem(QString("COM%1").arg(n));
    list_->setCurrentIndex(numbers.empty() ? -1 : 0);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::uint16_t TSioSelComDialog::SelectedNumber() const {
    return PortNumberFromEntry(list_->currentText().toStdString());
}

std::optional<std::uint16_t> SelectComPort() {
    TSioSelComDialog dialog(AvailablePortNumbers(SerialCommEntries(), TrialOpenDevice));
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedNumber() == 0) return std::nullopt;
    return dialog.SelectedNumber();
}
