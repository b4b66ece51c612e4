#pragma once

#include "gui/CView.h"

namespace tovrel {

class CControlObserver;

// A view that shows and edits one value. It is repainted when its value differs from the value
// it last painted, so setting a value is enough to have it drawn again at the next refresh.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CControl : public CView {
public:
    CControl(const CRectangle& bounds, CControlObserver* observer, int32_t tag, CPixmap* backdrop);

    void paint(CPaintContext* context) override = 0;
    bool needsRepaint() const override;
    void setNeedsRepaint(bool needed) override;
    bool isKindOf(const char* className) const override;

    virtual void runIdle();
    virtual void setValue(float newValue);
    virtual float getValue() const;
    virtual void setMinimum(float newMinimum);
    virtual float getMinimum() const;
    virtual void setMaximum(float newMaximum);
    virtual float getMaximum() const;
    virtual void setPaintedValue(float newPaintedValue);
    virtual float getPaintedValue() const;
    virtual void setResetValue(float newResetValue);
    virtual float getResetValue() const;
    virtual void setTag(int32_t newTag);
    virtual int32_t getTag() const;
    // Bracket one user edit; the frame passes them on to the host.
    virtual void startEdit();
    virtual void finishEdit();
    virtual void setBackdropOffset(CPos newOffset);
    virtual void alignBackdropOffset();
    virtual void setWheelStep(float newStep);
    virtual float getWheelStep() const;
    virtual void clampValue();
    // Control-click with the left button restores the reset value.
    virtual bool tryReset(CPaintContext* context, int32_t buttons);

    CControlObserver* getObserver() const { return observer; }
    const CPos& getBackdropOffset() const { return backdropOffset; }

protected:
    CControlObserver* observer{nullptr}; // not owned
    int32_t tag{0};
    float paintedValue{-1.0f};
    float resetValue{0.5f};
    float value{0.0f};
    float minimum{0.0f};
    float maximum{1.0f};
    float wheelStep{0.1f};
    CPos backdropOffset;
};

} // namespace tovrel
