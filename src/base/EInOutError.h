#pragma once

#include "Exception.h"

// An input/output failure of the runtime, carrying the positive error number of the system
// call that failed (0 when no number applies).
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode)
        : Exception(std::move(message)), errorCode_(errorCode) {}

    int ErrorCode() const noexcept { return errorCode_; }

    RM_EXCEPTION_CLASS_NAME(EInOutError)

private:
    int errorCode_;
};
