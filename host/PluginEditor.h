#pragma once

#include "host/VstAbi.h"

#include <cstdint>

namespace tovrel {

class PluginEffect;

// The editor the host opens, drives and closes through the dispatcher's editor opcodes. This base
// only remembers the host's parent window; the GUI editor builds on it.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class PluginEditor {
public:
    virtual ~PluginEditor() = default;

    virtual PluginEffect* ownerEffect() { return effect; }
    virtual bool onEditGetRect(ERect** rect);
    virtual bool onEditOpen(void* parent);
    virtual void onEditClose() { parentWindow = nullptr; }
    virtual bool isWindowOpen() { return parentWindow != nullptr; }
    virtual void onEditIdle() {}
    virtual bool onEditKeyDown(VstKeyCode /*key*/) { return false; }
    virtual bool onEditKeyUp(VstKeyCode /*key*/) { return false; }
    virtual bool onWheelTurn(float /*distance*/) { return false; }
    virtual bool onSetEditKnobMode(int32_t /*mode*/) { return false; }
    // Told by the effect whenever a parameter was set, so that an open editor's controls follow.
    // May come on any thread that sets parameters.
    virtual void parameterChanged(int32_t /*index*/, float /*value*/) {}

    PluginEditor(const PluginEditor&) = delete;
    PluginEditor& operator=(const PluginEditor&) = delete;

protected:
    explicit PluginEditor(PluginEffect* owner) : effect(owner) {}

    PluginEffect* effect{nullptr}; // not owned
    void* parentWindow{nullptr};   // the host's window while open
};

} // namespace tovrel
