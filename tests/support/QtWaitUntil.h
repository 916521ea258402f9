#pragma once

#include <QCoreApplication>

#include "WaitUntil.h"

// WaitUntil with the Qt event loop running between checks, for conditions that need events,
// timers or queued signals to be delivered.
inline bool QtWaitUntil(const std::function<bool()>& condition,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return WaitUntil(condition, limit, [] { QCoreApplication::processEvents(); });
}
