// The window as another user sees it, for the port message tests that run it under that user's
// identity: waits for COM <n> in the port list, prints the item's tool tip, presses Connect as a
// person would and prints every message the window shows. Each text ends with a line "--- end".
#include <QApplication>
#include <QRadioButton>
#include <cstdio>
#include <cstdlib>

#include "ConnectOnStart.h"
#include "MessageBox.h"
#include "QtWaitUntil.h"
#include "TMainForm.h"
#include "TRadioGroup.h"

namespace {

void Print(const char* kind, const QString& text) {
    std::printf("%s\n%s\n--- end\n", kind, text.toUtf8().constData());
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    if (argc != 2) return 2;
    const int com = std::atoi(argv[1]);
    const QString item = QStringLiteral(" %1 ").arg(com);
    SetMessageHandler([](const QString& text) { Print("message", text); });
    TMainForm form;
    if (!QtWaitUntil([&] { return form.CommsRG->Items().contains(item); })) return 1;
    Print(
        "hint",
        form.CommsRG->ItemButton(static_cast<int>(form.CommsRG->Items().indexOf(item)))->toolTip());
    return ConnectOnStart::PressConnect(form, com) ? 0 : 1;
}
