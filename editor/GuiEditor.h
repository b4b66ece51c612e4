#pragma once

#include "editor/HostNotices.h"
#include "gui/CFrameServices.h"
#include "gui/Ref.h"
#include "host/PluginEditor.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace tovrel {

class CFrame;

// The knob mode the host last set, shared by every editor of the process.
extern int32_t knobMode;

// An editor whose window is a toolkit frame. It answers the host's editor requests for the frame,
// passes the controls' edit gestures to the host, and runs the idle pump that keeps host and frame
// alive while a control follows the mouse. The derived editor fills `editRect` and creates and
// destroys the frame as the host opens and closes the window. Whoever makes an editor hands it to
// its effect (`attachEditor`), which owns it from then on.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class GuiEditor : public PluginEditor {
public:
    // The frame has one owner, the open editor; no view holds a reference to it.
    using FrameHolder = UniqueRef<CFrame>;

    explicit GuiEditor(PluginEffect* effect);
    ~GuiEditor() override;

    bool onEditGetRect(ERect** rect) override;
    void onEditIdle() override;
    bool onEditKeyDown(VstKeyCode key) override;
    bool onEditKeyUp(VstKeyCode key) override;
    bool onWheelTurn(float distance) override;
    bool onSetEditKnobMode(int32_t mode) override;

    virtual bool beginParameterEdit(int32_t index);
    virtual bool endParameterEdit(int32_t index);
    // At most one idle step per kIdleRate: the frame's idle refresh, one pending paint message and
    // idle time for the host. The host may close the whole effect from that idle time, this editor
    // with it: the pump then returns without touching the editor again.
    virtual void pumpIdle();

    CFrame* getFrame() const { return frame.get(); }
    // Whether the notices made on a window thread of the editor's own wait for the host's idle
    // call (on by default); off for a host callback that itself queues them for its host's thread.
    void setNoticesWaitForHostIdle(bool wait) { noticesWaitForIdle = wait; }
    // The scale the editor is drawn at: the open frame's, else that of the screen the host's
    // window is on (before the first open, the system's).
    CScale currentScale() const;
    // What the derived editor gives the frame it makes, to reach this editor.
    CFrameOwner* frameOwner() { return &frameLink; }

    // The millisecond clock and the sleep of the idle pump; the platform's by default. Setting a
    // clock restarts the pump's schedule at the clock's current time.
    using TickSource = uint32_t (*)();
    using SleepFunction = void (*)(uint32_t milliseconds);
    void setIdleClock(TickSource ticks, SleepFunction sleep);

    static constexpr uint32_t kIdleRate = 100;
    static constexpr uint32_t kIdleMinWait = 4;
    static constexpr uint32_t kIdleEarlyMargin = 50;

protected:
    // The derived editor's open calls `startFrameEvents` once the frame and its views are complete
    // and `frame` holds it; its close calls `stopFrameEvents` before it touches anything the
    // window's thread uses. Where the window has an event thread of its own (X11) the first starts
    // it, and the second stops it and waits for it, unless it runs on that thread (the host
    // closing the editor from a callback made there). Elsewhere both only keep the host's thread
    // as the window's.
    bool startFrameEvents();
    void stopFrameEvents();
    // Whether the calling thread may touch the frame: the window's event thread while it runs
    // one, else any thread (the host's). The host's idle, key and wheel calls on other threads
    // then do nothing; the event thread idles the editor on its own.
    bool onWindowThread() const;
    unsigned long windowEventThread() const { return eventThread.load(std::memory_order_acquire); }

    // For the derived editor's close: ends the edits still open (a host may close the editor in
    // the middle of a drag, from the idle time the drag gives it) and destroys the frame.
    void closeFrame();
    void endOpenEdits();

    ERect editRect{};          // in view pixels, the editor's size at 100 %
    ERect scaledRect{};        // what the host is told: editRect at the current scale
    uint32_t lastIdleTicks{0}; // no idle step before this tick
    bool inIdlePump{false};    // set while the host has its idle time
    FrameHolder frame;         // while the window is open; made and destroyed by the derived editor
    TickSource tickSource{nullptr};
    SleepFunction sleepFunction{nullptr};
    std::vector<int32_t> openEdits; // tags whose Begin-edit the host has had without its End-edit
    // Written by the thread that opens or closes the editor, read by every thread that calls the
    // editor's idle: the window's event thread while the frame lives, 0 when the host's thread
    // runs the window (or no frame is open).
    std::atomic<unsigned long> eventThread{0};
    // Set while another thread stops the window's event thread: the edit gesture that stopping
    // ends there does not call the host, which is waiting in its close; the close ends the edit.
    std::atomic<bool> eventsStopping{false};
    // The open frame's scale in percent (0 without one), written on the window's thread, for the
    // host's size queries from other threads, which never touch the frame.
    std::atomic<int32_t> framePercent{0};
    // Where the window has a thread of its own: its notices to the host, for the host's thread.
    HostNotices notices;
    // Whether the windows this editor opened ran threads of their own (they all do or none does):
    // the host's thread is then never blocked by a drag and needs no idle time from it.
    std::atomic<bool> ownWindowThread{false};
    bool noticesWaitForIdle{true};

private:
    // One running pump, told when the editor is destroyed under it; pumps nest when a host idle
    // call leads into another drag.
    struct PumpWatch {
        bool editorGone{false};
        PumpWatch* outer{nullptr};
    };
    PumpWatch* runningPumps{nullptr}; // the innermost pump on the stack

    // The frame's requests, passed to this editor's own operations.
    class FrameLink final : public CFrameOwner {
    public:
        explicit FrameLink(GuiEditor& owner) : editor(owner) {}
        void frameIdle() override { editor.pumpIdle(); }
        void frameBeginEdit(int32_t tag) override { editor.beginParameterEdit(tag); }
        void frameEndEdit(int32_t tag) override { editor.endParameterEdit(tag); }
        bool hostSizedWindow(int32_t width, int32_t height) override;
        int32_t frameKnobMode() const override { return knobMode; }
        CScale scaleForFrame(const CScale& screen) override;
        void frameContextMenu(CPos screenPoint) override;
        void frameWindowIdle() override { editor.onEditIdle(); }

    private:
        GuiEditor& editor;
    };
    FrameLink frameLink{*this};
};

} // namespace tovrel
