#pragma once

#include <utility>

namespace tovrel {

// One COM reference (AddRef/Release) to a platform object or to one of the toolkit's own COM
// objects, given back when the holder lets go. Taking a pointer adds a reference; `adopt` takes
// over one the caller already holds, such as the one an out pointer of QueryInterface carries.
template <typename T> class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* held) : object(held) {
        if (object)
            object->AddRef();
    }
    ComRef(const ComRef& other) : ComRef(other.object) {}
    ComRef(ComRef&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    ~ComRef() { reset(); }

    ComRef& operator=(const ComRef& other) {
        reset(other.object);
        return *this;
    }
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            T* taken = std::exchange(other.object, nullptr);
            reset();
            object = taken;
        }
        return *this;
    }

    [[nodiscard]] static ComRef adopt(T* held) {
        ComRef taken;
        taken.object = held;
        return taken;
    }

    // The new reference is taken before the old one is given back: they may be the same object.
    void reset(T* replacement = nullptr) {
        if (replacement)
            replacement->AddRef();
        T* old = std::exchange(object, replacement);
        if (old)
            old->Release();
    }

    // Lets go of what is held and lends the slot to a call that hands out a new reference through
    // an out pointer (QueryInterface); the holder keeps that reference.
    void** put() {
        reset();
        return reinterpret_cast<void**>(&object);
    }

    T* get() const { return object; }
    T* operator->() const { return object; }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object{nullptr};
};

// A new COM object of the toolkit's own, whose count starts at 0: the holder takes its first
// reference.
template <typename T, typename... Arguments> [[nodiscard]] ComRef<T> makeComRef(Arguments&&... arguments) {
    return ComRef<T>(new T(std::forward<Arguments>(arguments)...));
}

} // namespace tovrel
