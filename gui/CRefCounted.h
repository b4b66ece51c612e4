#pragma once

#include <cstdint>

namespace tovrel {

// Base of every toolkit object with a shared lifetime. The creator holds the first reference;
// the toolkit is single-threaded, so the count is a plain integer.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CRefCounted {
public:
    CRefCounted() = default;
    virtual ~CRefCounted() = default;

    virtual void release() {
        if (refCount-- == 1)
            delete this;
    }
    virtual void retain() { ++refCount; }

    int32_t getRefCount() const { return refCount; }

    CRefCounted(const CRefCounted&) = delete;
    CRefCounted& operator=(const CRefCounted&) = delete;

protected:
    int32_t refCount{1};
};

} // namespace tovrel
