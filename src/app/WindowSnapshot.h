#pragma once

#include <QString>

class QWidget;

// Once `window` has been shown and drawn, writes a picture of it to `path` (PNG), prints the
// path on standard output and ends the event loop: exit code 0, or 1 when the file could not be
// written. For running the program where nobody looks at the screen.
void TakeSnapshotWhenShown(QWidget* window, const QString& path, int settleMs = 1000);
