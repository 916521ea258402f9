#pragma once

#include <chrono>
#include <functional>

// Waits for a condition rather than for a time: checks `condition` until it holds or `limit`
// passes, running `pump` (an event loop step, or nothing) between checks. Returns the last check.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10),
               const std::function<void()>& pump = {});
