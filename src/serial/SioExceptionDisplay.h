#pragma once

#include <exception>
#include <functional>
#include <string>

// The program's standard display for an exception that nobody caught on its way out of an
// event handler. The application points it at its own message box; until then the message is
// written to the standard error stream.
using TSioExceptionDisplay = std::function<void(const std::string& message)>;

// Installs `display` (an empty one restores the default). Returns the previous display.
TSioExceptionDisplay SetSioExceptionDisplay(TSioExceptionDisplay display);

// Hands `error` to the display when called on the program's main thread; elsewhere (a worker
// thread has no one to show it to) it is dropped. Never throws.
void ShowSioException(std::exception_ptr error) noexcept;

// The text shown for an exception: the message of our own exceptions, what() of others.
std::string SioExceptionText(std::exception_ptr error);

// True on the thread that started the program.
bool OnSioMainThread();
