#pragma once

#include "SioDcb.h"
#include "SioWin32Windows.h"

// The line settings record and the driver's device control block have the same fields, in the
// same order, with the same flag bits; these copy one into the other.
DCB SioDcbToWin32(const TSioDcb& settings);
TSioDcb SioDcbFromWin32(const DCB& block);
