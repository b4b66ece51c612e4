#pragma once

// Fixtures of the frame, editor and drop tests: a plain effect, an editor that opens a frame over
// the host's window, a frame that counts its idle refreshes, and a host window chain.

#include "editor/GuiEditor.h"
#include "gui/CFrame.h"
#include "gui/platform/win32/Win32Window.h"
#include "host/PluginEffect.h"

#include <windows.h>

#include <memory>
#include <string>

namespace tovrel::test {

// An effect with nothing to process; the tests only drive its editor.
class TestEffect : public PluginEffect {
public:
    explicit TestEffect(HostCallback callback) : PluginEffect(callback, 1, 3) {}
    void processReplacing(float** /*inputs*/, float** /*outputs*/, int32_t /*sampleFrames*/) override {}
};

// A frame that counts the idle refreshes that reach it.
class CountingFrame : public CFrame {
public:
    CountingFrame(const CRectangle& area, HWND host, GuiEditor* owner)
        : CFrame(area, host, owner ? owner->frameOwner() : nullptr) {}
    void onIdle() override {
        ++idleRefreshes;
        CFrame::onIdle();
    }
    int idleRefreshes{0};
};

// The smallest real editor: 183 x 225, a counting frame while open.
class TestEditor : public GuiEditor {
public:
    explicit TestEditor(PluginEffect* owner);
    ~TestEditor() override;

    bool onEditOpen(void* parent) override;
    void onEditClose() override;
    void onEditIdle() override;

    CountingFrame* countingFrame() const { return static_cast<CountingFrame*>(frame.get()); }
    uint32_t nextIdleStep() const { return lastIdleTicks; }
    int editIdles{0};
};

// Makes an editor for `effect` and hands it over to the effect, which owns it from then on.
template <typename Editor> Editor* attachNewEditor(PluginEffect* effect) {
    auto made = std::make_unique<Editor>(effect);
    Editor* editor = made.get();
    effect->attachEditor(std::move(made));
    return editor;
}

// The name the frame window class must carry in this process.
std::string expectedFrameClassName();
bool frameClassRegistered();

// A plain child window of the given class, size and position, for building host window chains.
HWND makeChildWindow(HWND parent, const char* className, int x, int y, int width, int height,
                     void* creationData = nullptr);

} // namespace tovrel::test
