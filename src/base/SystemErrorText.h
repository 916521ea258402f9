#pragma once

#include <string>

// The operating system's own text for an error number ("No such file or directory"), as the
// user should read it. Unknown numbers give the system's "Unknown error N" text. The numbers are
// the system's own: errno values on POSIX, Windows error codes on Windows.
std::string SystemErrorText(int errorNumber);
