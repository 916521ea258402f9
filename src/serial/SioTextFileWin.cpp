#include <windows.h>

#include <algorithm>

#include "SioIoResult.h"
#include "SioTextFile.h"

namespace {

HANDLE Handle(std::intptr_t file) {
    return reinterpret_cast<HANDLE>(file);
}

}  // namespace

std::int32_t TSioTextFile::OpenFile(const std::string& path, bool append) {
    // Others may read the file while it grows; appending starts at the end of what is there.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) return IoResultFromWindowsError(GetLastError());
    LARGE_INTEGER none{};
    if (append && !SetFilePointerEx(file, none, nullptr, FILE_END)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        return IoResultFromWindowsError(error);
    }
    file_ = reinterpret_cast<std::intptr_t>(file);
    return 0;
}

std::int64_t TSioTextFile::WriteSome(const char* data, std::size_t size) {
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(Handle(file_), data, piece, &written, nullptr))
        return IoResultFromWindowsError(GetLastError());
    return written > 0 ? written : IoResultFromWindowsError(ERROR_WRITE_FAULT);
}

std::int32_t TSioTextFile::CloseFile() {
    return CloseHandle(Handle(file_)) ? 0 : IoResultFromWindowsError(GetLastError());
}
