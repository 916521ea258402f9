#pragma once

#include <QString>
#include <QStringList>

#include "MessageBox.h"

// Catches every message box of the program for the life of the object: the texts are recorded
// in order instead of being shown, so no test ever waits for a click. The box comes back after.
// (Header only: the test executable links the window library that provides ShowMessage.)
class MessageRecorder {
  public:
    MessageRecorder() {
        SetMessageHandler([this](const QString& text) { messages_.append(text); });
    }
    ~MessageRecorder() { SetMessageHandler({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const QStringList& Messages() const { return messages_; }
    // The recorded messages, forgetting them.
    QStringList Take() {
        QStringList taken;
        taken.swap(messages_);
        return taken;
    }

  private:
    QStringList messages_;
};
