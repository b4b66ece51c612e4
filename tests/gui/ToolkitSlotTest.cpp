#include "editor/GuiEditor.h"
#include "gui/CControlObserver.h"
#include "gui/CFrame.h"
#include "gui/CParamDisplay.h"
#include "gui/CPixmap.h"
#include "gui/CSlider.h"
#include "gui/CViewContainer.h"
#include "support/VirtualSlot.h"

#include <gtest/gtest.h>

namespace tovrel {
namespace {

using test::SlotRow;

// The toolkit's classes and the editor base keep their virtual operations in the order of their
// tables. Each table lists the operations a class adds (a derived class keeps the slots of its
// base); slot 0 is the destructor, except in the observer interface, which has none. The frame
// has no reserved slots 60 and 61 and no second isWindowAlive at 83, so its table skips them.
#define SLOT(number, operation) test::slotRow(#operation, number, &Probe::operation)

struct CRefCountedTable : CRefCounted {
    using Probe = CRefCountedTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(1, release), SLOT(2, retain)
        };
        // clang-format on
    }
};

struct CViewTable : CView {
    using Probe = CViewTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(1, release), SLOT(2, retain), SLOT(3, paint), SLOT(4, paintArea), SLOT(5, overlaps),
            SLOT(6, handleMouse), SLOT(7, setBackdrop), SLOT(8, getBackdrop), SLOT(9, handleKeyDown),
            SLOT(10, handleKeyUp), SLOT(11, handleWheelAxis), SLOT(12, handleWheel), SLOT(13, handleDrop),
            SLOT(14, handleDragEnter), SLOT(15, handleDragLeave), SLOT(16, handleDragMove),
            SLOT(17, focusLost), SLOT(18, focusGained), SLOT(19, needsRepaint), SLOT(20, setNeedsRepaint),
            SLOT(21, setAcceptsMouse), SLOT(22, acceptsMouse), SLOT(23, setMouseArea), SLOT(24, getMouseArea),
            SLOT(25, isHit), SLOT(26, setTransparent), SLOT(27, isTransparent), SLOT(28, setBounds),
            SLOT(29, getBounds), SLOT(30, onRemoved), SLOT(31, onAttached), SLOT(32, getPointerPosition),
            SLOT(33, toLocal), SLOT(34, toFrame), SLOT(35, ownerEditor), SLOT(36, receiveMessage),
            SLOT(37, redrawArea), SLOT(38, acceptsFocus), SLOT(39, setAcceptsFocus), SLOT(40, isKindOf),
            SLOT(41, refresh)
        };
        // clang-format on
    }
};

struct CControlTable : CControl {
    using Probe = CControlTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(42, runIdle), SLOT(43, setValue), SLOT(44, getValue), SLOT(45, setMinimum),
            SLOT(46, getMinimum), SLOT(47, setMaximum), SLOT(48, getMaximum), SLOT(49, setPaintedValue),
            SLOT(50, getPaintedValue), SLOT(51, setResetValue), SLOT(52, getResetValue), SLOT(53, setTag),
            SLOT(54, getTag), SLOT(55, startEdit), SLOT(56, finishEdit), SLOT(57, setBackdropOffset),
            SLOT(58, alignBackdropOffset), SLOT(59, setWheelStep), SLOT(60, getWheelStep),
            SLOT(61, clampValue), SLOT(62, tryReset)
        };
        // clang-format on
    }
};

struct CSliderTable : CSlider {
    using Probe = CSliderTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(63, setKeyedHandle), SLOT(64, setClickAnywhere), SLOT(65, getClickAnywhere),
            SLOT(66, setHandleOffset), SLOT(67, setHandlePixmap), SLOT(68, getHandlePixmap),
            SLOT(69, setFineDivisor), SLOT(70, getFineDivisor)
        };
        // clang-format on
    }
};

struct CParamDisplayTable : CParamDisplay {
    using Probe = CParamDisplayTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(63, setFontNumber), SLOT(64, setTextColour), SLOT(65, setBackColour),
            SLOT(66, setFrameColour), SLOT(67, setShadowColour), SLOT(68, setAlignment),
            SLOT(69, setTextConverterWithData), SLOT(70, setTextConverter), SLOT(71, setTextParser),
            SLOT(72, setStyle), SLOT(73, setTextFace), SLOT(74, setTextTransparent)
        };
        // clang-format on
    }
};

struct CViewContainerTable : CViewContainer {
    using Probe = CViewContainerTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            // The two virtual ways to add a child (protected: the owning ones beside them are not virtual).
            test::slotRow("addChildWithArea", 42,
                          static_cast<void (CViewContainer::*)(CView*, const CRectangle&, bool)>(
                              &Probe::addChildWithArea)),
            test::slotRow("addChild", 43, static_cast<void (CViewContainer::*)(CView*)>(&Probe::addChild)),
            SLOT(44, removeChild),
            SLOT(45, removeAllChildren), SLOT(46, hasChild), SLOT(47, childCount), SLOT(48, childAt),
            SLOT(49, setBackgroundColour), SLOT(50, getBackgroundColour), SLOT(51, setBackdropOffset),
            SLOT(52, getBackdropOffset), SLOT(53, paintBackground), SLOT(54, setRefreshMode),
            SLOT(55, getRefreshMode), SLOT(56, setPaintOffscreen), SLOT(57, viewUnderPointer),
            SLOT(58, viewAt), SLOT(59, moveFocus)
        };
        // clang-format on
    }
};

struct CFrameTable : CFrame {
    using Probe = CFrameTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(57, viewUnderPointer), SLOT(59, moveFocus), SLOT(62, isWindowAlive), SLOT(63, onIdle),
            SLOT(64, pumpIdle), SLOT(65, tickCount), SLOT(66, currentKnobMode), SLOT(67, setWindowPosition),
            SLOT(68, getWindowPosition), SLOT(69, setFrameSize),
            test::slotRow("getFrameSize(CRectangle&)", 70, static_cast<bool (CFrame::*)(CRectangle&)>(&Probe::getFrameSize)),
            test::slotRow("getFrameSize(CRectangle*)", 71, static_cast<bool (CFrame::*)(CRectangle*)>(&Probe::getFrameSize)),
            SLOT(72, setModalChild), SLOT(73, getModalChild), SLOT(74, beginParameterEdit),
            SLOT(75, endParameterEdit), SLOT(76, pointerInWindow), SLOT(77, setCursorShape),
            SLOT(78, setKeyFocus), SLOT(79, getKeyFocus), SLOT(80, enableDrop), SLOT(81, isDropEnabled),
            SLOT(82, setWindowAlive), SLOT(84, markAreaForRepaint), SLOT(85, suspendUpdates),
            SLOT(86, areUpdatesSuspended), SLOT(87, paintView)
        };
        // clang-format on
    }
};

struct CPixmapTable : CPixmap {
    using Probe = CPixmapTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(1, release), SLOT(2, retain), SLOT(3, drawCopy), SLOT(4, drawKeyed), SLOT(5, drawBlended),
            SLOT(6, unload), SLOT(7, loadResource)
        };
        // clang-format on
    }
};

struct CControlObserverTable : CControlObserver {
    using Probe = CControlObserverTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(0, controlChanged), SLOT(1, modifierClick)
        };
        // clang-format on
    }

protected:
    ~CControlObserverTable() = default; // an interface: never deleted through this
};

struct GuiEditorTable : GuiEditor {
    using Probe = GuiEditorTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(1, ownerEffect), SLOT(2, onEditGetRect), SLOT(3, onEditOpen), SLOT(4, onEditClose),
            SLOT(5, isWindowOpen), SLOT(6, onEditIdle), SLOT(7, onEditKeyDown), SLOT(8, onEditKeyUp),
            SLOT(9, onWheelTurn), SLOT(10, onSetEditKnobMode), SLOT(11, parameterChanged),
            SLOT(12, beginParameterEdit), SLOT(13, endParameterEdit), SLOT(14, pumpIdle)
        };
        // clang-format on
    }
};

#undef SLOT

TEST(VirtualSlots, ToolkitClassesKeepTheirTableOrder) {
    const struct {
        const char* name;
        std::vector<SlotRow> rows;
        std::ptrdiff_t lead; // 1 where slot 0 is a virtual destructor, which takes two entries
    } tables[] = {{"CRefCounted", CRefCountedTable::rows(), 1},
                  {"CView", CViewTable::rows(), 1},
                  {"CControl", CControlTable::rows(), 1},
                  {"CSlider", CSliderTable::rows(), 1},
                  {"CParamDisplay", CParamDisplayTable::rows(), 1},
                  {"CViewContainer", CViewContainerTable::rows(), 1},
                  {"CFrame", CFrameTable::rows(), 1},
                  {"CPixmap", CPixmapTable::rows(), 1},
                  {"CControlObserver", CControlObserverTable::rows(), 0},
                  {"GuiEditor", GuiEditorTable::rows(), 1}};
    for (const auto& table : tables)
        EXPECT_EQ(test::slotOrderFault(table.rows, table.lead), "") << table.name;
}

} // namespace
} // namespace tovrel
