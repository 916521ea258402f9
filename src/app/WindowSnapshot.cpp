#include "WindowSnapshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>

void TakeSnapshotWhenShown(QWidget* window, const QString& path, int settleMs) {
    QTimer::singleShot(settleMs, window, [window, path] {
        QDir().mkpath(QFileInfo(path).absolutePath());
        const bool saved = window->grab().save(path, "PNG");
        if (saved)
            std::printf("%s\n", qPrintable(QFileInfo(path).absoluteFilePath()));
        else
            std::fprintf(stderr, "rostermate: could not write %s\n", qPrintable(path));
        std::fflush(stdout);
        QCoreApplication::exit(saved ? 0 : 1);
    });
}
