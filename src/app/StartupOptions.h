#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for besides the window itself.
//   --screenshot FILE   write a picture of the window to FILE (PNG) once it has been drawn,
//                       print the file's path and end the program;
//   --show-lists SERIAL open the lists as they appear once instrument SERIAL has answered,
//                       without any connection: for demonstrations and pictures of the window.
struct StartupOptions {
    QString screenshotPath;
    QString showListsSerial;
    QString error;  // not empty when the command line could not be read
};

StartupOptions ParseStartupOptions(const QStringList& arguments);
