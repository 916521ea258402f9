// Rostermate: keeps the ID lists of a brake-testing accelerometer.
#include <QApplication>
#include <QLineEdit>
#include <cstdio>

#include "ConnectOnStart.h"
#include "StartupOptions.h"
#include "TMainForm.h"
#include "WindowSnapshot.h"

namespace {

// After a connection the window has just changed: a moment for its layout to settle.
constexpr int kSettleAfterConnectMs = 300;

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The name only: a display name would be appended to the window's own caption.
    QApplication::setApplicationName(QStringLiteral("Rostermate"));
    const StartupOptions options = ParseStartupOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "rostermate: %s\n%s\n", qPrintable(options.error),
                     qPrintable(StartupUsage()));
        return 2;
    }
    TMainForm MainForm;
    if (!options.showListsSerial.isEmpty()) MainForm.SerialEB->setText(options.showListsSerial);
    MainForm.show();
    const bool screenshot = !options.screenshotPath.isEmpty();
    if (options.connectComNumber != 0) {
        // A picture is of a connected window with the instrument's own first list.
        const ConnectOnStart::Settings settings{options.connectComNumber, screenshot};
        new ConnectOnStart(MainForm, settings, [&](const QString& failure) {
            if (!failure.isEmpty())
                std::fprintf(stderr, "rostermate: --connect %d: %s%s\n", options.connectComNumber,
                             qPrintable(failure),
                             screenshot ? "; the screenshot shows the window as it is" : "");
            if (screenshot)
                TakeSnapshotWhenShown(&MainForm, options.screenshotPath, kSettleAfterConnectMs);
        });
    } else if (screenshot) {
        TakeSnapshotWhenShown(&MainForm, options.screenshotPath);
    }
    return QApplication::exec();
}
