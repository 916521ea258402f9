#include "SystemErrorText.h"

#include <windows.h>

// On Windows the system's error numbers are its own (what GetLastError reports), and their text
// is the system's message for them, without the line break it ends with.
std::string SystemErrorText(int errorNumber) {
    char buffer[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(errorNumber),
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer,
                                        sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) return "Unknown error " + std::to_string(errorNumber);
    return text;
}
