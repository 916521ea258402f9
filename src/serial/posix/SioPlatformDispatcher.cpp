#include "SioPlatformDispatcher.h"

#include "SioPosixDispatcher.h"

std::unique_ptr<TSioBaseDispatcher> MakeSioPlatformDispatcher(TSioCustomComPort* owner) {
    return std::make_unique<TSioPosixDispatcher>(owner);
}
