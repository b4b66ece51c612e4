#pragma once

#include <cstdint>

namespace tovrel {

class CrossfeedEffect;
class PluginEditor;

// The effect reaches its editor only through these two calls, so that the portable effect does
// not depend on the windowing code. Builds without an editor define them to do nothing.

// Creates the effect's editor, which attaches itself to the effect.
void attachCrossfeedEditor(CrossfeedEffect* effect);

// Tells the attached editor that a parameter was set, so that its controls follow.
void notifyCrossfeedEditor(PluginEditor* editor, int32_t index, float value);

} // namespace tovrel
