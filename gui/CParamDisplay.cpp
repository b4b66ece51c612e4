#include "gui/CParamDisplay.h"

#include "gui/CPixmap.h"

#include <cstdio>
#include <cstring>

namespace tovrel {

CParamDisplay::CParamDisplay(const CRectangle& area) : CControl(area, nullptr, 0, nullptr) {}

CParamDisplay::~CParamDisplay() = default;

bool CParamDisplay::isKindOf(const char* className) const {
    return (className && std::strcmp(className, "CParamDisplay") == 0) || CControl::isKindOf(className);
}

void CParamDisplay::paint(CPaintContext* context) {
    char text[kDisplayTextSize] = "";
    if (textConverterWithData)
        textConverterWithData(value, text, converterData);
    else if (textConverter)
        textConverter(value, text);
    else
        std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(value));
    // A converter that filled the whole buffer still leaves a terminated text.
    text[kDisplayTextSize - 1] = '\0';
    drawText(context, text);
}

namespace {

// Two connected one-pixel lines, from `from` over `corner` to `to` (the last point left out, as
// every painter draws lines), in view coordinates.
void drawCorner(CPaintContext* context, const CRgba& colour, CPos from, CPos corner, CPos to) {
    context->setStrokeWidth(1);
    context->setStrokeColor(colour);
    const CPos points[] = {from, corner, to};
    context->drawLines(points, 3);
}

} // namespace

void CParamDisplay::drawText(CPaintContext* context, const char* text, CPixmap* replacementBackdrop) {
    setNeedsRepaint(false);
    if (!context || (style & kStyleNoDraw))
        return;

    CPixmap* background = replacementBackdrop ? replacementBackdrop : backdrop.get();
    if (background) {
        if (transparent)
            background->drawKeyed(context, bounds, backdropOffset);
        else
            background->drawCopy(context, bounds, backdropOffset);
    } else if (!transparent) {
        context->setFillColor(backColour);
        context->fillArea(bounds);
        if (!(style & (kStyleInset | kStyleRaised | kStyleNoFrame))) {
            context->setStrokeColor(frameColour);
            context->outlineArea(bounds);
        }
    }

    if (style & (kStyleInset | kStyleRaised)) {
        const bool inset = (style & kStyleInset) != 0;
        const CRgba& lit = inset ? backColour : frameColour;
        const CRgba& shaded = inset ? frameColour : backColour;
        drawCorner(context, lit, CPos{bounds.left, bounds.bottom - 1}, CPos{bounds.left, bounds.top + 1},
                   CPos{bounds.right - 1, bounds.top + 1});
        drawCorner(context, shaded, CPos{bounds.right - 1, bounds.top + 1},
                   CPos{bounds.right - 1, bounds.bottom - 1}, CPos{bounds.left, bounds.bottom - 1});
    }

    if ((style & kStyleNoText) || !text || text[0] == '\0')
        return;

    const CRectangle savedClip = context->clipInDrawingCoordinates();
    context->setClipArea(bounds.boundedBy(savedClip));
    context->selectFont(fontNumber, textFace);
    const int16_t opaque = textTransparent ? 0 : 1;
    if (style & kStyleShadowText) {
        CRectangle shadow = bounds;
        shadow.offset(1, 1);
        context->setTextColor(shadowColour);
        context->drawText(text, shadow, opaque, alignment);
    }
    context->setTextColor(textColour);
    context->drawText(text, bounds, opaque, alignment);
    context->setClipArea(savedClip);
}

// --- Settings -------------------------------------------------------------------------------

void CParamDisplay::setFontNumber(int32_t number) {
    changeSetting(fontNumber, number);
}

void CParamDisplay::setTextColour(CRgba colour) {
    changeSetting(textColour, colour);
}

void CParamDisplay::setBackColour(CRgba colour) {
    changeSetting(backColour, colour);
}

void CParamDisplay::setFrameColour(CRgba colour) {
    changeSetting(frameColour, colour);
}

void CParamDisplay::setShadowColour(CRgba colour) {
    changeSetting(shadowColour, colour);
}

void CParamDisplay::setAlignment(int32_t newAlignment) {
    changeSetting(alignment, newAlignment);
}

void CParamDisplay::setTextConverterWithData(ValueToTextWithData converter, void* data) {
    textConverterWithData = converter;
    converterData = data;
}

void CParamDisplay::setTextConverter(ValueToText converter) {
    textConverter = converter;
}

void CParamDisplay::setTextParser(TextToValue parser) {
    textParser = parser;
}

void CParamDisplay::setStyle(int32_t newStyle) {
    changeSetting(style, newStyle);
}

void CParamDisplay::setTextFace(int32_t face) {
    changeSetting(textFace, face);
}

void CParamDisplay::setTextTransparent(bool transparentText) {
    textTransparent = transparentText;
}

} // namespace tovrel
