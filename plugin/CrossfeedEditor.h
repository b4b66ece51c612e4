#pragma once

#include "editor/GuiEditor.h"
#include "gui/CControlObserver.h"

#include <atomic>
#include <cstdint>

namespace tovrel {

class CParamDisplay;
class CPixmap;
class CSlider;
class CrossfeedEffect;

// The crossfeed effect's editor: over the painted background, one slider and one value display
// for each of "Feed", "FCut" and "Defs". Every change made with a slider goes through the effect,
// and every parameter change refreshes all six controls from the effect, so a preset snaps its
// slider to a tick mark and moves the two level sliders with it.
class CrossfeedEditor : public GuiEditor, public CControlObserver {
public:
    explicit CrossfeedEditor(CrossfeedEffect* owner);
    ~CrossfeedEditor() override;

    bool onEditOpen(void* parent) override;
    void onEditClose() override;
    void onEditIdle() override;
    void parameterChanged(int32_t index, float value) override;

    void controlChanged(CPaintContext* context, CControl* control) override;
    int32_t modifierClick(CPaintContext*, CControl*, int32_t) override { return 0; }

    // The texts the three displays show for a value.
    static void feedText(float value, char* text);
    static void cutText(float value, char* text);
    static void presetText(float value, char* text);

private:
    static constexpr int32_t kControls = 3;

    // On the window's thread: gives the controls the effect's values if a change marked them stale.
    void refreshControls();

    CSlider* sliders[kControls]{};        // owned by the frame while open
    CParamDisplay* displays[kControls]{}; // owned by the frame while open
    Ref<CPixmap> background;              // for the editor's life
    // Deliberate: atomics where the design has none (docs/deliberate-choices.md).
    std::atomic<bool> controlsStale{false};     // a parameter changed since the controls were refreshed
    std::atomic<unsigned long> windowThread{0}; // the thread that owns the open editor's window
};

} // namespace tovrel
