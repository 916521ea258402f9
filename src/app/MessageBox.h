#pragma once

#include <QString>
#include <functional>

// Every message box of the program goes through ShowMessage: by default a modal box titled
// "Rostermate" with the text and one OK button. An installed handler receives the text instead
// (tests record the messages so that nothing ever waits for a click); an empty handler brings
// the box back.
void ShowMessage(const QString& text);
void SetMessageHandler(std::function<void(const QString&)> handler);
