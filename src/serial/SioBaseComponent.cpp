#include "SioBaseComponent.h"

#include <algorithm>

TSioBaseComponent::~TSioBaseComponent() {
    NotifyRemoval();
}

void TSioBaseComponent::EndLoading() {
    loading_ = false;
    Loaded();
}

void TSioBaseComponent::FreeNotification(TSioBaseComponent* other) {
    if (!other || other == this) return;
    if (std::find(followers_.begin(), followers_.end(), other) == followers_.end())
        followers_.push_back(other);
    if (std::find(other->followers_.begin(), other->followers_.end(), this) ==
        other->followers_.end())
        other->followers_.push_back(this);
}

void TSioBaseComponent::RemoveFreeNotification(TSioBaseComponent* other) {
    if (!other) return;
    Unlink(other);
    other->Unlink(this);
}

void TSioBaseComponent::Notification(TSioBaseComponent*, TOperation) {}

void TSioBaseComponent::NotifyRemoval() {
    // A follower may drop other links while it hears of the removal, so take them one by one.
    while (!followers_.empty()) {
        TSioBaseComponent* follower = followers_.back();
        followers_.pop_back();
        follower->Unlink(this);
        follower->Notification(this, TOperation::Remove);
    }
}

void TSioBaseComponent::Unlink(TSioBaseComponent* other) {
    std::erase(followers_, other);
}
