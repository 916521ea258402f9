#include "SioQtGlue.h"

#include "SioPortHooks.h"
#include "SioQtNotifier.h"
#include "SioSelCom.h"

void InstallSioQtGlue() {
    SetSioNotifierFactory([](TSioWindowProc procedure) -> std::unique_ptr<TSioNotifier> {
        return std::make_unique<TSioQtNotifier>(std::move(procedure));
    });
    SetSioPortPrompt(SelectComPort);
}
