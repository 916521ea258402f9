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
//                       been read.
struct StartupOptions {
    QString screenshotPath;
    QString showListsSerial;
    int connectComNumber = 0;  // 0: no automatic connection
    QString error;             // not empty when the command line could not be read
};

StartupOptions ParseStartupOptions(const QStringList& arguments);

// One line naming every option, for the message after a command line that could not be read.
QString StartupUsage();
