#pragma once

#include <cstdint>

// Result code for a failed file operation of the library (writing the trace or the log): the
// system's error number as the nearest runtime input/output code, negated. This is the one place
// where file errors are translated.
std::int32_t IoResultFromErrno(int errorNumber);

// The same for a Windows error number (what GetLastError reports), the system error of the
// library's files on Windows.
std::int32_t IoResultFromWindowsError(std::uint32_t errorNumber);
