#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

#include "Event.h"

// A framed group of radio buttons built from a list of item texts, with the index of the
// checked item (-1 for none) and a click event that fires when the user picks an item.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    const QStringList& Items() const { return items_; }
    void SetItems(const QStringList& items);  // keeps the checked index when it still exists

    int ItemIndex() const { return buttons_.checkedId(); }
    void SetItemIndex(int index);

    // Tool tip of one item (the device behind a port, for example).
    void SetItemHint(int index, const QString& hint);

    // The radio button of one item, for clicking it as a person would; null when there is none.
    QAbstractButton* ItemButton(int index) const { return buttons_.button(index); }

    Event<TRadioGroup*> OnClick;

  private:
    QStringList items_;
    QButtonGroup buttons_;
};
