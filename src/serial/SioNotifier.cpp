#include "SioNotifier.h"

#include "SioBaseDispatcher.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

namespace {

// Every live notifier, so that a thread can pump the ones it owns.
struct TNotifierList {
    std::mutex lock;
    std::vector<TSioNotifier*> items;

    bool Contains(TSioNotifier* n) {
        std::lock_guard guard(lock);
        return std::find(items.begin(), items.end(), n) != items.end();
    }
};

TNotifierList& Notifiers() {
    static TNotifierList list;
    return list;
}

}  // namespace

TSioNotifier::TSioNotifier(TSioWindowProc procedure)
    : procedure_(std::move(procedure)), owner_(std::this_thread::get_id()) {
    auto& list = Notifiers();
    std::lock_guard guard(list.lock);
    list.items.push_back(this);
}

TSioNotifier::~TSioNotifier() {
    auto& list = Notifiers();
    std::lock_guard guard(list.lock);
    std::erase(list.items, this);
}

bool TSioNotifier::Invoke(std::function<void()> work, std::chrono::milliseconds timeout) {
    TSioMessage message;
    message.Call = std::make_shared<const std::function<void()>>(std::move(work));
    return Send(message, timeout).has_value();
}

std::intptr_t TSioNotifier::Deliver(const TSioMessage& message) {
    // The handlers a dispatcher's message runs read the bytes their notification told of.
    std::optional<TSioBaseDispatcher::ServingScope> serving;
    if (message.From) serving.emplace(*message.From);
    if (message.Call) {
        (*message.Call)();
        return 0;
    }
    return procedure_ ? procedure_(message) : 0;
}

bool TSioNotifier::PumpCallingThread() {
    const auto me = std::this_thread::get_id();
    std::vector<TSioNotifier*> mine;
    {
        auto& list = Notifiers();
        std::lock_guard guard(list.lock);
        for (auto* n : list.items)
            if (n->owner_ == me) mine.push_back(n);
    }
    bool delivered = false;
    // A procedure may destroy a notifier of this thread; only pump those still alive.
    for (auto* n : mine)
        if (Notifiers().Contains(n) && n->PumpOne()) delivered = true;
    return delivered;
}
