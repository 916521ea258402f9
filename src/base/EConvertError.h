#pragma once

#include "Exception.h"

// A text that should hold a number (or another value) does not.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    RM_EXCEPTION_CLASS_NAME(EConvertError)
};
