#pragma once

#include "gui/CControl.h"
#include "gui/ControlStyles.h"

namespace tovrel {

class COffscreenPaint;

// A linear slider: the backdrop is the track and the handle pixmap moves along it in proportion
// to the value (0 to 1). Track and handle are composed in a back buffer of the slider's size
// while the slider is attached, so that they reach the window in one copy. The left button drags
// the handle (a tenth of the speed while Shift is held); the wheel and the arrow keys step the
// value by the wheel step.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CSlider : public CControl {
public:
    // `minimumPosition` and `maximumPosition` are the handle's travel in the parent's coordinates.
    CSlider(const CRectangle& bounds, CControlObserver* observer, int32_t tag, int32_t minimumPosition,
            int32_t maximumPosition, CPixmap* handle, CPixmap* track, CPos trackOffset,
            int32_t style = kStyleHorizontal | kStyleLeft);
    ~CSlider() override;

    void paint(CPaintContext* context) override;
    void handleMouse(CPaintContext* context, CPos where, int32_t buttons) override;
    int32_t handleKeyDown(const CKeyCode& key) override;
    bool handleWheel(CPaintContext* context, CPos where, float distance) override;
    bool onRemoved(CView* parent) override;
    bool onAttached(CView* parent) override;
    bool isKindOf(const char* className) const override;

    virtual void setKeyedHandle(bool keyed);
    virtual void setClickAnywhere(bool anywhere);
    virtual bool getClickAnywhere() const;
    virtual void setHandleOffset(CPos offset);
    virtual void setHandlePixmap(CPixmap* pixmap);
    virtual CPixmap* getHandlePixmap() const;
    virtual void setFineDivisor(float divisor);
    virtual float getFineDivisor() const;

    COffscreenPaint* getBackBuffer() const { return backBuffer.get(); }

private:
    bool isHorizontal() const { return (style & kStyleHorizontal) != 0; }
    // The share of the travel the handle is painted at.
    float paintedFraction() const;
    // Where the handle's leading edge lies along the travel, before the travel's limits apply.
    int32_t handlePosition() const;
    // Turns the pointer into a value; `delta` is the pointer coordinate that means value 0.
    float valueAt(CPos pointer, int32_t delta) const;
    void dragHandle(CPaintContext* context, CPos where, int32_t buttons, int32_t delta);
    void reportStep(CPaintContext* context);

    CPos trackOffset;
    CPos handleOffset;
    Ref<CPixmap> handle;
    Ref<COffscreenPaint> backBuffer; // only while attached
    int32_t style{kStyleHorizontal | kStyleLeft};
    int32_t handleWidth{1};
    int32_t handleHeight{1};
    int32_t handleRange{0};
    int32_t handleMin{0};
    int32_t handleMax{0};
    int32_t originOffset{0};
    int32_t controlWidth{0};
    int32_t controlHeight{0};
    // Fine mode, with Shift held: a drag moves the value by the pointer's movement divided by
    // `fineDivisor`, and a wheel notch or an arrow key by this share of the wheel step.
    float fineDivisor{10.0f};
    static constexpr float kFineStepFactor = 0.1f;
    bool keyedHandle{true};
    bool clickAnywhere{true};
};

} // namespace tovrel
