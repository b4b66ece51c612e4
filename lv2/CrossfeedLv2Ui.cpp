#include "lv2/CrossfeedLv2Ui.h"

#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"

namespace tovrel {

namespace {

// The port a parameter of the editor's effect is written to; "Defs" has none (a preset reaches the
// ports as the changes of "Feed" and "FCut" it makes).
bool portOf(int32_t parameter, lv2::Port& port) {
    if (parameter == CrossfeedEffect::kParamFeed)
        port = lv2::kFeed;
    else if (parameter == CrossfeedEffect::kParamCut)
        port = lv2::kCut;
    else
        return false;
    return true;
}

} // namespace

CrossfeedLv2Ui::CrossfeedLv2Ui(const Host& offered)
    : host(offered), session(offered.resize != nullptr), feedPort(decibelsFromFeed(feedOf(kFallbackLevel))),
      cutPort(hertzFromCut(cutFrequencyOf(kFallbackLevel))) {}

CrossfeedLv2Ui::~CrossfeedLv2Ui() {
    session.close();
    idle();
}

bool CrossfeedLv2Ui::open(void* parent) {
    if (!session.ready() || !host.write || !session.open(parent))
        return false;
    int32_t width = 0;
    int32_t height = 0;
    if (host.resize && session.size(width, height))
        host.resize->ui_resize(host.resize->handle, width, height);
    return true;
}

// The ports' values make the level the plug-in's sound uses. While the user works a slider, and
// until the host has had what the editor did, the host's echoes of earlier values would pull the
// controls back (and a preset's new feed with the old cut frequency would put "Defs" on "Off"), so
// the values are kept and the controls follow at the next event after that.
void CrossfeedLv2Ui::portEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer) {
    if (format != 0 || bufferSize != sizeof(float) || !buffer)
        return;
    const float value = *static_cast<const float*>(buffer);
    if (port == lv2::kFeed)
        feedPort = value;
    else if (port == lv2::kCut)
        cutPort = value;
    else
        return;
    if (session.editing())
        return;
    session.setLevel(validLevel(levelFromUnits(feedPort, cutPort)));
}

int CrossfeedLv2Ui::idle() {
    for (const CrossfeedEditorSession::Event& event : session.takeEvents())
        deliver(event);
    return 0;
}

void CrossfeedLv2Ui::deliver(const CrossfeedEditorSession::Event& event) {
    using Kind = CrossfeedEditorSession::Event::Kind;
    switch (event.kind) {
    case Kind::beginEdit:
    case Kind::endEdit:
        touch(event.index, event.kind == Kind::beginEdit);
        break;
    case Kind::change:
        // The host value as the effect maps it, then in the port's unit; a value no level has
        // is not written.
        if (event.index == CrossfeedEffect::kParamFeed) {
            const uint32_t feed = levelHalf(feedFromParameter(event.value));
            if (feed >= kMinFeed && feed <= kMaxFeed)
                write(lv2::kFeed, decibelsFromFeed(feed));
        } else if (event.index == CrossfeedEffect::kParamCut) {
            const uint32_t cut = levelHalf(cutFromParameter(event.value));
            if (cut >= kMinCutFrequency && cut <= kMaxCutFrequency)
                write(lv2::kCut, hertzFromCut(cut));
        }
        break;
    case Kind::resize:
        if (host.resize)
            host.resize->ui_resize(host.resize->handle, event.width, event.height);
        break;
    }
}

void CrossfeedLv2Ui::write(lv2::Port port, float value) {
    (port == lv2::kFeed ? feedPort : cutPort) = value;
    if (host.write)
        host.write(host.controller, port, sizeof(float), 0, &value);
}

void CrossfeedLv2Ui::touch(int32_t parameter, bool grabbed) {
    lv2::Port port = lv2::kFeed;
    if (host.touch && portOf(parameter, port))
        host.touch->touch(host.touch->handle, port, grabbed);
}

} // namespace tovrel
