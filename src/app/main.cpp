// Rostermate: keeps the ID lists of a brake-testing accelerometer.
#include <QApplication>
#include <QLineEdit>
#include <cstdio>

#include "StartupOptions.h"
#include "TMainForm.h"
#include "WindowSnapshot.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The name only: a display name would be appended to the window's own caption.
    QApplication::setApplicationName(QStringLiteral("Rostermate"));
    const StartupOptions options = ParseStartupOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "rostermate: %s\n", qPrintable(options.error));
        return 2;
    }
    TMainForm MainForm;
    if (!options.showListsSerial.isEmpty()) MainForm.SerialEB->setText(options.showListsSerial);
    MainForm.show();
    if (!options.screenshotPath.isEmpty()) TakeSnapshotWhenShown(&MainForm, options.screenshotPath);
    return QApplication::exec();
}
