#include "TRadioGroup.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent) {
    buttons_.setExclusive(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 4, 4);
    layout->setSpacing(0);
    layout->addStretch();
    connect(&buttons_, &QButtonGroup::idClicked, this, [this](int) { OnClick(this); });
}

void TRadioGroup::SetItems(const QStringList& items) {
    const int checked = ItemIndex();
    for (QAbstractButton* button : buttons_.buttons()) {
        buttons_.removeButton(button);
        delete button;
    }
    items_ = items;
    auto* box = static_cast<QVBoxLayout*>(layout());
    for (int i = 0; i < items_.size(); ++i) {
        auto* button = new QRadioButton(items_[i], this);
        buttons_.addButton(button, i);
        box->insertWidget(i, button);
    }
    SetItemIndex(checked < items_.size() ? checked : -1);
}

void TRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = buttons_.button(index)) {
        button->setChecked(true);
        return;
    }
    // No item checked: an exclusive group needs its exclusiveness lifted to clear the check.
    if (QAbstractButton* checked = buttons_.checkedButton()) {
        buttons_.setExclusive(false);
        checked->setChecked(false);
        buttons_.setExclusive(true);
    }
}

void TRadioGroup::SetItemHint(int index, const QString& hint) {
    if (QAbstractButton* button = buttons_.button(index)) button->setToolTip(hint);
}
