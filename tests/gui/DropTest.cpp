// The frame window as an OLE drop target: the COM object's identities and counts, its
// registration, counting the dragged items, and a drag routed to the view under the cursor.
#include "EditorTestSupport.h"
#include "GuiTestSupport.h"

#include "gui/CDropData.h"
#include "gui/Ref.h"
#include "gui/platform/win32/CFileDropTarget.h"

#include <gtest/gtest.h>

namespace tovrel::test {
namespace {

constexpr int kHostX = 120;
constexpr int kHostY = 80;

// Logs the drag events that reach it and keeps a reference to the drop data it was shown.
class DropProbe : public RecordingView {
public:
    using RecordingView::RecordingView;
    bool handleDragEnter(CPaintContext* context, CDropData* drop, CPos where) override {
        if (!seen)
            seen.reset(drop);
        return RecordingView::handleDragEnter(context, drop, where);
    }
    Ref<CDropData> seen;
};

// A drop target that reports its own destruction.
class ProbeTarget : public CFileDropTarget {
public:
    ProbeTarget(CFrame* owner, bool* destroyedFlag) : CFileDropTarget(owner), destroyed(destroyedFlag) {}
    ~ProbeTarget() override { *destroyed = true; }
    bool* destroyed;
};

class DropTest : public ::testing::Test {
protected:
    void SetUp() override {
        useTestModuleResources();
        frame = makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, host.handle(), nullptr);
        target = dropTargetOf(*frame);
    }
    void TearDown() override { frame.reset(); }

    TestWindow host{200, 240, kHostX, kHostY};
    GuiEditor::FrameHolder frame;
    CFileDropTarget* target{nullptr};
    std::vector<std::string> log;
};

TEST_F(DropTest, QueryInterfaceGivesOneObjectAndCountsEachAnswer) {
    ASSERT_NE(target, nullptr);
    const ULONG held = comRefCount(target);
    EXPECT_EQ(held, 2u); // the frame's and the registration's
    {
        ComRef<IUnknown> unknown;
        ComRef<IDropTarget> dropTarget;
        EXPECT_EQ(target->QueryInterface(IID_IUnknown, unknown.put()), S_OK);
        EXPECT_EQ(target->QueryInterface(IID_IDropTarget, dropTarget.put()), S_OK);
        EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(target->comInterface()));
        EXPECT_EQ(static_cast<void*>(dropTarget.get()), static_cast<void*>(unknown.get()));
        EXPECT_EQ(comRefCount(target), held + 2);
        void* other = &log;
        EXPECT_EQ(target->QueryInterface(IID_IDataObject, &other), E_NOINTERFACE);
        EXPECT_EQ(other, nullptr);
    }
    EXPECT_EQ(comRefCount(target), held);
}

TEST_F(DropTest, FrameAndRegistrationHoldTheTargetAndRevocationLetsGoOfBoth) {
    HWND window = frame->frameWindow();
    // The frame's own target is registered: a second registration is refused.
    bool destroyed = false;
    ComRef<ProbeTarget> probe = makeComRef<ProbeTarget>(frame.get(), &destroyed);
    EXPECT_EQ(RegisterDragDrop(window, probe->comInterface()), DRAGDROP_E_ALREADYREGISTERED);
    const ComRef<CFileDropTarget> kept(target);
    EXPECT_TRUE(frame->enableDrop(false));
    EXPECT_EQ(comRefCount(kept.get()), 1u); // the frame's and the registration's went
    EXPECT_EQ(dropTargetOf(*frame), nullptr);
    EXPECT_FALSE(frame->isDropEnabled());
    EXPECT_TRUE(frame->enableDrop(false)); // nothing to do

    // Registered by hand, then let go of: what the registration holds is all there is.
    ASSERT_EQ(RegisterDragDrop(window, probe->comInterface()), S_OK);
    EXPECT_EQ(comRefCount(probe.get()), 2u);
    probe.reset();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(RevokeDragDrop(window), S_OK);
    EXPECT_TRUE(destroyed);

    EXPECT_TRUE(frame->enableDrop(true));
    EXPECT_NE(dropTargetOf(*frame), nullptr);
    EXPECT_TRUE(frame->isDropEnabled());
}

TEST_F(DropTest, ItemsAreCountedTextFirst) {
    FakeDropData files(false, 3);
    FakeDropData text(true, 0);
    FakeDropData both(true, 2);
    FakeDropData neither(false, 0);
    auto count = [](FakeDropData& data) {
        const Ref<CDropData> drop = makeRef<CDropData>(data.comInterface());
        EXPECT_EQ(drop->getDataObject(), data.comInterface());
        return drop->getItemCount();
    };
    EXPECT_EQ(count(files), 3);
    EXPECT_EQ(count(text), 1);
    EXPECT_EQ(count(both), 1);
    EXPECT_EQ(both.requests, 1); // the file list was not even asked for
    EXPECT_EQ(count(neither), 0);
}

TEST_F(DropTest, NullDataObjectIsRefusedAndLoneCallsDoNothing) {
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(nullptr, 0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(CFileDropTarget::activeDropData(), nullptr);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(target->DragLeave(), S_OK);
    EXPECT_EQ(target->Drop(nullptr, 0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
}

TEST_F(DropTest, DragFollowsTheCursorAndLeaveReleasesTheDropData) {
    auto* probe = frame->add<DropProbe>("probe", CRectangle{100, 0, 183, 100}, &log);
    probe->takesDrops = true;
    log.clear();
    FakeDropData files(false, 3);
    SetCursorPos(kHostX + 130, kHostY + 40);
    DWORD effect = DROPEFFECT_COPY;
    // The point OLE passes is not where the cursor is; the cursor counts.
    EXPECT_EQ(target->DragEnter(files.comInterface(), MK_CONTROL, POINTL{5, 5}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    ASSERT_NE(CFileDropTarget::activeDropData(), nullptr);
    EXPECT_EQ(CFileDropTarget::activeDropData()->getItemCount(), 3);
    SetCursorPos(kHostX + 140, kHostY + 50);
    EXPECT_EQ(target->DragOver(0, POINTL{5, 5}, &effect), S_OK);
    EXPECT_EQ(target->DragLeave(), S_OK);
    EXPECT_EQ(CFileDropTarget::activeDropData(), nullptr);
    const std::vector<std::string> expected{"probe.enter 130,40", "probe.move 140,50", "probe.leave 140,50"};
    EXPECT_EQ(log, expected);
    ASSERT_TRUE(probe->seen);
    EXPECT_EQ(probe->seen->getRefCount(), 1); // only the probe's own reference is left
}

TEST_F(DropTest, CursorPromisesAMoveOnlyOverAViewThatTakesTheItems) {
    auto* taker = frame->add<DropProbe>("taker", CRectangle{100, 0, 183, 100}, &log);
    taker->takesDrops = true;
    frame->add<DropProbe>("other", CRectangle{0, 0, 100, 100}, &log);
    FakeDropData files(false, 1);
    DWORD effect = DROPEFFECT_MOVE;
    SetCursorPos(kHostX + 20, kHostY + 20);
    target->DragEnter(files.comInterface(), 0, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    SetCursorPos(kHostX + 120, kHostY + 20);
    effect = DROPEFFECT_MOVE;
    target->DragOver(0, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE)); // entered the taker
    target->DragOver(0, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE)); // moving over it
    SetCursorPos(kHostX + 50, kHostY + 150);
    target->DragOver(0, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE)); // over no view at all
    target->DragLeave();
}

TEST_F(DropTest, DragOverAClosedEditorFindsATargetThatAnswersSafely) {
    // The platform's drag loop keeps the target it entered across events, as this reference does.
    auto* probe = frame->add<DropProbe>("probe", CRectangle{0, 0, 183, 225}, &log);
    probe->takesDrops = true;
    const ComRef<CFileDropTarget> held(dropTargetOf(*frame));
    ASSERT_TRUE(held);
    FakeDropData files(false, 2);
    SetCursorPos(kHostX + 50, kHostY + 50);
    DWORD effect = DROPEFFECT_NONE;
    held->DragEnter(files.comInterface(), 0, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));

    // The editor closes in the middle of the drag.
    frame.reset();
    frame = makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, nullptr, nullptr); // for TearDown
    EXPECT_FALSE(held->isAttached());
    EXPECT_EQ(CFileDropTarget::activeDropData(), nullptr); // the drag's data went with it
    log.clear();
    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(held->DragOver(0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(held->Drop(files.comInterface(), 0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(held->DragLeave(), S_OK);
    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(held->DragEnter(files.comInterface(), 0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(comRefCount(held.get()), 1u); // only the drag loop holds the target now
}

TEST_F(DropTest, DropReachesTheViewReleasesTheDataAndReportsNoEffect) {
    auto* probe = frame->add<DropProbe>("probe", CRectangle{100, 0, 183, 100}, &log);
    log.clear();
    FakeDropData text(true, 0);
    SetCursorPos(kHostX + 120, kHostY + 10);
    DWORD effect = DROPEFFECT_MOVE;
    target->DragEnter(text.comInterface(), 0, POINTL{0, 0}, &effect);
    effect = DROPEFFECT_MOVE | DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(text.comInterface(), 0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(CFileDropTarget::activeDropData(), nullptr);
    const std::vector<std::string> expected{"probe.enter 120,10", "probe.drop 120,10", "probe.leave 120,10"};
    EXPECT_EQ(log, expected);
    ASSERT_TRUE(probe->seen);
    EXPECT_EQ(probe->seen->getItemCount(), 1);
    EXPECT_EQ(probe->seen->getRefCount(), 1);
}

} // namespace
} // namespace tovrel::test
