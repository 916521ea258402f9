#include "StartupOptions.h"

#include <QCommandLineParser>

#include "Product.h"

namespace {

constexpr int kHighestComNumber = 255;

// The window system's own options, as the application object takes them off the command line.
const QStringList kToolkitOptions{
    QStringLiteral("platform"),
    QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("display"),
    QStringLiteral("geometry"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
    QStringLiteral("reverse"),
    QStringLiteral("session"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("widgetcount"),
    QStringLiteral("nograb"),
    QStringLiteral("dograb"),
    QStringLiteral("sync"),
    QStringLiteral("name"),
    QStringLiteral("title"),
    QStringLiteral("visual"),
    QStringLiteral("fontengine"),
    QStringLiteral("dialogs"),
};

struct Parser {
    Parser() {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(QStringLiteral(
            "Keeps the ID lists of a brake-testing accelerometer: reads and writes them over a\n"
            "serial port and keeps a copy of each instrument's lists in files."));
        parser.addOptions({help, version, screenshot, showLists, connect});
    }
    QCommandLineParser parser;
    const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print these options and end.")};
    const QCommandLineOption version{QStringLiteral("version"),
                                     QStringLiteral("Print the version and end.")};
    const QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Write a PNG picture of the window to <file> once it is drawn, print its "
                       "path and end."),
        QStringLiteral("file")};
    const QCommandLineOption showLists{
        QStringLiteral("show-lists"),
        QStringLiteral("Open the lists as if instrument <serial> had answered, without a "
                       "connection."),
        QStringLiteral("serial")};
    const QCommandLineOption connect{
        QStringLiteral("connect"),
        QStringLiteral("Once COM <n> (1 to 255) is listed, pick it and press Connect; with "
                       "--screenshot the picture waits for the instrument and its first list "
                       "(at most 60 s)."),
        QStringLiteral("n")};
};

}  // namespace

StartupOptions ParseStartupOptions(const QStringList& arguments) {
    Parser p;
    StartupOptions options;
    if (!p.parser.parse(arguments)) {
        options.error = p.parser.errorText();
        for (const QString& name : p.parser.unknownOptionNames())
            options.toolkitOptionSeen = options.toolkitOptionSeen || kToolkitOptions.contains(name);
        return options;
    }
    if (!p.parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("Unexpected argument '%1'.")
                            .arg(p.parser.positionalArguments().constFirst());
        return options;
    }
    options.help = p.parser.isSet(p.help);
    options.version = p.parser.isSet(p.version);
    options.screenshotPath = p.parser.value(p.screenshot);
    options.showListsSerial = p.parser.value(p.showLists);
    if (p.parser.isSet(p.connect)) {
        const QString value = p.parser.value(p.connect);
        bool number = false;
        const int com = value.toInt(&number, 10);
        if (!number || com < 1 || com > kHighestComNumber)
            options.error =
                QStringLiteral("--connect needs a COM port number from 1 to %1, not \"%2\"")
                    .arg(kHighestComNumber)
                    .arg(value);
        else
            options.connectComNumber = com;
    }
    return options;
}

QString StartupHelp() {
    // The parser names the program by the path it was started with, or by a placeholder before
    // the application object exists.
    const QString text = Parser().parser.helpText();
    return QStringLiteral("Usage: rostermate [options]") + text.mid(text.indexOf(u'\n'));
}

QString StartupVersion() {
    return QStringLiteral("rostermate " ROSTERMATE_VERSION);
}

QString StartupUsage() {
    return QStringLiteral("Usage: rostermate [options]; \"rostermate --help\" lists them.");
}
