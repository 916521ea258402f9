#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "MessageBox.h"

// The box itself, with no recorder installed: it is closed from a timer as soon as it shows.
TEST(MessageBox, ShowsTheTextAsItStandsWithOneOkButton) {
    QString title, text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::Warning;
    qsizetype buttons = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (box == nullptr || !box->isVisible()) continue;
            title = box->windowTitle();
            text = box->text();
            format = box->textFormat();
            icon = box->icon();
            buttons = box->buttons().size();
            box->button(QMessageBox::Ok)->click();
            poll.stop();
        }
    });
    poll.start();
    // Looks like markup to a box that guesses; a folder name can hold such characters.
    ShowMessage(QStringLiteral("<b>Folder</b>\r\n&lt;x&gt;"));
    EXPECT_FALSE(poll.isActive());
    EXPECT_EQ(title, "Rostermate");
    EXPECT_EQ(text, "<b>Folder</b>\n&lt;x&gt;");
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, 1);
}
