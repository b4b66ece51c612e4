#pragma once

#include "gui/platform/PlatformTypes.h"

#include <cstdint>
#include <memory>

namespace tovrel {

// One picture of the plug-in's own resources, decoded once and drawn by painters of the same
// platform. Its pixels are opaque; the pixmap asks for a key colour or a constant opacity when it
// draws, not the picture.
class PlatformBitmap {
public:
    virtual ~PlatformBitmap() = default;

    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual NativeBitmap nativeBitmap() const = 0;

protected:
    PlatformBitmap() = default;
    PlatformBitmap(const PlatformBitmap&) = default;
    PlatformBitmap& operator=(const PlatformBitmap&) = default;
};

// The bitmap resource `number` (1 to 65535) of the loaded library, with its size; null when the
// library has none of that number or it cannot be decoded.
std::unique_ptr<PlatformBitmap> loadBitmapResource(int32_t number);

} // namespace tovrel
