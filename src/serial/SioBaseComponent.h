#pragma once

#include <string>
#include <vector>

#include "SioExcept.h"

// Base of the serial library's components. Every component reports the library version, knows
// whether it is being loaded from its stored settings (failures then pass unreported, see
// CheckResult), and can follow another component so that each hears when the other goes away:
// a controller holding a port or a light must never keep a reference to a destroyed one.
class TSioBaseComponent : public TSioLoadState {
  public:
    enum class TOperation { Insert, Remove };

    TSioBaseComponent() = default;
    ~TSioBaseComponent() override;
    TSioBaseComponent(const TSioBaseComponent&) = delete;
    TSioBaseComponent& operator=(const TSioBaseComponent&) = delete;

    // Always "v1.00"; writing it changes nothing.
    std::string Version() const { return "v1.00"; }
    void SetVersion(const std::string&) {}

    bool Loading() const override { return loading_; }
    // Stored settings are applied between these two; EndLoading runs Loaded.
    void BeginLoading() { loading_ = true; }
    void EndLoading();

    // Links this component and `other` both ways: whichever is destroyed first tells the other
    // through Notification(…, Remove).
    void FreeNotification(TSioBaseComponent* other);
    void RemoveFreeNotification(TSioBaseComponent* other);

  protected:
    virtual void Loaded() {}
    // Another component this one follows is going away (only its address may be used).
    virtual void Notification(TSioBaseComponent* component, TOperation operation);
    // Tells every follower that this component goes away. A derived class whose followers
    // call back into it runs this first in its own destructor, while it is still whole.
    void NotifyRemoval();

  private:
    void Unlink(TSioBaseComponent* other);

    bool loading_ = false;
    std::vector<TSioBaseComponent*> followers_;
};
