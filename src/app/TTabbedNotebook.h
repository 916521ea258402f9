#pragma once

#include <QTabWidget>

// The notebook of the list pages. Its seven captions are wider together than the window in the
// usual type and spacing, so its tabs use a slightly smaller type and less room around each
// caption: every caption shows whole in one row and no tab hides behind scroll arrows.
class TTabbedNotebook : public QTabWidget {
    Q_OBJECT
  public:
    explicit TTabbedNotebook(QWidget* parent = nullptr);
};
