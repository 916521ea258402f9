#pragma once

#include "Exception.h"

// The runtime ran out of memory for a request.
class EOutOfMemory : public Exception {
public:
    explicit EOutOfMemory(std::string message = "Out of memory") : Exception(std::move(message)) {}

    RM_EXCEPTION_CLASS_NAME(EOutOfMemory)
};
