#pragma once

#include <QLineEdit>

class TStringGrid;

// The in-place editor of a list grid. Typed characters pass the grid's key-press event first,
// so a swallowed character never reaches the text; there is no length limit. Text comes in only
// by typing and by the paste keys (whose clipboard the window cleans first): dropping text, the
// context menu's paste and the middle-button paste of the selection are not offered.
class TInplaceEdit : public QLineEdit {
    Q_OBJECT
  public:
    TInplaceEdit(TStringGrid* grid, QWidget* parent);

    TStringGrid* Grid() const { return grid_; }
    bool Started() const { return started_; }
    void SetStarted() { started_ = true; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    TStringGrid* grid_;
    bool started_ = false;
};
