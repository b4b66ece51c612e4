#include "tools/response/ResponseProbe.h"

#include "plugin/ParameterMappings.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/StereoBuffers.h"

#include <cmath>
#include <cstdio>

namespace tovrel {

bool ResponseProbe::fail(const std::string& message) {
    lastError = message;
    return false;
}

bool ResponseProbe::load(const std::string& pluginPath) {
    if (!library.load(pluginPath))
        return fail(library.error());
    return true;
}

bool ResponseProbe::measure(const ResponseSetting& setting, int sampleRate, int frames,
                            ImpulseResponse& response) {
    AEffect* created = library.createEffect(&HostedEffect::quietHost);
    if (!created)
        return fail("the plug-in refused to create an effect");
    HostedEffect effect;
    if (!effect.open(created) || !effect.isStereo())
        return fail("the plug-in is not a stereo VST 2.4 effect");
    effect.setSampleRate(static_cast<float>(sampleRate));
    effect.setBlockSize(frames);

    bool taken = true;
    if (setting.preset >= 0) {
        const float value = parameterFromPreset(setting.preset);
        effect.setParameter(2, value);
        taken = effect.getParameter(2) == value;
    } else {
        effect.setParameter(2, 0.0f); // "Off" frees the two level parameters
        effect.setParameter(0, parameterFromFeed(static_cast<uint32_t>(setting.feedTenths)));
        effect.setParameter(1, parameterFromCut(static_cast<uint32_t>(setting.cutHz)));
        char feed[16];
        std::snprintf(feed, sizeof(feed), "%d.%d", setting.feedTenths / 10, setting.feedTenths % 10);
        const std::string cut = effect.parameterDisplay(1);
        taken = effect.parameterDisplay(0) == feed && cut.rfind(std::to_string(setting.cutHz) + "/", 0) == 0;
    }
    response.feedText = effect.parameterDisplay(0);
    response.cutText = effect.parameterDisplay(1);
    if (!taken)
        return fail("the plug-in did not take the setting '" + setting.name + "'");

    effect.resume();
    StereoBuffers<double> impulse(frames);
    impulse.input(0)[0] = kImpulse;
    effect.process(impulse.inputs(), impulse.inputs(), frames);
    effect.close();

    const double* left = impulse.input(0);
    const double* right = impulse.input(1);
    response.sameSide.resize(static_cast<size_t>(frames));
    response.oppositeSide.resize(static_cast<size_t>(frames));
    response.peak = 0.0;
    for (int i = 0; i < frames; ++i) {
        response.peak = std::fmax(response.peak, std::fmax(std::fabs(left[i]), std::fabs(right[i])));
        response.sameSide[static_cast<size_t>(i)] = left[i] / kImpulse;
        response.oppositeSide[static_cast<size_t>(i)] = right[i] / kImpulse;
    }
    return true;
}

} // namespace tovrel
