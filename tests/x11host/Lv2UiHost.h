#pragma once

#include "tools/x11host/X11EditorHost.h"

#include <lv2/ui/ui.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tovrel {

// A small LV2 host for a bundle's X11 UI, on the X11 test host's window: it finds the UI in the
// bundle's manifest (the subject typed ui:X11UI and its ui:binary), loads that library and takes
// the descriptor whose URI is the UI's, instantiates it with the window as ui:parent and the
// features a test offers, and records what the UI calls: port writes, touches and size requests,
// each with whether it came on the host's thread and from inside idle().
class Lv2UiHost {
public:
    struct Call {
        enum class Kind { write, touch, resize };
        Kind kind{Kind::write};
        uint32_t port{0};
        float value{0.0f};   // written (format 0)
        bool grabbed{false}; // touch
        int width{0};        // resize
        int height{0};
        bool onHostThread{false};
        bool inIdle{false};
        uint32_t format{0};
        uint32_t bufferSize{0};
    };

    Lv2UiHost() = default;
    ~Lv2UiHost();

    Lv2UiHost(const Lv2UiHost&) = delete;
    Lv2UiHost& operator=(const Lv2UiHost&) = delete;

    // Finds the UI of `pluginUri` in the bundle and loads its library; false with error().
    bool load(const std::string& bundle, const std::string& pluginUri);
    // Opens the UI in `window`, offering ui:resize and ui:touch as asked (ui:parent always); the
    // window follows the sizes the UI asks for, and calls idle() at the window's idle period.
    bool open(X11EditorHost& window, bool offerResize, bool offerTouch, int left = 30, int top = 20);
    // One port's value as the host tells it (format 0, one float).
    void portEvent(uint32_t port, float value);
    // What the UI called since open() or clear(), in order.
    std::vector<Call> calls() const;
    void clear();
    const std::string& uiUri() const { return uri; }
    const std::string& error() const { return lastError; }

private:
    static void writePort(LV2UI_Controller controller, uint32_t port, uint32_t bufferSize, uint32_t format,
                          const void* buffer);
    static int resizeUi(LV2UI_Feature_Handle handle, int width, int height);
    static void touchPort(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed);
    void record(Call call);
    void idle();
    void cleanup();

    void* library{nullptr};
    const LV2UI_Descriptor* descriptor{nullptr};
    const LV2UI_Idle_Interface* idleInterface{nullptr};
    std::string bundlePath;
    std::string plugin;
    std::string uri;
    LV2UI_Handle handle{nullptr};
    X11EditorHost* window{nullptr};
    bool inIdle{false};
    std::thread::id hostThread{std::this_thread::get_id()};
    LV2UI_Resize resizeData{this, &Lv2UiHost::resizeUi};
    LV2UI_Touch touchData{this, &Lv2UiHost::touchPort};
    mutable std::mutex lock; // a UI calling from a thread of its own is recorded, not raced
    std::vector<Call> recorded;
    std::string lastError;
};

} // namespace tovrel
