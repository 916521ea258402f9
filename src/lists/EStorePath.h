#pragma once

#include "Exception.h"

// No usable folder to keep list files in.
class EStorePath : public Exception {
  public:
    using Exception::Exception;
    RM_EXCEPTION_CLASS_NAME(EStorePath)
};
