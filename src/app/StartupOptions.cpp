#include "StartupOptions.h"

StartupOptions ParseStartupOptions(const QStringList& arguments) {
    StartupOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        QString* target = option == QStringLiteral("--screenshot")   ? &options.screenshotPath
                          : option == QStringLiteral("--show-lists") ? &options.showListsSerial
                                                                     : nullptr;
        if (target == nullptr) {
            options.error = QStringLiteral("unknown option ") + option;
        } else if (i + 1 >= arguments.size()) {
            options.error = option + QStringLiteral(" needs a value");
        } else {
            *target = arguments[++i];
            continue;
        }
        break;
    }
    return options;
}
