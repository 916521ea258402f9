// Rostermate: keeps the ID lists of a brake-testing accelerometer.
#include <QApplication>
#include <QLineEdit>
#include <cstdio>
#include <optional>

#include "AppIcon.h"
#include "ConnectOnStart.h"
#include "Product.h"
#include "StartupOptions.h"
#include "TMainForm.h"
#include "WindowSnapshot.h"

namespace {

// After a connection the window has just changed: a moment for its layout to settle.
constexpr int kSettleAfterConnectMs = 300;

// Help, the version and a command line that cannot be read are answered before the window
// system is reached, so they work without a display too. Returns the exit status, or nothing
// when the program goes on.
std::optional<int> Answer(const StartupOptions& options) {
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "rostermate: %s\n%s\n", qPrintable(options.error),
                     qPrintable(StartupUsage()));
        return 2;
    }
    if (options.help) std::printf("%s", qPrintable(StartupHelp()));
    if (options.version) std::printf("%s\n", qPrintable(StartupVersion()));
    if (options.help || options.version) return 0;
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    // The window system's own options are known only once the application has taken them off.
    if (const StartupOptions early = ParseStartupOptions(arguments); !early.toolkitOptionSeen)
        if (const auto status = Answer(early)) return *status;

    QApplication application(argc, argv);
    // The name only: a display name would be appended to the window's own caption.
    QApplication::setApplicationName(QStringLiteral("Rostermate"));
    QApplication::setApplicationVersion(QStringLiteral(ROSTERMATE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(ROSTERMATE_APP_ID));
    QApplication::setWindowIcon(RostermateIcon());
    const StartupOptions options = ParseStartupOptions(QApplication::arguments());
    if (const auto status = Answer(options)) return *status;
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
