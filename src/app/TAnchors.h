#pragma once

#include <QHash>
#include <QObject>
#include <QRect>
#include <QSize>

class QWidget;

// Keeps controls at fixed distances from the edges of their parent they are anchored to, as the
// parent changes size: anchored to both left and right (or top and bottom) a control stretches,
// anchored to the right (or bottom) alone it moves. Controls anchored left and top need nothing.
class TAnchors : public QObject {
    Q_OBJECT
  public:
    explicit TAnchors(QObject* parent = nullptr) : QObject(parent) {}

    // Records the control's place in its parent as it is now.
    void Anchor(QWidget* control, Qt::Edges edges);
    // The same, following the size changes of `reference` instead of the parent's: for a
    // control whose parent gets its size only later (a notebook page).
    void Anchor(QWidget* control, Qt::Edges edges, QWidget* reference);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Placement {
        QWidget* control;
        Qt::Edges edges;
        QRect design;  // the control's geometry when anchored
        QWidget* reference;
        QSize referenceSize;  // the reference's size then
    };
    void Apply(const Placement& placement) const;
    QHash<QObject*, QList<Placement>> placements_;  // by reference
};
