#include "SioPlatformDispatcher.h"

#include "SioWin32Dispatcher.h"

std::unique_ptr<TSioBaseDispatcher> MakeSioPlatformDispatcher(TSioCustomComPort* owner) {
    return std::make_unique<TSioWin32Dispatcher>(owner);
}
