#pragma once

#include "gui/CControl.h"
#include "gui/CPaintContext.h"
#include "gui/CRgba.h"
#include "gui/ControlStyles.h"

namespace tovrel {

// Writes the text for a value into a buffer of kDisplayTextSize characters.
using ValueToText = void (*)(float value, char* text);
using ValueToTextWithData = void (*)(float value, char* text, void* data);
// Reads a value back from a text; true when the text was understood.
using TextToValue = bool (*)(const char* text, float& value);

inline constexpr int32_t kDisplayTextSize = 256;

// A read-only value display: the value becomes a short text, through the owner's callback or
// "%2.2f", painted over a filled background with an optional frame, 3-D edge and shadow. The
// text is made only when painting, so the value may be set from anywhere in between. It takes no
// mouse or key input.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class CParamDisplay : public CControl {
public:
    explicit CParamDisplay(const CRectangle& bounds);
    ~CParamDisplay() override;

    void paint(CPaintContext* context) override;
    bool isKindOf(const char* className) const override;

    // Font, colours, alignment, style and face mark the display for repaint when they really
    // change; the callbacks and the text transparency are only stored.
    virtual void setFontNumber(int32_t number);
    virtual void setTextColour(CRgba colour);
    virtual void setBackColour(CRgba colour);
    virtual void setFrameColour(CRgba colour);
    virtual void setShadowColour(CRgba colour);
    virtual void setAlignment(int32_t newAlignment);
    virtual void setTextConverterWithData(ValueToTextWithData converter, void* data);
    virtual void setTextConverter(ValueToText converter);
    virtual void setTextParser(TextToValue parser);
    virtual void setStyle(int32_t newStyle);
    virtual void setTextFace(int32_t face);
    virtual void setTextTransparent(bool transparentText);

    TextToValue getTextParser() const { return textParser; }

protected:
    // Paints background, edge and `text`; `replacementBackdrop`, when given, is drawn instead of
    // the display's own backdrop.
    void drawText(CPaintContext* context, const char* text, CPixmap* replacementBackdrop = nullptr);

private:
    // Stores a setting that shows in the painting, and marks the display for repaint when it
    // really changes.
    template <typename T> void changeSetting(T& setting, const T& wanted) {
        if (wanted != setting)
            setNeedsRepaint(true);
        setting = wanted;
    }

    ValueToText textConverter{nullptr};
    ValueToTextWithData textConverterWithData{nullptr};
    TextToValue textParser{nullptr};
    void* converterData{nullptr};
    int32_t alignment{kAlignCenter};
    int32_t style{0};
    int32_t fontNumber{3};
    int32_t textFace{0};
    CRgba textColour{kRgbaWhite};
    CRgba backColour{kRgbaBlack};
    CRgba frameColour{kRgbaBlack};
    CRgba shadowColour{kRgbaRed};
    bool textTransparent{true};
};

} // namespace tovrel
