#pragma once

#include "SioBaseComponent.h"

// A lamp that the status-light controller switches. The screen widget implements it; the
// controller itself never depends on a window system.
class TSioLight : public TSioBaseComponent {
  public:
    virtual bool Lit() const = 0;
    virtual void SetLit(bool lit) = 0;
};
