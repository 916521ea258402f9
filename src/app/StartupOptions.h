#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for besides the window itself.
//   --screenshot FILE   write a picture of the window to FILE (PNG) once it has been drawn,
//                       print the file's path and end the program;
//   --show-lists SERIAL open the lists as they appear once instrument SERIAL has answered,
//                       without any connection: for demonstrations and pictures of the window;
//   --connect N         pick COM N once it is listed and press Connect; with --screenshot the
//                       picture waits until the instrument has answered and its first list has
//                       been read;
//   --help, --version   print the options or the version and end.
struct StartupOptions {
    QString screenshotPath;
    QString showListsSerial;
    int connectComNumber = 0;  // 0: no automatic connection
    bool help = false;
    bool version = false;
    QString error;  // not empty when the command line could not be read
    // The unknown options include one of the window system's own (-platform, -style...), which
    // only the application object takes off the command line.
    bool toolkitOptionSeen = false;
};

StartupOptions ParseStartupOptions(const QStringList& arguments);

// The text --help prints, and the line --version prints.
QString StartupHelp();
QString StartupVersion();

// The line after the reason when the command line could not be read.
QString StartupUsage();
