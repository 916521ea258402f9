#include "InplaceEdit.h"

#include <QKeyEvent>
#include <limits>

#include "CvInterceptors.h"

TInplaceEdit::TInplaceEdit(TStringGrid* grid, QWidget* parent) : QLineEdit(parent), grid_(grid) {
    setFrame(false);
    setMaxLength(std::numeric_limits<int>::max());
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    if (grid_->FilterTypedText(event->text())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
