#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace tovrel {

// One counted reference to a toolkit object (a view, a paint context, a pixmap, drop data),
// given back when the holder lets go. Taking a pointer retains it; `adopt` takes over a reference
// the caller already holds, such as the creator's first one.
template <typename T> class Ref {
public:
    Ref() = default;
    explicit Ref(T* held) : object(held) {
        if (object)
            object->retain();
    }
    Ref(const Ref& other) : Ref(other.object) {}
    Ref(Ref&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    // A holder of a derived object shares or hands over its reference as a holder of its base.
    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(const Ref<U>& other) : Ref(other.get()) {}
    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(Ref<U>&& other) noexcept : object(other.detach()) {}
    ~Ref() { reset(); }

    Ref& operator=(const Ref& other) {
        reset(other.object);
        return *this;
    }
    Ref& operator=(Ref&& other) noexcept {
        if (this != &other) {
            T* taken = std::exchange(other.object, nullptr);
            reset();
            object = taken;
        }
        return *this;
    }

    // Takes over a reference the caller holds, without counting another.
    [[nodiscard]] static Ref adopt(T* held) {
        Ref taken;
        taken.object = held;
        return taken;
    }

    // Holds `replacement` instead. The new reference is taken before the old one is given back:
    // the two may be the same object, whose last reference the old one may be.
    void reset(T* replacement = nullptr) {
        if (replacement)
            replacement->retain();
        T* old = std::exchange(object, replacement);
        if (old)
            old->release();
    }

    // Gives up the reference without counting it down: whoever takes the pointer holds it now.
    [[nodiscard]] T* detach() { return std::exchange(object, nullptr); }

    T* get() const { return object; }
    T* operator->() const { return object; }
    T& operator*() const { return *object; }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object{nullptr};
};

// A new object whose creator's reference the returned holder keeps.
template <typename T, typename... Arguments> [[nodiscard]] Ref<T> makeRef(Arguments&&... arguments) {
    return Ref<T>::adopt(new T(std::forward<Arguments>(arguments)...));
}

// For holders of a single owner (std::unique_ptr) of a counted object: the owner gives back its
// reference instead of deleting the object outright, so that every count stays balanced.
struct ReleaseReference {
    template <typename T> void operator()(T* object) const { object->release(); }
};

// The one owner of a counted object that nothing else shares, such as an open editor's frame.
template <typename T> using UniqueRef = std::unique_ptr<T, ReleaseReference>;

// A new object whose creator's reference its single owner keeps.
template <typename T, typename... Arguments>
[[nodiscard]] UniqueRef<T> makeUniqueRef(Arguments&&... arguments) {
    return UniqueRef<T>(new T(std::forward<Arguments>(arguments)...));
}

} // namespace tovrel
