// Stands in for the X11 window side until it exists: defines what gui/platform/PlatformWindow.h,
// PlatformSystem.h, PlatformMenu.h and PlatformSettings.h declare, nothing of it real.
#include "tests/gui/platform/x11/HeadlessWindowSide.h"

#include "gui/platform/PlatformMenu.h"
#include "gui/platform/PlatformSettings.h"
#include "gui/platform/PlatformSystem.h"

namespace tovrel {

namespace {

CScale screenScale{100};
PlatformWindowEvents* openedEvents{nullptr};
CPos openedSize{};

class HeadlessWindow final : public PlatformWindow {
public:
    explicit HeadlessWindow(PlatformWindowEvents& receiver) : events(receiver) {}
    ~HeadlessWindow() override {
        if (openedEvents == &events)
            openedEvents = nullptr;
    }
    bool open(NativeWindow parent, CPos size) override {
        opened = parent != 0;
        if (opened) {
            openedEvents = &events;
            openedSize = size;
        }
        return opened;
    }
    void close(bool) override { opened = false; }
    NativeWindow handle() const override { return opened ? kWindowId : 0; }
    void deliverEvents() override {}
    void resize(CPos size) override { openedSize = size; }
    void invalidate() override {}
    void setCursorShape(int32_t) override {}
    void restoreCursor() override {}
    bool enableDrop(bool) override { return false; }
    bool isDropEnabled() const override { return false; }
    bool resizeHostWindows(CPos) override { return false; }
    NativeWindow outerWindow() const override { return handle(); }
    CPos outerWindowPlace() const override { return {}; }
    CRectangle hostWindowArea() const override { return {}; }

private:
    static constexpr NativeWindow kWindowId = 0x2a00001;
    PlatformWindowEvents& events;
    bool opened{false};
};

} // namespace

namespace headless {

void setScreenScale(const CScale& scale) {
    screenScale = scale;
}
PlatformWindowEvents* openedWindowEvents() {
    return openedEvents;
}
CPos openedWindowSize() {
    return openedSize;
}

} // namespace headless

std::unique_ptr<PlatformWindow> makePlatformWindow(CFrame&, PlatformWindowEvents& events) {
    return std::make_unique<HeadlessWindow>(events);
}
const char* frameWindowClassName() {
    return "headless";
}
int32_t frameWindowClassUsers() {
    return 0;
}
CScale screenScaleOf(NativeWindow) {
    return screenScale;
}
CPos windowScreenCorner(NativeWindow) {
    return {};
}

int32_t currentButtons() {
    return 0;
}
CPos pointerOnScreen() {
    return {};
}
uint32_t platformTicks() {
    return 0;
}
void platformSleep(uint32_t) {}
unsigned long currentThreadId() {
    return 1;
}
void dispatchPendingPaint() {}

int32_t popupMenu(NativeWindow, CPos, const PlatformMenuItem*, int32_t) {
    return 0;
}

bool readUserSetting(const char*, int32_t&) {
    return false;
}
bool writeUserSetting(const char*, int32_t) {
    return false;
}

} // namespace tovrel
