#include "SioExceptionDisplay.h"

#include <cstdio>
#include <mutex>
#include <thread>

#include "Exception.h"

namespace {

// Initialised before main runs, that is on the main thread.
const std::thread::id mainThread = std::this_thread::get_id();

std::mutex displayLock;

TSioExceptionDisplay& CurrentDisplay() {
    static TSioExceptionDisplay display;
    return display;
}

}  // namespace

bool OnSioMainThread() {
    return std::this_thread::get_id() == mainThread;
}

TSioExceptionDisplay SetSioExceptionDisplay(TSioExceptionDisplay display) {
    std::lock_guard guard(displayLock);
    TSioExceptionDisplay previous = std::move(CurrentDisplay());
    CurrentDisplay() = std::move(display);
    return previous;
}

std::string SioExceptionText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

void ShowSioException(std::exception_ptr error) noexcept {
    if (!error || !OnSioMainThread()) return;
    try {
        TSioExceptionDisplay display;
        {
            std::lock_guard guard(displayLock);
            display = CurrentDisplay();
        }
        const std::string text = SioExceptionText(error);
        if (display)
            display(text);
        else
            std::fprintf(stderr, "%s\n", text.c_str());
    } catch (...) {
        // The display itself failed; there is nowhere left to report it.
    }
}
