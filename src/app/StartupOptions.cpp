#include "StartupOptions.h"

namespace {

constexpr int kHighestComNumber = 255;

const QString kScreenshot = QStringLiteral("--screenshot");
const QString kShowLists = QStringLiteral("--show-lists");
const QString kConnect = QStringLiteral("--connect");

// The value of one option into `options`; the reason when it cannot be taken.
QString Take(StartupOptions& options, const QString& option, const QString& value) {
    if (option == kScreenshot) {
        options.screenshotPath = value;
    } else if (option == kShowLists) {
        options.showListsSerial = value;
    } else {
        bool number = false;
        const int com = value.toInt(&number, 10);
        if (!number || com < 1 || com > kHighestComNumber)
            return option + QStringLiteral(" needs a COM port number from 1 to %1, not \"%2\"")
                                .arg(kHighestComNumber)
                                .arg(value);
        options.connectComNumber = com;
    }
    return {};
}

}  // namespace

StartupOptions ParseStartupOptions(const QStringList& arguments) {
    StartupOptions options;
    for (int i = 1; i < arguments.size() && options.error.isEmpty(); ++i) {
        const QString& option = arguments[i];
        if (option != kScreenshot && option != kShowLists && option != kConnect)
            options.error = QStringLiteral("unknown option ") + option;
        else if (i + 1 >= arguments.size())
            options.error = option + QStringLiteral(" needs a value");
        else
            options.error = Take(options, option, arguments[++i]);
    }
    return options;
}

QString StartupUsage() {
    return QStringLiteral(
        "usage: rostermate [--screenshot FILE] [--show-lists SERIAL] "
        "[--connect N]");
}
