#pragma once

#include <QLineEdit>

class TStringGrid;

// The in-place editor of a list grid. Typed characters pass the grid's key-press event first,
// so a swallowed character never reaches the text; there is no length limit.
class TInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    TInplaceEdit(TStringGrid* grid, QWidget* parent);

    TStringGrid* Grid() const { return grid_; }
    bool Started() const { return started_; }
    void SetStarted() { started_ = true; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TStringGrid* grid_;
    bool started_ = false;
};
