#pragma once

#include "lv2/Lv2Ports.h"
#include "plugin/CrossfeedEditorSession.h"

#include <lv2/ui/ui.h>

#include <cstdint>

namespace tovrel {

// The crossfeed editor as the LV2 plug-in's X11 UI, which reaches the sound only through the
// plug-in's ports: the editor's changes become writes to "feed" and "fcut" in dB and Hz, its
// edit gestures touches of those ports (where the host offers ui:touch), a new scale a request
// for the new size (ui:resize); the host's port events move the controls.
//
// Threads: LV2 has the host call the UI, and the UI call the host, on the host's UI thread only,
// while the editor works on a thread of its own. So what the editor does waits in the session's
// events until the host calls idle(), which passes it on from the host's thread; port events
// arrive on that thread too and go to the session at once.
class CrossfeedLv2Ui {
public:
    // What the host offers; `resize` and `touch` may be null.
    struct Host {
        LV2UI_Write_Function write{nullptr};
        LV2UI_Controller controller{nullptr};
        const LV2UI_Resize* resize{nullptr};
        const LV2UI_Touch* touch{nullptr};
    };

    explicit CrossfeedLv2Ui(const Host& host);
    // On the host's thread (cleanup): the editor closes, which ends a gesture still open, and what
    // it did last reaches the host before the UI goes, so that no port stays touched.
    ~CrossfeedLv2Ui();

    // Opens the editor in the host's window and tells the host its size; false when it cannot.
    bool open(void* parent);
    LV2UI_Widget widget() const { return reinterpret_cast<LV2UI_Widget>(session.window()); }

    // The LV2 UI's operations, in the descriptor's order; idle() is the idle interface's.
    void portEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer);
    int idle();

private:
    void deliver(const CrossfeedEditorSession::Event& event);
    void write(lv2::Port port, float value);
    void touch(int32_t parameter, bool grabbed);

    Host host;
    CrossfeedEditorSession session;
    // What the ports hold as far as the UI knows: the host's last port event, or the UI's own
    // last write. Until the host tells, the ports' defaults.
    float feedPort;
    float cutPort;
};

} // namespace tovrel
