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
    if (grid_->FilterTypedText(event->text())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TInplaceEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Composed text (accents, other scripts) passes the same filter as typed keys.
    QString committed;
    for (const QChar c : event->commitString())
        if (!grid_->FilterTypedText(QString(c))) committed += c;
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
