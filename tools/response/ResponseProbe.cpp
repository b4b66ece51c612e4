#include "tools/response/ResponseProbe.h"

#include <cmath>
#include <cstdio>

namespace tovrel {

namespace {

intptr_t VST_CALL probeHostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst::audioMasterVersion ? vst::kVstVersion : 0;
}

std::string displayOf(AEffect* effect, int32_t index) {
    char text[64] = {};
    effect->dispatcher(effect, vst::effGetParamDisplay, index, 0, text, 0.0f);
    return text;
}

} // namespace

bool ResponseProbe::fail(const std::string& message) {
    m_error = message;
    return false;
}

bool ResponseProbe::load(const std::string& pluginPath) {
    if (!m_library.load(pluginPath))
        return fail(m_library.error());
    return true;
}

bool ResponseProbe::measure(const ResponseSetting& setting, int sampleRate, int frames,
                            ImpulseResponse& response) {
    AEffect* fx = m_library.createEffect(&probeHostCallback);
    if (!fx)
        return fail("the plug-in refused to create an effect");
    if (fx->magic != vst::kEffectMagic || fx->numInputs != 2 || fx->numOutputs != 2) {
        fx->dispatcher(fx, vst::effClose, 0, 0, nullptr, 0.0f);
        return fail("the plug-in is not a stereo VST 2.4 effect");
    }
    fx->dispatcher(fx, vst::effOpen, 0, 0, nullptr, 0.0f);
    fx->dispatcher(fx, vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    fx->dispatcher(fx, vst::effSetBlockSize, 0, frames, nullptr, 0.0f);

    bool taken = true;
    if (setting.preset >= 0) {
        const float value = static_cast<float>(setting.preset) * 0.25f;
        fx->setParameter(fx, 2, value);
        taken = fx->getParameter(fx, 2) == value;
    } else {
        fx->setParameter(fx, 2, 0.0f); // "Off" frees the two level parameters
        fx->setParameter(fx, 0, (static_cast<float>(setting.feedTenths - 10) + 0.5f) / 140.0f);
        fx->setParameter(fx, 1, (static_cast<float>(setting.cutHz - 300) + 0.5f) / 1700.0f);
        char feed[16];
        std::snprintf(feed, sizeof(feed), "%d.%d", setting.feedTenths / 10, setting.feedTenths % 10);
        const std::string cut = displayOf(fx, 1);
        taken = displayOf(fx, 0) == feed && cut.rfind(std::to_string(setting.cutHz) + "/", 0) == 0;
    }
    response.feedText = displayOf(fx, 0);
    response.cutText = displayOf(fx, 1);
    if (!taken) {
        fx->dispatcher(fx, vst::effClose, 0, 0, nullptr, 0.0f);
        return fail("the plug-in did not take the setting '" + setting.name + "'");
    }

    fx->dispatcher(fx, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    std::vector<double> left(static_cast<size_t>(frames), 0.0);
    std::vector<double> right(static_cast<size_t>(frames), 0.0);
    left[0] = kImpulse;
    double* channels[2] = {left.data(), right.data()};
    fx->processDoubleReplacing(fx, channels, channels, frames);
    fx->dispatcher(fx, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
    fx->dispatcher(fx, vst::effClose, 0, 0, nullptr, 0.0f);

    response.peak = 0.0;
    for (int i = 0; i < frames; ++i) {
        response.peak = std::fmax(response.peak, std::fmax(std::fabs(left[i]), std::fabs(right[i])));
        left[i] /= kImpulse;
        right[i] /= kImpulse;
    }
    response.sameSide = std::move(left);
    response.oppositeSide = std::move(right);
    return true;
}

} // namespace tovrel
