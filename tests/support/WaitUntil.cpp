#include "WaitUntil.h"

#include <thread>

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
               const std::function<void()>& pump) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        if (pump) pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
