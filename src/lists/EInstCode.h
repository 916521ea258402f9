#pragma once

#include "Exception.h"

// The serial number does not give a valid instrument number to name the instrument's folder.
class EInstCode : public Exception {
  public:
    using Exception::Exception;
    RM_EXCEPTION_CLASS_NAME(EInstCode)
};
