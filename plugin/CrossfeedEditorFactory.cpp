// The Windows library's effect comes with its editor, which the effect owns from then on.
#include "plugin/CrossfeedEditor.h"
#include "plugin/CrossfeedFactory.h"

#include <new>

namespace tovrel {

std::unique_ptr<CrossfeedEffect> makeCrossfeedEffect(HostCallback callback) {
    std::unique_ptr<CrossfeedEffect> effect(new (std::nothrow) CrossfeedEffect(callback));
    if (effect)
        effect->attachEditor(std::make_unique<CrossfeedEditor>(effect.get()));
    return effect;
}

} // namespace tovrel
