#include "SystemErrorText.h"

#include <cstring>

namespace {

// strerror_r has two signatures; overloads pick whichever the C library provides.
[[maybe_unused]] const char* Pick(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* Pick(const char* result, const char*) { return result; }

}  // namespace

std::string SystemErrorText(int errorNumber) {
    char buffer[256] = {};
    return Pick(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
}
