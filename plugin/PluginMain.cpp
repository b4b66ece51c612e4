// The library's exported entry point: a VST 2.4 host calls it once per effect it wants.
#include "host/VstAbi.h"
#include "plugin/CrossfeedFactory.h"

#include <memory>

#if defined(_WIN32)
#define TOVREL_EXPORT __declspec(dllexport)
#else
#define TOVREL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TOVREL_EXPORT AEffect* VST_CALL VSTPluginMain(HostCallback hostCallback) {
    // A host too old to answer its version gets nothing. The host must pass a callback.
    if (hostCallback(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    std::unique_ptr<tovrel::CrossfeedEffect> effect = tovrel::makeCrossfeedEffect(hostCallback);
    // Without its filter state the effect cannot process: refuse to load rather than crash.
    // Deliberate: no filter state, no effect (docs/deliberate-choices.md).
    if (!effect || !effect->filter())
        return nullptr;
    // From here on the host owns the effect through its record, and closes it with effClose.
    return effect.release()->effectRecord();
}

#if !defined(_WIN32)
// Older Linux hosts look the entry up as "main". The Windows builds export that alias through
// the module-definition file.
extern "C" TOVREL_EXPORT AEffect* VST_CALL vstMainAlias(HostCallback hostCallback) __asm__("main")
    __attribute__((alias("VSTPluginMain")));
#endif
