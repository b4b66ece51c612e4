#include "plugin/CrossfeedEditor.h"

#include "gui/CFrame.h"
#include "gui/CParamDisplay.h"
#include "gui/CPixmap.h"
#include "gui/CSlider.h"
#include "gui/platform/PlatformSystem.h"
#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"
#include "plugin/ParameterMath.h"
#include "plugin/Presets.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace tovrel {

namespace {

constexpr int32_t kBackgroundBitmap = 128;
constexpr int32_t kTrackBitmap = 129;
constexpr int32_t kHandleBitmap = 130;

constexpr CRgba kTextColour{221, 233, 246, 255};
// The painted background's grey, so that the displays sit in it without a visible box.
constexpr CRgba kDisplayColour{28, 30, 35, 255};
constexpr int32_t kDisplayFont = 4; // Arial, 11 pixels

// The sliders' left edge and the rows of the three parameter groups.
constexpr int32_t kLeft = 10;
constexpr int32_t kFirstSliderTop = 30;
constexpr int32_t kGroupSpacing = 50;
constexpr int32_t kDisplayRight = 160;

const ValueToText kTextConverters[3] = {&CrossfeedEditor::feedText, &CrossfeedEditor::cutText,
                                        &CrossfeedEditor::presetText};

} // namespace

CrossfeedEditor::CrossfeedEditor(CrossfeedEffect* owner)
    : GuiEditor(owner), background(makeRef<CPixmap>(kBackgroundBitmap)) {
    editRect.top = 0;
    editRect.left = 0;
    editRect.bottom = static_cast<int16_t>(background->getHeight());
    editRect.right = static_cast<int16_t>(background->getWidth());
}

CrossfeedEditor::~CrossfeedEditor() {
    // The host closes the window before it closes the effect; a host that does not must not leave
    // a frame calling back into a destroyed editor.
    onEditClose();
}

bool CrossfeedEditor::onEditOpen(void* parent) {
    // A host that opens again without closing gets a fresh window in the new parent, not a
    // second frame beside a forgotten one.
    if (frame)
        onEditClose();
    PluginEditor::onEditOpen(parent);
    const Ref<CPixmap> track = makeRef<CPixmap>(kTrackBitmap);
    const Ref<CPixmap> handle = makeRef<CPixmap>(kHandleBitmap);
    if (track->getWidth() == 0 || handle->getWidth() == 0)
        return false;

    const CRectangle size{0, 0, background->getWidth(), background->getHeight()};
    FrameHolder newFrame = makeUniqueRef<CFrame>(size, nativeWindowFrom(parent), frameOwner());
    if (!newFrame->frameWindow()) {
        // No parent, or one that no longer exists: there is no editor to show.
        newFrame.reset();
        PluginEditor::onEditClose();
        return false;
    }
    newFrame->setBackdrop(background.get());

    const int32_t trackWidth = track->getWidth();
    const int32_t trackHeight = track->getHeight();
    const int32_t handleTravelEnd = trackWidth - handle->getWidth() + kLeft;
    int32_t top = kFirstSliderTop;
    CSlider* newSliders[kControls]{};
    for (int32_t tag = 0; tag < kControls; ++tag) {
        const CRectangle bounds{kLeft, top, kLeft + trackWidth, top + trackHeight};
        Ref<CSlider> slider = makeRef<CSlider>(bounds, this, tag, kLeft, handleTravelEnd, handle.get(),
                                               track.get(), CPos{0, 0}, kStyleHorizontal | kStyleLeft);
        slider->setHandleOffset(CPos{0, 0});
        slider->setValue(effect->getParameter(tag));
        newSliders[tag] = slider.get();
        newFrame->addChild(std::move(slider)); // the frame holds it from here on
        top += trackHeight + kGroupSpacing;
    }

    // Each display sits 6 pixels under its slider, 14 pixels high.
    CParamDisplay* newDisplays[kControls]{};
    for (int32_t index = 0; index < kControls; ++index) {
        const int32_t displayTop = kFirstSliderTop + index * (trackHeight + kGroupSpacing) + trackHeight + 6;
        Ref<CParamDisplay> display =
            makeRef<CParamDisplay>(CRectangle{kLeft, displayTop, kDisplayRight, displayTop + 14});
        display->setAlignment(kAlignLeft);
        display->setFontNumber(kDisplayFont);
        display->setTextColour(kTextColour);
        display->setBackColour(kDisplayColour);
        display->setFrameColour(kDisplayColour);
        display->setValue(effect->getParameter(index));
        display->setTextConverter(kTextConverters[index]);
        newDisplays[index] = display.get();
        newFrame->addChild(std::move(display));
    }

    for (int32_t index = 0; index < kControls; ++index) {
        sliders[index] = newSliders[index];
        displays[index] = newDisplays[index];
    }
    frame = std::move(newFrame);
    if (!startFrameEvents()) {
        onEditClose();
        return false;
    }
    // The window's own event thread where it has one, else this (the host's) thread.
    const unsigned long ownThread = windowEventThread();
    windowThread.store(ownThread != 0 ? ownThread : currentThreadId(), std::memory_order_release);
    return true;
}

void CrossfeedEditor::onEditClose() {
    // The window's thread first, before anything it reads goes.
    stopFrameEvents();
    windowThread.store(0, std::memory_order_release);
    for (int32_t i = 0; i < kControls; ++i) {
        sliders[i] = nullptr;
        displays[i] = nullptr;
    }
    closeFrame();
    PluginEditor::onEditClose();
}

// Any thread of the host may set a parameter, its audio thread too, while the window's thread
// opens, closes or paints the editor. Only the window's thread touches the controls: another
// thread just marks them stale, one atomic store that never waits, and the window's thread
// refreshes them at its next idle call.
void CrossfeedEditor::parameterChanged(int32_t, float) {
    controlsStale.store(true, std::memory_order_release);
    if (windowThread.load(std::memory_order_acquire) == currentThreadId())
        refreshControls();
}

void CrossfeedEditor::onEditIdle() {
    if (onWindowThread())
        refreshControls();
    GuiEditor::onEditIdle();
}

void CrossfeedEditor::refreshControls() {
    if (!controlsStale.exchange(false, std::memory_order_acq_rel))
        return;
    // Every control shows the effect's value, whatever changed: a preset moves all three.
    for (int32_t index = 0; index < kControls; ++index) {
        const float value = effect->getParameter(index);
        if (sliders[index])
            sliders[index]->setValue(value);
        if (displays[index])
            displays[index]->setValue(value);
    }
}

void CrossfeedEditor::controlChanged(CPaintContext*, CControl* control) {
    const int32_t tag = control->getTag();
    // A closed editor automates nothing, whatever a control still tracking the mouse reports; nor
    // does one that another thread is closing: the edit that the control began was refused then,
    // and an automation would reach the host outside any edit.
    if (!frame || eventsStopping.load(std::memory_order_acquire) || tag < 0 || tag >= kControls)
        return;
    effect->automateParameter(tag, control->getValue());
    control->setNeedsRepaint(true);
}

void CrossfeedEditor::feedText(float value, char* text) {
    // The effect's own mapping, in 64 bits: a value far outside 0..1 (or NaN) cannot overflow, and
    // shows as a number no valid feed has.
    const int64_t wide = feedFromParameter(value);
    const int feed = static_cast<int>(wide < -99999 ? -99999 : (wide > 99999 ? 99999 : wide));
    std::snprintf(text, kDisplayTextSize, "%d.%d dB", feed / 10, feed % 10);
}

void CrossfeedEditor::cutText(float value, char* text) {
    // The added hundredth shows the frequency actually stored for a value that came from it.
    // Deliberate: the display's own quantisation, 0.01 added before truncating (docs/deliberate-choices.md).
    const float scaled = value * kCutSteps;
    const float shifted = scaled + static_cast<float>(kMinCutFrequency);
    const int32_t cut = truncateToInt32(shifted + 0.01f);
    const int delay = cut > 0 ? interauralDelay(static_cast<uint32_t>(cut)) : 0;
    std::snprintf(text, kDisplayTextSize, "%d Hz (%d us delay)", cut, delay);
}

void CrossfeedEditor::presetText(float value, char* text) {
    // Deliberate: the display's own quantisation, 0.001 not 0.01 (docs/deliberate-choices.md).
    int32_t index = truncateToInt32(value * 5.0f - 0.001f);
    index = index < 0 ? 0 : (index >= kPresetCount ? kPresetCount - 1 : index);
    std::snprintf(text, kDisplayTextSize, "%s", kPresetNames[index]);
}

} // namespace tovrel
