#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>

// A published event of a component: an object and one of its member routines, or any callable.
// It can be stored, copied, tested for being assigned, compared by routine (same object and same
// member routine) and called. Calling an unassigned event does nothing.
template <typename... Args>
class Event {
public:
    Event() = default;

    template <typename Object>
    Event(Object* object, void (Object::*routine)(Args...))
        : call_([object, routine](Args... args) { (object->*routine)(std::forward<Args>(args)...); }),
          object_(object),
          routine_(MemberKey(routine)) {}

    // A free callable (lambda, function). Such an event compares equal only to its own copies.
    template <typename Callable,
              typename = std::enable_if_t<std::is_invocable_v<Callable&, Args...> &&
                                          !std::is_same_v<std::decay_t<Callable>, Event>>>
    Event(Callable callable) : call_(std::move(callable)), routine_(NextCallableKey()) {}

    Event(const Event& other) = default;
    Event& operator=(const Event& other) = default;

    explicit operator bool() const { return static_cast<bool>(call_); }
    bool Assigned() const { return static_cast<bool>(call_); }

    void operator()(Args... args) const {
        if (call_) call_(std::forward<Args>(args)...);
    }

    const void* Object() const { return object_; }

    friend bool operator==(const Event& a, const Event& b) {
        if (!a.call_ || !b.call_) return !a.call_ && !b.call_;
        return a.object_ == b.object_ && a.routine_ == b.routine_;
    }

private:
    // Member routine pointers of different classes cannot be compared directly; their bytes can.
    struct Key {
        unsigned char bytes[2 * sizeof(void*)] = {};
        friend bool operator==(const Key&, const Key&) = default;
    };

    template <typename Routine>
    static Key MemberKey(Routine routine) {
        static_assert(sizeof(Routine) <= sizeof(Key::bytes));
        Key key;
        std::memcpy(key.bytes, &routine, sizeof(Routine));
        return key;
    }

    static Key NextCallableKey() {
        static std::atomic<std::uint64_t> counter{0};
        const std::uint64_t id = ++counter;
        Key key;
        std::memcpy(key.bytes, &id, sizeof id);
        return key;
    }

    std::function<void(Args...)> call_;
    const void* object_ = nullptr;
    Key routine_{};
};
