#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

std::function<void(const QString&)>& Handler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

}  // namespace

void SetMessageHandler(std::function<void(const QString&)> handler) {
    Handler() = std::move(handler);
}

void ShowMessage(const QString& text) {
    if (Handler()) {
        const auto handler = Handler();  // a handler may replace itself while it runs
        handler(text);
        return;
    }
    // Messages are written with CR LF line breaks; the box only needs the line feed.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Rostermate"), shown, QMessageBox::Ok);
    // The text as it stands: a path or a device's answer that happens to look like markup is
    // not to be rendered as such.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
