#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace tovrel {

// How a holder counts references: the toolkit's objects retain and release; COM objects (the
// platform's and the toolkit's own) AddRef and Release.
struct RetainRelease {
    template <typename T> static void take(T* object) { object->retain(); }
    template <typename T> static void give(T* object) { object->release(); }
};
struct AddRefRelease {
    template <typename T> static void take(T* object) { object->AddRef(); }
    template <typename T> static void give(T* object) { object->Release(); }
};

// One counted reference to an object, given back when the holder lets go. Taking a pointer counts
// a reference; `adopt` takes over one the caller already holds, such as the creator's first one
// or the one an out pointer of QueryInterface carries.
template <typename T, typename Counting> class CountedRef {
public:
    CountedRef() = default;
    explicit CountedRef(T* held) : object(held) {
        if (object)
            Counting::take(object);
    }
    CountedRef(const CountedRef& other) : CountedRef(other.object) {}
    CountedRef(CountedRef&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    // A holder of a derived object shares or hands over its reference as a holder of its base.
    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    CountedRef(const CountedRef<U, Counting>& other) : CountedRef(other.get()) {}
    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    CountedRef(CountedRef<U, Counting>&& other) noexcept : object(other.detach()) {}
    ~CountedRef() { reset(); }

    CountedRef& operator=(const CountedRef& other) {
        reset(other.object);
        return *this;
    }
    CountedRef& operator=(CountedRef&& other) noexcept {
        if (this != &other) {
            T* taken = std::exchange(other.object, nullptr);
            reset();
            object = taken;
        }
        return *this;
    }

    // Takes over a reference the caller holds, without counting another.
    [[nodiscard]] static CountedRef adopt(T* held) {
        CountedRef taken;
        taken.object = held;
        return taken;
    }

    // Holds `replacement` instead. The new reference is taken before the old one is given back:
    // the two may be the same object, whose last reference the old one may be.
    void reset(T* replacement = nullptr) {
        if (replacement)
            Counting::take(replacement);
        T* old = std::exchange(object, replacement);
        if (old)
            Counting::give(old);
    }

    // Gives up the reference without counting it down: whoever takes the pointer holds it now.
    [[nodiscard]] T* detach() { return std::exchange(object, nullptr); }

    // Lets go of what is held and lends the slot to a call that hands out a new reference through
    // an out pointer (QueryInterface); the holder keeps that reference.
    void** put() {
        reset();
        return reinterpret_cast<void**>(&object);
    }

    T* get() const { return object; }
    T* operator->() const { return object; }
    T& operator*() const { return *object; }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object{nullptr};
};

// A toolkit object's holder (a view, a paint context, a pixmap, drop data).
template <typename T> using Ref = CountedRef<T, RetainRelease>;

// A COM object's holder: a platform object or one of the toolkit's own COM objects.
template <typename T> using ComRef = CountedRef<T, AddRefRelease>;

// A new object whose creator's reference the returned holder keeps.
template <typename T, typename... Arguments> [[nodiscard]] Ref<T> makeRef(Arguments&&... arguments) {
    return Ref<T>::adopt(new T(std::forward<Arguments>(arguments)...));
}

// A new COM object of the toolkit's own, whose count starts at 0: the holder takes its first
// reference.
template <typename T, typename... Arguments> [[nodiscard]] ComRef<T> makeComRef(Arguments&&... arguments) {
    return ComRef<T>(new T(std::forward<Arguments>(arguments)...));
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
