#include "InplaceEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <limits>

#include "CvInterceptors.h"

TInplaceEdit::TInplaceEdit(TStringGrid* grid, QWidget* parent) : QLineEdit(parent), grid_(grid) {
    setFrame(false);
    setMaxLength(std::numeric_limits<int>::max());
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        // Every paste key brings the clipboard, which the window has cleaned by now, and never
        // the mouse selection that some keyboard schemes paste on Control+Shift+Insert.
        event->accept();
        paste();
        return;
    }
    grid_->FilterKeyEvent(event, [this](QKeyEvent* e) { QLineEdit::keyPressEvent(e); });
}

void TInplaceEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Composed text (accents, other scripts) passes the same filter as typed keys.
    const QString committed = grid_->FilterTypedText(event->commitString());
    if (committed == event->commitString()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(committed, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
}

void TInplaceEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}
