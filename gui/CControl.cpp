#include "gui/CControl.h"

#include "gui/CControlObserver.h"
#include "gui/CFrameServices.h"
#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"

#include <cstring>

namespace tovrel {

CControl::CControl(const CRectangle& area, CControlObserver* changeObserver, int32_t controlTag,
                   CPixmap* pixmap)
    : CView(area), observer(changeObserver), tag(controlTag) {
    mouseAccepted = true;
    transparent = false;
    backdrop.reset(pixmap);
    CControl::setNeedsRepaint(true);
}

bool CControl::needsRepaint() const {
    // A NaN compares unequal to everything; it counts as equal here.
    const bool differs = value < paintedValue || value > paintedValue;
    return differs || repaintPending;
}

void CControl::setNeedsRepaint(bool needed) {
    repaintPending = needed;
    if (needed)
        paintedValue = value == -1.0f ? 0.0f : -1.0f;
    else
        paintedValue = value;
}

bool CControl::isKindOf(const char* className) const {
    return (className && std::strcmp(className, "CControl") == 0) || CView::isKindOf(className);
}

void CControl::runIdle() {
    if (ownerFrame)
        ownerFrame->pumpIdle();
}

void CControl::setValue(float newValue) {
    value = newValue;
}
float CControl::getValue() const {
    return value;
}
void CControl::setMinimum(float newMinimum) {
    minimum = newMinimum;
}
float CControl::getMinimum() const {
    return minimum;
}
void CControl::setMaximum(float newMaximum) {
    maximum = newMaximum;
}
float CControl::getMaximum() const {
    return maximum;
}
void CControl::setPaintedValue(float newPaintedValue) {
    paintedValue = newPaintedValue;
}
float CControl::getPaintedValue() const {
    return paintedValue;
}
void CControl::setResetValue(float newResetValue) {
    resetValue = newResetValue;
}
float CControl::getResetValue() const {
    return resetValue;
}
void CControl::setTag(int32_t newTag) {
    tag = newTag;
}
int32_t CControl::getTag() const {
    return tag;
}

void CControl::startEdit() {
    // Input handlers only run for views in a frame; a control outside one has nobody to tell.
    if (!ownerFrame)
        return;
    ownerFrame->setKeyFocus(this);
    ownerFrame->beginParameterEdit(tag);
}

void CControl::finishEdit() {
    if (ownerFrame)
        ownerFrame->endParameterEdit(tag);
}

void CControl::setBackdropOffset(CPos newOffset) {
    backdropOffset = newOffset;
}

void CControl::alignBackdropOffset() {
    backdropOffset = CPos{bounds.left, bounds.top};
}

void CControl::setWheelStep(float newStep) {
    wheelStep = newStep;
}
float CControl::getWheelStep() const {
    return wheelStep;
}

void CControl::clampValue() {
    if (value > maximum)
        value = maximum;
    else if (!(value >= minimum))
        value = minimum;
}

bool CControl::tryReset(CPaintContext* context, int32_t buttons) {
    if (buttons != (kMouseLeft | kKeyControl))
        return false;
    startEdit();
    value = getResetValue();
    if (needsRepaint() && observer)
        observer->controlChanged(context, this);
    finishEdit();
    return true;
}

} // namespace tovrel
