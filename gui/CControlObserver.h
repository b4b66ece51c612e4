#pragma once

#include <cstdint>

namespace tovrel {

class CControl;
class CPaintContext;

// Told by a control when the user changed its value, and asked first about clicks made with a
// modifier held. Controls do not own their observer.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CControlObserver {
public:
    virtual void controlChanged(CPaintContext* context, CControl* control) = 0;
    // Non-zero: the observer handled the click and the control ignores it.
    virtual int32_t modifierClick(CPaintContext* context, CControl* control, int32_t buttons) = 0;

protected:
    CControlObserver() = default;
    ~CControlObserver() = default;
    CControlObserver(const CControlObserver&) = default;
    CControlObserver& operator=(const CControlObserver&) = default;
};

} // namespace tovrel
