#include "GridDelegate.h"

#include <QPainter>

#include "CvInterceptors.h"
#include "InplaceEdit.h"

namespace {
constexpr int kTextInset = 2;
}

TGridDelegate::TGridDelegate(TStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    const QRect rect = option.rect;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette& palette = option.palette;
    painter->save();
    painter->fillRect(rect, selected ? palette.highlight() : palette.base());
    painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
    painter->setFont(option.font);
    painter->setClipRect(rect);
    painter->drawText(rect.adjusted(kTextInset, kTextInset, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();

    painter->save();
    grid_->OnDrawCell(grid_, index.column(), index.row(), *painter, rect, option.state);
    painter->restore();
}

QWidget* TGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    auto* editor = new TInplaceEdit(grid_, parent);
    editor->setFont(option.font);
    const int row = index.row();
    connect(editor, &QLineEdit::textEdited, grid_,
            [grid = grid_, row](const QString& text) { grid->EditorChanged(row, text); });
    return editor;
}

void TGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* edit = static_cast<TInplaceEdit*>(editor);
    if (!edit->Started()) {
        // Taking up the cell: the grid's event records where the edit started.
        edit->SetStarted();
        edit->setText(grid_->EditorStartText(index.row()));
        return;
    }
    // The cell changed while the editor is open: follow it unless it is the editor's own text
    // (which differs when the user typed a character the entry cannot hold). The cursor stays
    // where the user had it.
    const QString text = index.data(Qt::EditRole).toString();
    if (edit->text() == text) return;
    const int cursor = edit->cursorPosition();
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

void TGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                 const QModelIndex& index) const {
    // Every change has been stored as it was typed; this only covers text the editor started
    // with when a handler changed it.
    const QString text = static_cast<TInplaceEdit*>(editor)->text();
    if (model->data(index, Qt::EditRole).toString() != text) model->setData(index, text);
}

void TGridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                         const QModelIndex&) const {
    editor->setGeometry(option.rect);
}
