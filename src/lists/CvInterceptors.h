#pragma once

#include <QChar>
#include <QStyle>
#include <QTableWidget>
#include <functional>
#include <string>

#include "Event.h"
#include "ListCells.h"

class QPainter;

// The list grid: a one-column string grid whose cells hold 8-bit entry text (shown as Latin-1),
// with an in-place editor, the owner-draw, edit-text and key-press events the window hooks its
// list handling into, and the text a cell had when its editor took it up (TextBeforeEdit).
class TStringGrid : public QTableWidget, public ListCells {
    Q_OBJECT
  public:
    explicit TStringGrid(QWidget* parent = nullptr);

    // Entry text of a row. A character the 8-bit text cannot hold (above U+00FF) comes back as
    // a control character, so that it counts as a bad character wherever the text is checked.
    std::string Cell(int row) const override;
    void SetCell(int row, const std::string& text) override;
    int RowCount() const override { return rowCount(); }
    void SetRowCount(int rows);

    const std::string& TextBeforeEdit() const { return textBeforeEdit_; }
    void SetTextBeforeEdit(const std::string& text) { textBeforeEdit_ = text; }

    // Keeps the in-place editor open on the current cell whenever the grid has the focus.
    void SetAlwaysShowEditor(bool on) { alwaysShowEditor_ = on; }
    bool AlwaysShowEditor() const { return alwaysShowEditor_; }

    // The open in-place editor, if any.
    QWidget* InplaceEditor() const;

    // After the cell is drawn as usual: (grid, column, row, painter, cell rectangle, state).
    Event<TStringGrid*, int, int, QPainter&, const QRect&, QStyle::State> OnDrawCell;
    // The editor takes up a cell; the handler may change the text it starts with.
    Event<TStringGrid*, int, int, std::string&> OnGetEditText;
    // The editor changed the cell's text (already stored in the cell).
    Event<TStringGrid*, int, int, const std::string&> OnSetEditText;
    // A character typed in the grid or its editor; a handler sets it to 0 to swallow it.
    Event<TStringGrid*, QChar&> OnKeyPress;

    // Used by the grid's editor and delegate.
    // The typed text less every character the key-press event swallows (each one passes it).
    QString FilterTypedText(const QString& text);
    // Hands `event` on with its text filtered, unless nothing of its text is left.
    void FilterKeyEvent(QKeyEvent* event, const std::function<void(QKeyEvent*)>& handOn);
    void EditorChanged(int row, const QString& text);
    QString EditorStartText(int row);

    static QString ToDisplay(const std::string& text);
    static std::string FromDisplay(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    void OpenEditorIfWanted();

    std::string textBeforeEdit_;
    bool alwaysShowEditor_ = false;
};
