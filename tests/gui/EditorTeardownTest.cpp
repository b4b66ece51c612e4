// Hosts closing things in odd orders and editors of two instances on two threads: the host closing
// the effect from the idle time a slider drag gives it, two drags over two editors at once, and
// frames opened and closed on two threads at once.
#include "EditorTestSupport.h"
#include "GuiTestSupport.h"

#include "gui/CDropData.h"
#include "gui/CPaintContext.h"
#include "gui/CSlider.h"
#include "gui/ControlStyles.h"
#include "gui/platform/win32/CFileDropTarget.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <atomic>
#include <new>
#include <thread>

namespace tovrel::test {
namespace {

constexpr int kHostX = 120;
constexpr int kHostY = 80;

// Objects of a class deriving from this live on pages of their own, which lose all access when
// the object is deleted: whatever still reads or writes the dead object stops the program there.
// The pages are never given back, so nothing else comes to live at those addresses.
class OnGuardedPages {
public:
    static void* operator new(size_t size) {
        void* pages = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!pages)
            throw std::bad_alloc();
        return pages;
    }
    static void operator delete(void* object) {
        if (object)
            VirtualFree(object, 0, MEM_DECOMMIT);
    }
};

class GuardedFrame : public CountingFrame, public OnGuardedPages {
public:
    using CountingFrame::CountingFrame;
};

class GuardedEditor : public TestEditor, public OnGuardedPages {
public:
    using TestEditor::TestEditor;
    bool onEditOpen(void* parent) override {
        PluginEditor::onEditOpen(parent);
        frame = makeUniqueRef<GuardedFrame>(CRectangle{0, 0, 183, 225}, static_cast<HWND>(parent), this);
        return true;
    }
};

// A host that closes the effect at its first idle call, and counts the edit gestures.
AEffect* effectToClose = nullptr;
int begins = 0;
int ends = 0;
intptr_t VST_CALL closingHost(AEffect* effect, int32_t opcode, int32_t, intptr_t, void*, float) {
    if (opcode == vst::audioMasterVersion)
        return vst::kVstVersion;
    begins += opcode == vst::audioMasterBeginEdit;
    ends += opcode == vst::audioMasterEndEdit;
    if (opcode == vst::audioMasterIdle && effect == effectToClose) {
        effectToClose = nullptr;
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    }
    return 0;
}

TEST(EditorTeardown, HostClosingTheEffectFromTheIdleOfADragStopsTheDragAtOnce) {
    useTestModuleResources();
    TestWindow host(200, 240, kHostX, kHostY);
    auto* effect = new TestEffect(&closingHost);
    GuardedEditor* editor = attachNewEditor<GuardedEditor>(effect);
    ASSERT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, host.handle(), 0.0f), 1);
    auto* slider = editor->getFrame()->add<CSlider>(CRectangle{10, 30, 170, 46}, nullptr, 0, 10, 158, nullptr,
                                                    nullptr, CPos{}, kStyleHorizontal | kStyleLeft);
    slider->setClickAnywhere(true);
    HWND window = editor->getFrame()->frameWindow();
    begins = ends = 0;
    effectToClose = effect->effectRecord();

    ASSERT_TRUE(SetCursorPos(kHostX + 50, kHostY + 38));
    SyntheticInput input;
    input.pressLeft(true);
    ASSERT_TRUE(waitUntil([] { return (currentButtons() & kMouseLeft) != 0; }));
    // The drag gives the host idle time, the host closes the effect, its editor and frame go,
    // and the press returns here with the button still held.
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 38));
    const bool stillHeld = (currentButtons() & kMouseLeft) != 0;
    input.pressLeft(false);
    EXPECT_TRUE(stillHeld);
    EXPECT_EQ(effectToClose, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
}

// --- Two editors on two threads -------------------------------------------------------------

// Counts the drag events that reach it carrying the drop data its drag entered with.
class DragProbe : public CView {
public:
    DragProbe() : CView(CRectangle{-10000, -10000, 10000, 10000}) {}
    bool handleDragEnter(CPaintContext*, CDropData* drop, CPos) override {
        entered.reset(drop);
        ++events;
        return false;
    }
    bool handleDragMove(CPaintContext*, CDropData* drop, CPos) override {
        events += drop == entered.get() ? 1 : 100;
        return false;
    }
    void handleDragLeave(CPaintContext*, CDropData* drop, CPos) override {
        events += drop == entered.get() ? 1 : 100;
        entered.reset();
    }
    Ref<CDropData> entered;
    int events{0};
};

// One editor's frame with a drop target and a view under every pointer position.
struct DropEditor {
    DropEditor()
        : frame(makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, nullptr, nullptr)), target(frame.get()) {
        target.comInterface()->AddRef();
        probe = frame->add<DragProbe>();
    }
    ~DropEditor() { target.detach(); }
    void enter() {
        DWORD effect = DROPEFFECT_MOVE;
        target.DragEnter(data.comInterface(), 0, POINTL{}, &effect);
    }
    void move() {
        DWORD effect = DROPEFFECT_MOVE;
        target.DragOver(0, POINTL{}, &effect);
    }

    GuiEditor::FrameHolder frame;
    CFileDropTarget target;      // held by the test only, never released to zero
    DragProbe* probe{nullptr};   // held by the frame
    FakeDropData data{false, 0}; // offers nothing; the drags below only need one each
};

TEST(EditorThreads, DragOverOneEditorKeepsItsDropDataWhileAnotherThreadDrags) {
    DropEditor first;
    DropEditor second;
    first.enter();
    std::thread([&] {
        second.enter();
        second.move();
        second.target.DragLeave();
    }).join();
    first.move();
    first.target.DragLeave();
    EXPECT_EQ(first.probe->events, 3); // enter, move and leave, all with its own drop data
    EXPECT_EQ(second.probe->events, 3);
    EXPECT_EQ(CFileDropTarget::activeDropData(), nullptr);
}

TEST(EditorThreads, FramesOpenAndCloseOnTwoThreadsAtOnce) {
    useTestModuleResources();
    std::atomic<int> withoutWindow{0};
    auto openAndClose = [&withoutWindow](HWND host) {
        for (int i = 0; i < 300; ++i) {
            GuiEditor::FrameHolder frame = makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, host, nullptr);
            if (!frame->frameWindow())
                ++withoutWindow;
        }
    };
    // Both host windows exist before the frames start: only the frames' own class comes and goes.
    TestWindow host(200, 240, kHostX, kHostY);
    std::atomic<bool> otherReady{false};
    std::thread other([&] {
        TestWindow otherHost(200, 240, kHostX + 300, kHostY);
        otherReady = true;
        openAndClose(otherHost.handle());
    });
    EXPECT_TRUE(waitUntil([&otherReady] { return otherReady.load(); }));
    openAndClose(host.handle());
    other.join();
    EXPECT_EQ(withoutWindow.load(), 0);
    EXPECT_EQ(CFrame::frameClassUsers(), 0);
    EXPECT_FALSE(frameClassRegistered());
}

} // namespace
} // namespace tovrel::test
