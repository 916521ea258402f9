#pragma once

#include <memory>

class TSioBaseDispatcher;
class TSioCustomComPort;

// The dispatcher on this platform's serial devices, for a com port that opens. Each device
// layer (src/serial/posix, a Windows one beside it) supplies this one function, so nothing above
// the layer knows which one runs.
std::unique_ptr<TSioBaseDispatcher> MakeSioPlatformDispatcher(TSioCustomComPort* owner);
