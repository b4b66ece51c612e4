#pragma once

#include "engine/LevelWord.h"
#include "host/VstAbi.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tovrel {

class CrossfeedEditor;
class CrossfeedEffect;

// The crossfeed editor for a plug-in format whose user interface is apart from the sound (the LV2
// plug-in's X11 UI): an effect of the session's own, which never processes, holds the parameters
// that the editor shows and changes, and what the editor would tell a VST host (edit gestures,
// automation, a new window size) is collected as events, which the format's UI takes on the
// host's thread and passes on in its own terms. The editor itself is the VST plug-in's, unchanged.
//
// Threads:
// - The host's UI thread opens and closes the editor, sets the level (setLevel) and takes the
//   events (takeEvents); close() waits for the editor's thread to end.
// - The editor's own thread adds events as the user works the controls, under `lock`, which
//   either side holds only to append or to swap the list: nobody waits long, and no audio thread
//   ever comes here.
// - takeEvents() gives every event added before it took the lock, in the order the editor made
//   them: a Begin-edit before its changes, its End-edit after them.
// - editing() is true from a Begin-edit to its End-edit of any parameter ("Defs" included, whose
//   gesture holds the changes of "Feed" and "FCut" that a preset makes) and while events wait to
//   be taken, so that the host's thread can leave the controls alone while the user's hand is on
//   them and until the host has heard what the hand did.
// - setLevel() moves the controls through the effect, whose editor repaints them on its own
//   thread (CrossfeedEditor::parameterChanged).
class CrossfeedEditorSession {
public:
    struct Event {
        enum class Kind { beginEdit, change, endEdit, resize };
        Kind kind{Kind::change};
        int32_t index{0};  // the parameter (every kind but resize)
        float value{0.0f}; // the host value from 0 to 1 (change)
        int32_t width{0};  // the editor's new size in pixels (resize)
        int32_t height{0};
    };

    // `hostResizes`: the host sizes its window as the editor asks (a resize event), so that the
    // user may choose another scale while the editor is open.
    explicit CrossfeedEditorSession(bool hostResizes);
    ~CrossfeedEditorSession();

    CrossfeedEditorSession(const CrossfeedEditorSession&) = delete;
    CrossfeedEditorSession& operator=(const CrossfeedEditorSession&) = delete;

    // False when the effect could not be made.
    bool ready() const { return editor != nullptr; }
    // Opens the editor in the host's window; false when there is no window to show it in.
    bool open(void* parent);
    void close();
    // The editor's own window while open (an X11 window id), else 0.
    uintptr_t window() const;
    // The editor's size in pixels at its current scale.
    bool size(int32_t& width, int32_t& height) const;

    // The level the host's ports hold: the controls show it. When the level differs from the
    // selected preset's, the preset selector goes to "Off", as the sound has left the preset.
    void setLevel(LevelWord level);
    LevelWord level() const;
    bool editing() const;
    std::vector<Event> takeEvents();

private:
    static intptr_t VST_CALL hostCallback(AEffect* record, int32_t opcode, int32_t index, intptr_t value,
                                          void* ptr, float opt);
    intptr_t answerHost(int32_t opcode, int32_t index, intptr_t value, const void* ptr, float opt);
    void add(const Event& event);

    std::unique_ptr<CrossfeedEffect> effect;
    CrossfeedEditor* editor{nullptr}; // owned by the effect
    bool hostResizes{false};
    mutable std::mutex lock;
    std::vector<Event> events; // under `lock`
    static constexpr int32_t kHeldCount = 3;
    std::atomic<bool> heldNow[kHeldCount]{};
};

} // namespace tovrel
