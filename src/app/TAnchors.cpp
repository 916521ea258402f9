#include "TAnchors.h"

#include <QEvent>
#include <QWidget>

void TAnchors::Anchor(QWidget* control, Qt::Edges edges) {
    Anchor(control, edges, control->parentWidget());
}

void TAnchors::Anchor(QWidget* control, Qt::Edges edges, QWidget* reference) {
    if (!placements_.contains(reference)) reference->installEventFilter(this);
    placements_[reference].append(
        {control, edges, control->geometry(), reference, reference->size()});
}

bool TAnchors::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        const auto it = placements_.constFind(watched);
        if (it != placements_.constEnd())
            for (const Placement& placement : *it) Apply(placement);
    }
    return QObject::eventFilter(watched, event);
}

void TAnchors::Apply(const Placement& p) const {
    const QSize now = p.reference->size();
    const int dw = now.width() - p.referenceSize.width();
    const int dh = now.height() - p.referenceSize.height();
    QRect rect = p.design;
    if (p.edges.testFlag(Qt::RightEdge)) {
        if (p.edges.testFlag(Qt::LeftEdge))
            rect.setWidth(rect.width() + dw);
        else
            rect.moveLeft(rect.left() + dw);
    }
    if (p.edges.testFlag(Qt::BottomEdge)) {
        if (p.edges.testFlag(Qt::TopEdge))
            rect.setHeight(rect.height() + dh);
        else
            rect.moveTop(rect.top() + dh);
    }
    p.control->setGeometry(rect);
}
