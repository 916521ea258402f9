#pragma once

#include "Exception.h"

// A failure of the simulator itself: a state file it cannot read, a port link it may not
// replace, a pseudo-terminal it cannot create. The message says what to do about it.
class ESimError : public Exception {
public:
    using Exception::Exception;
    RM_EXCEPTION_CLASS_NAME(ESimError)
};
