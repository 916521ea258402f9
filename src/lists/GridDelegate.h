#pragma once

#include <QStyledItemDelegate>

class TStringGrid;

// Draws the list grid's cells (text 2 pixels in from the left and top, then the grid's owner-
// draw event on top) and owns its in-place editor, which stores every change into the cell.
class TGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit TGridDelegate(TStringGrid* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

  private:
    TStringGrid* grid_;
};
