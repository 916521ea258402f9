#include "SioDispatcherRegistry.h"

#include <algorithm>
#include <stdexcept>

std::uint16_t TSioDispatcherRegistry::Add(TSioBaseDispatcher* dispatcher) {
    std::lock_guard lock(lock_);
    auto empty = std::find(slots_.begin(), slots_.end(), nullptr);
    if (empty != slots_.end()) {
        *empty = dispatcher;
        return static_cast<std::uint16_t>(empty - slots_.begin());
    }
    if (slots_.size() > 0xFFFF) throw std::length_error("Too many serial dispatchers");
    slots_.push_back(dispatcher);
    return static_cast<std::uint16_t>(slots_.size() - 1);
}

void TSioDispatcherRegistry::Remove(std::uint16_t handle) {
    std::lock_guard lock(lock_);
    if (handle < slots_.size()) slots_[handle] = nullptr;
    while (!slots_.empty() && slots_.back() == nullptr) slots_.pop_back();
}

TSioBaseDispatcher* TSioDispatcherRegistry::At(std::uint32_t handle) const {
    std::lock_guard lock(lock_);
    return handle < slots_.size() ? slots_[handle] : nullptr;
}

std::size_t TSioDispatcherRegistry::Size() const {
    std::lock_guard lock(lock_);
    return slots_.size();
}

TSioDispatcherRegistry& DispatcherRegistry() {
    static TSioDispatcherRegistry registry;
    return registry;
}
