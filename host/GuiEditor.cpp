#include "host/GuiEditor.h"

#include "gui/CFrame.h"
#include "gui/CPaintContext.h"
#include "host/PluginEffect.h"

#include <windows.h>

#include <ole2.h>

namespace tovrel {

int32_t knobMode = 0;

namespace {

uint32_t platformTicks() {
    return GetTickCount();
}

void platformSleep(uint32_t milliseconds) {
    Sleep(milliseconds);
}

} // namespace

GuiEditor::GuiEditor(PluginEffect* owner)
    : PluginEditor(owner), tickSource(platformTicks), sleepFunction(platformSleep) {
    lastIdleTicks = tickSource();
    if (effect)
        effect->attachEditor(this);
    // The toolkit's drag and drop needs OLE on the thread that made the effect.
    OleInitialize(nullptr);
}

GuiEditor::~GuiEditor() {
    OleUninitialize();
}

void GuiEditor::setIdleClock(TickSource ticks, SleepFunction sleep) {
    tickSource = ticks ? ticks : platformTicks;
    sleepFunction = sleep ? sleep : platformSleep;
    lastIdleTicks = tickSource();
}

bool GuiEditor::onEditGetRect(ERect** rect) {
    if (!rect)
        return false;
    *rect = &editRect;
    return true;
}

void GuiEditor::onEditIdle() {
    if (!inIdlePump && frame)
        frame->onIdle();
}

bool GuiEditor::onEditKeyDown(VstKeyCode key) {
    return frame && frame->handleKeyDown(key) == 1;
}

bool GuiEditor::onEditKeyUp(VstKeyCode key) {
    return frame && frame->handleKeyUp(key) == 1;
}

bool GuiEditor::onWheelTurn(float distance) {
    if (!frame)
        return false;
    CPaintContext context(frame, nullptr, static_cast<HWND>(parentWindow));
    POINT cursor{};
    GetCursorPos(&cursor);
    const CPos where{cursor.x - context.getWindowOrigin().h, cursor.y - context.getWindowOrigin().v};
    return frame->handleWheel(&context, where, distance);
}

bool GuiEditor::onSetEditKnobMode(int32_t mode) {
    knobMode = mode;
    return true;
}

bool GuiEditor::beginParameterEdit(int32_t index) {
    return effect && effect->notifyHostBeginEdit(index);
}

bool GuiEditor::endParameterEdit(int32_t index) {
    return effect && effect->notifyHostEndEdit(index);
}

void GuiEditor::pumpIdle() {
    uint32_t now = tickSource();
    // How early the call comes, as a signed distance on the wrapping 32-bit clock: a plain
    // comparison would stall the pump for weeks when the clock wraps between two steps.
    const auto earlyBy = [this](uint32_t ticks) { return static_cast<int32_t>(lastIdleTicks - ticks); };
    if (earlyBy(now) > 0) {
        sleepFunction(kIdleMinWait);
        now += kIdleMinWait;
        if (earlyBy(now) > static_cast<int32_t>(kIdleEarlyMargin))
            return;
    }
    onEditIdle();
    MSG message{};
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageA(&message);
    lastIdleTicks = now + kIdleRate;
    inIdlePump = true;
    if (effect)
        effect->giveHostIdle();
    inIdlePump = false;
}

} // namespace tovrel
