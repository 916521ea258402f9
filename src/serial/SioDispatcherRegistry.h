#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

class TSioBaseDispatcher;

// The process-wide list of live dispatchers. A dispatcher's handle is its index here; the
// handle travels in every notification, so a notification that arrives after its dispatcher is
// gone finds an empty slot and is ignored.
class TSioDispatcherRegistry {
  public:
    // Takes the first empty slot (or appends) and returns its index.
    std::uint16_t Add(TSioBaseDispatcher* dispatcher);
    // Empties the slot and drops the empty slots at the end.
    void Remove(std::uint16_t handle);

    // The dispatcher in a slot, or nullptr for an empty or unknown slot. Hold Lock() while
    // using the result, so that the dispatcher cannot be destroyed meanwhile.
    TSioBaseDispatcher* At(std::uint32_t handle) const;
    std::recursive_mutex& Lock() const { return lock_; }
    std::size_t Size() const;

  private:
    mutable std::recursive_mutex lock_;
    std::vector<TSioBaseDispatcher*> slots_;
};

TSioDispatcherRegistry& DispatcherRegistry();
