// Builds without a windowing system (the native Linux plug-in) have no editor.
#include "plugin/CrossfeedEditorHooks.h"

namespace tovrel {

void attachCrossfeedEditor(CrossfeedEffect*) {}

void notifyCrossfeedEditor(PluginEditor*, int32_t, float) {}

} // namespace tovrel
