#include "gui/platform/x11/EmbeddedBitmaps.h"

#include <algorithm>

namespace tovrel {

const EmbeddedBitmap* findEmbeddedBitmap(int32_t resourceNumber) {
    const EmbeddedBitmap* end = embeddedBitmapsEnd();
    const EmbeddedBitmap* found = std::lower_bound(
        embeddedBitmapsBegin(), end, resourceNumber,
        [](const EmbeddedBitmap& entry, int32_t number) { return entry.resourceNumber < number; });
    return found != end && found->resourceNumber == resourceNumber ? found : nullptr;
}

} // namespace tovrel
