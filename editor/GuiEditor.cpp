#include "editor/GuiEditor.h"

#include "editor/ScaleChoice.h"
#include "gui/CFrame.h"
#include "gui/CPaintContext.h"
#include "gui/platform/PlatformSystem.h"
#include "gui/platform/PlatformWindow.h"
#include "host/PluginEffect.h"

#include <algorithm>
#include <iterator>

namespace tovrel {

int32_t knobMode = 0;

GuiEditor::GuiEditor(PluginEffect* owner)
    : PluginEditor(owner), tickSource(platformTicks), sleepFunction(platformSleep), notices(owner) {
    lastIdleTicks = tickSource();
    // No OLE here: hosts make effects on one thread and close them on another, and OLE counts per
    // thread. The frame holds OLE on the thread that opens the window, for the window's life.
}

GuiEditor::~GuiEditor() {
    if (effect && effect->hostNoticeRouter() == &notices)
        effect->setHostNoticeRouter(nullptr);
    for (PumpWatch* pump = runningPumps; pump; pump = pump->outer)
        pump->editorGone = true;
}

void GuiEditor::closeFrame() {
    stopFrameEvents();
    endOpenEdits();
    // The editor forgets the frame before the frame goes.
    frame.reset();
    framePercent.store(0, std::memory_order_release);
    eventThread.store(0, std::memory_order_release);
}

bool GuiEditor::startFrameEvents() {
    if (!frame)
        return false;
    PlatformWindow* window = frame->getPlatformWindow();
    framePercent.store(frame->frameScale().getPercent(), std::memory_order_release);
    if (!window->startEvents(kIdleRate))
        return false;
    const unsigned long thread = window->eventThread();
    eventThread.store(thread, std::memory_order_release);
    ownWindowThread.store(thread != 0, std::memory_order_release);
    if (thread != 0 && effect && noticesWaitForIdle) {
        notices.keepNoticesOf(thread);
        effect->setHostNoticeRouter(&notices);
    }
    return true;
}

void GuiEditor::stopFrameEvents() {
    if (!frame)
        return;
    const bool fromOtherThread = !onWindowThread();
    eventsStopping.store(fromOtherThread, std::memory_order_release);
    frame->getPlatformWindow()->stopEvents();
    eventsStopping.store(false, std::memory_order_release);
    // The window's thread has stopped (or is this one): what it left for the host goes now, before
    // the close ends the edits still open.
    notices.keepNoticesOf(0);
    notices.deliver();
}

bool GuiEditor::onWindowThread() const {
    const unsigned long thread = eventThread.load(std::memory_order_acquire);
    return thread == 0 || thread == currentThreadId();
}

void GuiEditor::endOpenEdits() {
    // Taken out of the list first: the host may answer an End-edit with anything, even a new edit.
    while (!openEdits.empty()) {
        const int32_t tag = openEdits.back();
        openEdits.pop_back();
        if (effect)
            effect->notifyHostEndEdit(tag);
    }
}

void GuiEditor::setIdleClock(TickSource ticks, SleepFunction sleep) {
    tickSource = ticks ? ticks : platformTicks;
    sleepFunction = sleep ? sleep : platformSleep;
    lastIdleTicks = tickSource();
}

bool GuiEditor::FrameLink::hostSizedWindow(int32_t width, int32_t height) {
    PluginEffect* effect = editor.ownerEffect();
    if (!effect)
        return false;
    char sizeWindow[] = "sizeWindow";
    return effect->queryHostCanDo(sizeWindow) != 0 && effect->requestHostSizeWindow(width, height);
}

CScale GuiEditor::FrameLink::scaleForFrame(const CScale& screen) {
    return ScaleChoice::scaleOn(screen);
}

void GuiEditor::FrameLink::frameContextMenu(CPos screenPoint) {
    CFrame* frame = editor.getFrame();
    if (!frame)
        return;
    const NativeWindow window = frame->frameWindow();
    // The menu runs a message loop, in which the host may close the editor, or the whole effect
    // with this editor: the watch tells, as it does for the idle pump.
    PumpWatch watch{false, editor.runningPumps};
    editor.runningPumps = &watch;
    const int32_t choice = ScaleChoice::ask(window, screenPoint);
    if (watch.editorGone)
        return;
    editor.runningPumps = watch.outer;
    if (choice < 0 || editor.getFrame() != frame)
        return;
    ScaleChoice::keep(choice);
    frame->setScale(ScaleChoice::scaleOn(screenScaleOf(window)));
    editor.framePercent.store(frame->frameScale().getPercent(), std::memory_order_release);
}

CScale GuiEditor::currentScale() const {
    // The window's thread reads the frame itself; another thread only the scale it published.
    if (onWindowThread()) {
        if (frame)
            return frame->frameScale();
    } else if (const int32_t percent = framePercent.load(std::memory_order_acquire); percent != 0) {
        return CScale(percent);
    }
    return ScaleChoice::scaleOn(screenScaleOf(nativeWindowFrom(parentWindow)));
}

bool GuiEditor::onEditGetRect(ERect** rect) {
    if (!rect)
        return false;
    const CScale scale = currentScale();
    scaledRect.top = static_cast<int16_t>(scale.toDevice(editRect.top));
    scaledRect.left = static_cast<int16_t>(scale.toDevice(editRect.left));
    scaledRect.bottom = static_cast<int16_t>(scale.toDevice(editRect.bottom));
    scaledRect.right = static_cast<int16_t>(scale.toDevice(editRect.right));
    *rect = &scaledRect;
    return true;
}

void GuiEditor::onEditIdle() {
    // The host's thread, beside a window thread of the editor's own: only the notices waiting for it.
    if (!onWindowThread()) {
        notices.hostIdled(platformTicks());
        return;
    }
    if (windowEventThread() != 0)
        notices.windowIdled();
    if (!inIdlePump && frame)
        frame->onIdle();
}

// Keys and wheel turns that the host passes on reach the frame only on the window's thread; where
// the window has a thread of its own, it receives them there from the window itself.
bool GuiEditor::onEditKeyDown(VstKeyCode key) {
    return onWindowThread() && frame &&
           frame->handleKeyDown(CKeyCode{key.character, key.virt, key.modifier}) == 1;
}

bool GuiEditor::onEditKeyUp(VstKeyCode key) {
    return onWindowThread() && frame &&
           frame->handleKeyUp(CKeyCode{key.character, key.virt, key.modifier}) == 1;
}

bool GuiEditor::onWheelTurn(float distance) {
    if (!onWindowThread() || !frame)
        return false;
    CPaintContext context(frame.get(), NativeDevice{}, nativeWindowFrom(parentWindow));
    const CPos where = context.viewPointFromScreen(pointerOnScreen());
    return frame->handleWheel(&context, where, distance);
}

bool GuiEditor::onSetEditKnobMode(int32_t mode) {
    knobMode = mode;
    return true;
}

bool GuiEditor::beginParameterEdit(int32_t index) {
    if (eventsStopping.load(std::memory_order_acquire))
        return false;
    openEdits.push_back(index);
    return effect && effect->notifyHostBeginEdit(index);
}

bool GuiEditor::endParameterEdit(int32_t index) {
    if (eventsStopping.load(std::memory_order_acquire))
        return false; // left open: the close that stops the events ends it
    // An edit that the editor's close has ended already gets no second End-edit.
    const auto open = std::find(openEdits.rbegin(), openEdits.rend(), index);
    if (open == openEdits.rend())
        return false;
    openEdits.erase(std::next(open).base());
    return effect && effect->notifyHostEndEdit(index);
}

void GuiEditor::pumpIdle() {
    uint32_t now = tickSource();
    // A call is early only when it falls within one idle interval before the step is due; on the
    // wrapping 32-bit clock anything else is a step overdue, however long ago (weeks between two
    // steps, or a wrap of the clock).
    const uint32_t earlyBy = lastIdleTicks - now;
    if (earlyBy != 0 && earlyBy <= kIdleRate) {
        sleepFunction(kIdleMinWait);
        now += kIdleMinWait;
        if (earlyBy > kIdleMinWait && earlyBy - kIdleMinWait > kIdleEarlyMargin)
            return;
    }
    // From here on each call may end in the host closing the effect, and this editor with it.
    PumpWatch watch{false, runningPumps};
    runningPumps = &watch;
    onEditIdle();
    if (watch.editorGone)
        return;
    dispatchPendingPaint();
    if (watch.editorGone)
        return;
    lastIdleTicks = now + kIdleRate;
    inIdlePump = true;
    // A window thread of the editor's own leaves the host's thread free: the host has its idle time.
    if (effect && !ownWindowThread.load(std::memory_order_acquire))
        effect->giveHostIdle();
    if (watch.editorGone)
        return;
    inIdlePump = false;
    runningPumps = watch.outer;
}

} // namespace tovrel
