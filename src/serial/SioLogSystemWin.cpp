#include "SioLogFormat.h"

#include <windows.h>

#include <cstdio>

#include "SioMessageTable.h"

// The version the kernel reports: GetVersionEx answers with the version a program declared
// itself made for, so a program without a manifest would always read 6.2.
std::string LogSystemText() {
    using GetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto getVersion = ntdll ? reinterpret_cast<GetVersionCall>(reinterpret_cast<void*>(
                                        GetProcAddress(ntdll, "RtlGetVersion")))
                                  : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (getVersion == nullptr || getVersion(&info) != 0) return SioMessageText(sio::mtLogUnknown);
    char text[64];
    std::snprintf(text, sizeof text, "Windows %lu.%lu.%lu", info.dwMajorVersion,
                  info.dwMinorVersion, info.dwBuildNumber);
    return text;
}
