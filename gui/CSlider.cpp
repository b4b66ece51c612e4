#include "gui/CSlider.h"

#include "gui/CControlObserver.h"
#include "gui/COffscreenPaint.h"
#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"

#include <cstring>

namespace tovrel {

namespace {

// Modifiers the observer is asked about before the slider acts on a click; 64 is a modifier this
// platform never reports, counted all the same.
constexpr int32_t kModifierBits = kKeyShift | kKeyControl | kKeyAlt | 64;

int32_t larger(int32_t a, int32_t b) {
    return a > b ? a : b;
}

int32_t smaller(int32_t a, int32_t b) {
    return a < b ? a : b;
}

} // namespace

CSlider::CSlider(const CRectangle& area, CControlObserver* changeObserver, int32_t controlTag,
                 int32_t minimumPosition, int32_t maximumPosition, CPixmap* handlePixmap, CPixmap* track,
                 CPos trackSource, int32_t sliderStyle)
    : CControl(area, changeObserver, controlTag, track), trackOffset(trackSource), handle(handlePixmap),
      style(sliderStyle) {
    if (handle) {
        handleWidth = handle->getWidth();
        handleHeight = handle->getHeight();
    }
    controlWidth = area.width();
    controlHeight = area.height();
    originOffset = minimumPosition - (isHorizontal() ? area.left : area.top);
    handleRange = maximumPosition - minimumPosition;
    handleMin = originOffset;
    handleMax = handleMin + handleRange + (isHorizontal() ? handleWidth : handleHeight);
    focusAccepted = true;
}

CSlider::~CSlider() = default;

// --- Painting -------------------------------------------------------------------------------

float CSlider::paintedFraction() const {
    const float fraction = (style & (kStyleLeft | kStyleTop)) ? value : 1.0f - value;
    // Program code may set any value; the handle stays on the track, and a NaN puts it at the
    // start instead of turning into an undefined integer.
    if (fraction > 1.0f)
        return 1.0f;
    if (!(fraction >= 0.0f))
        return 0.0f;
    return fraction;
}

int32_t CSlider::handlePosition() const {
    return static_cast<int32_t>(static_cast<float>(handleRange) * paintedFraction());
}

void CSlider::paint(CPaintContext* context) {
    if (!context) {
        setNeedsRepaint(false);
        return;
    }
    if (backBuffer) {
        // The buffer's pixels line up with the window's only when it is made for the place the
        // slider is painted at and for the window's scale.
        const CPos place{bounds.left + context->getOffset().h + context->getBufferOrigin().h,
                         bounds.top + context->getOffset().v + context->getBufferOrigin().v};
        if (!backBuffer->fits(controlWidth, controlHeight, place, context->getScale()))
            backBuffer = makeRef<COffscreenPaint>(ownerFrame, controlWidth, controlHeight, kRgbaBlack, place);
    }
    CPaintContext* target = backBuffer ? backBuffer.get() : context;
    const CPos origin = backBuffer ? CPos{} : CPos{bounds.left, bounds.top};

    if (backBuffer && transparent) {
        // What lies beneath shows through the track's transparent parts.
        const CRectangle beneath = context->deviceArea(bounds);
        backBuffer->getPainter().copyFrom(context->getPainter(), CPos{beneath.left, beneath.top},
                                          CRectangle{0, 0, beneath.width(), beneath.height()});
    }

    CRectangle track{0, 0, controlWidth, controlHeight};
    track.offset(origin);
    if (backdrop) {
        if (transparent)
            backdrop->drawKeyed(target, track, trackOffset);
        else
            backdrop->drawCopy(target, track, trackOffset);
    }

    const int32_t position = handlePosition();
    CRectangle knob;
    if (isHorizontal()) {
        knob.left = larger(position + handleOffset.h, handleMin);
        knob.right = smaller(knob.left + handleWidth, handleMax);
        knob.top = handleOffset.v;
        knob.bottom = knob.top + handleHeight;
    } else {
        knob.top = larger(position + handleOffset.v, handleMin);
        knob.bottom = smaller(knob.top + handleHeight, handleMax);
        knob.left = handleOffset.h;
        knob.right = knob.left + handleWidth;
    }
    knob.offset(origin);
    if (handle) {
        if (keyedHandle)
            handle->drawKeyed(target, knob, CPos{});
        else
            handle->drawCopy(target, knob, CPos{});
    }

    if (backBuffer)
        backBuffer->copyTo(context, bounds);
    setNeedsRepaint(false);
}

// --- Mouse, wheel and keys ------------------------------------------------------------------

float CSlider::valueAt(CPos pointer, int32_t delta) const {
    const int32_t along = isHorizontal() ? pointer.h : pointer.v;
    return static_cast<float>(along - delta) / static_cast<float>(handleRange);
}

void CSlider::handleMouse(CPaintContext* context, CPos where, int32_t buttons) {
    if (!acceptsMouse())
        return;
    if (buttons == -1)
        buttons = currentButtons();
    if (observer && (buttons & kModifierBits) && observer->modifierClick(context, this, buttons) != 0)
        return;
    if (tryReset(context, buttons))
        return;
    if (!(buttons & kMouseLeft))
        return;

    const bool horizontal = isHorizontal();
    int32_t delta = horizontal ? bounds.left + handleOffset.h : bounds.top + handleOffset.v;
    if (clickAnywhere) {
        // The pointer holds the handle just left of (above) its middle.
        delta += (horizontal ? handleWidth : handleHeight) / 2 - 1;
    } else {
        // Only a click on the handle drags it, and the handle keeps the point where it was taken.
        const int32_t lead = handlePosition() + delta;
        const int32_t across = horizontal ? bounds.top + handleOffset.v : bounds.left + handleOffset.h;
        const CRectangle grip = horizontal
                                    ? CRectangle{lead, across, lead + handleWidth, across + handleHeight}
                                    : CRectangle{across, lead, across + handleWidth, lead + handleHeight};
        if (!grip.contains(where))
            return;
        delta += (horizontal ? where.h : where.v) - lead;
    }

    // The editor's idle time, given while tracking, may close the window and free the frame's
    // views; the slider lives on until the drag is over.
    const Ref<CSlider> keepAlive(this);
    dragHandle(context, where, buttons, delta);
}

void CSlider::dragHandle(CPaintContext* context, CPos where, int32_t buttons, int32_t delta) {
    float oldValue = value;
    int32_t oldButtons = buttons;
    // The observer hears of a value once: a pointer held still must not repeat it at every poll.
    float reported = value;
    startEdit();
    // The loop ends with the button, or when the slider has left its frame: the host closed the
    // editor during the idle time given below (the editor has then ended the edit itself).
    while (ownerFrame && ((buttons = currentButtons()) & kMouseLeft)) {
        // Pressing Shift makes the current value the anchor of the fine movement; without Shift
        // the anchor follows the value.
        if (buttons != oldButtons && (buttons & kKeyShift)) {
            oldButtons = buttons;
            oldValue = value;
        } else if (!(buttons & kKeyShift)) {
            oldValue = value;
        }
        const float shown = value;
        value = valueAt(where, delta);
        if (style & (kStyleRight | kStyleBottom))
            value = 1.0f - value;
        if (buttons & kKeyShift)
            value = oldValue + (value - oldValue) / fineDivisor;
        clampValue();
        if (value == reported) {
            // Nothing new from the pointer: the value stays what the observer made of the last
            // report (a locked parameter puts the slider back).
            value = shown;
        } else if (observer) {
            reported = value;
            observer->controlChanged(context, this);
        }
        getPointerPosition(context, where);
        runIdle();
    }
    finishEdit();
}

void CSlider::reportStep(CPaintContext* context) {
    clampValue();
    if (needsRepaint() && observer) {
        startEdit();
        observer->controlChanged(context, this);
        finishEdit();
    }
}

bool CSlider::handleWheel(CPaintContext* context, CPos /*where*/, float distance) {
    if (!acceptsMouse())
        return false;
    const int32_t buttons = currentButtons();
    value = ((buttons & kKeyShift) ? distance * kFineStepFactor : distance) * wheelStep + value;
    reportStep(context);
    return true;
}

int32_t CSlider::handleKeyDown(const CKeyCode& key) {
    float step = 0.0f;
    switch (key.virt) {
    case kKeyLeft:
    case kKeyDown:
        step = -1.0f;
        break;
    case kKeyUp:
    case kKeyRight:
        step = 1.0f;
        break;
    default:
        return -1;
    }
    if (key.modifier & kKeyModifierShift)
        step *= kFineStepFactor;
    value = step * wheelStep + value;
    reportStep(nullptr);
    return 1;
}

// --- Tree membership ------------------------------------------------------------------------

bool CSlider::onAttached(CView* /*parent*/) {
    backBuffer.reset();
    backBuffer = makeRef<COffscreenPaint>(ownerFrame, controlWidth, controlHeight, kRgbaBlack);
    return true;
}

bool CSlider::onRemoved(CView* /*parent*/) {
    backBuffer.reset();
    return true;
}

bool CSlider::isKindOf(const char* className) const {
    return (className && std::strcmp(className, "CSlider") == 0) || CControl::isKindOf(className);
}

// --- Settings -------------------------------------------------------------------------------

void CSlider::setKeyedHandle(bool keyed) {
    keyedHandle = keyed;
}

void CSlider::setClickAnywhere(bool anywhere) {
    clickAnywhere = anywhere;
}

bool CSlider::getClickAnywhere() const {
    return clickAnywhere;
}

void CSlider::setHandleOffset(CPos offset) {
    handleOffset = offset;
    const bool horizontal = isHorizontal();
    handleMin = originOffset + (horizontal ? offset.h : offset.v);
    handleMax = handleMin + handleRange + (horizontal ? handleWidth : handleHeight);
}

void CSlider::setHandlePixmap(CPixmap* pixmap) {
    handle.reset(pixmap);
    if (handle) {
        handleWidth = handle->getWidth();
        handleHeight = handle->getHeight();
    }
}

CPixmap* CSlider::getHandlePixmap() const {
    return handle.get();
}

void CSlider::setFineDivisor(float divisor) {
    fineDivisor = divisor;
}

float CSlider::getFineDivisor() const {
    return fineDivisor;
}

} // namespace tovrel
