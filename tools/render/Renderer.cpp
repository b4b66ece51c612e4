#include "tools/render/Renderer.h"

#include "plugin/ParameterMappings.h"
#include "plugin/Presets.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"
#include "tools/vsthost/StereoBuffers.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <unistd.h>

namespace tovrel {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const {
        if (file)
            sf_close(file);
    }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

int containerFor(const std::string& path) {
    const auto dot = path.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "wav")
        return SF_FORMAT_WAV;
    if (ext == "flac")
        return SF_FORMAT_FLAC;
    if (ext == "aif" || ext == "aiff")
        return SF_FORMAT_AIFF;
    return 0;
}

int subtypeFor(RenderOptions::Encoding encoding, int inputFormat) {
    switch (encoding) {
    case RenderOptions::Encoding::Pcm16:
        return SF_FORMAT_PCM_16;
    case RenderOptions::Encoding::Pcm24:
        return SF_FORMAT_PCM_24;
    case RenderOptions::Encoding::Float:
        return SF_FORMAT_FLOAT;
    case RenderOptions::Encoding::SameAsInput:
        break;
    }
    const int subtype = inputFormat & SF_FORMAT_SUBMASK;
    switch (subtype) {
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
        return subtype;
    default:
        return SF_FORMAT_PCM_24;
    }
}

} // namespace

bool Renderer::fail(const std::string& message) {
    lastError = message;
    return false;
}

bool Renderer::run(RenderSummary& summary, const Progress& progress) {
    if (job.inputPath == job.outputPath)
        return fail("the output would overwrite the input '" + job.inputPath + "'");

    SF_INFO inInfo{};
    SndfileHandle input(sf_open(job.inputPath.c_str(), SFM_READ, &inInfo));
    if (!input)
        return fail("cannot read '" + job.inputPath + "': " + sf_strerror(nullptr));
    if (inInfo.channels != 2)
        return fail("'" + job.inputPath + "' has " + std::to_string(inInfo.channels) +
                    " channel(s); crossfeed needs a stereo (2-channel) file");
    if (inInfo.samplerate < 2000 || inInfo.samplerate > 384000)
        return fail("'" + job.inputPath + "' is sampled at " + std::to_string(inInfo.samplerate) +
                    " Hz; the plug-in works from 2000 to 384000 Hz");

    const int container = containerFor(job.outputPath);
    if (!container)
        return fail("cannot tell the output format from '" + job.outputPath +
                    "': use a .wav, .flac, .aif or .aiff name");
    SF_INFO outInfo{};
    outInfo.samplerate = inInfo.samplerate;
    outInfo.channels = 2;
    outInfo.format = container | subtypeFor(job.encoding, inInfo.format);
    if (container == SF_FORMAT_FLAC && ((outInfo.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT ||
                                        (outInfo.format & SF_FORMAT_SUBMASK) == SF_FORMAT_DOUBLE))
        outInfo.format = container | SF_FORMAT_PCM_24;
    if (!sf_format_check(&outInfo))
        return fail("the output format asked for cannot be written as '" + job.outputPath + "'");

    // The renderer is a minimal host: it tells the plug-in its version and answers nothing else.
    // The effect is switched off and closed when the render ends, however it ends, before the
    // library is unloaded.
    PluginLibrary library;
    if (!library.load(job.pluginPath))
        return fail(library.error());
    AEffect* created = library.createEffect(&HostedEffect::quietHost);
    if (!created)
        return fail("the plug-in '" + job.pluginPath + "' refused to create an effect");
    HostedEffect effect;
    if (!effect.open(created) || !effect.isStereo())
        return fail("'" + job.pluginPath + "' is not a stereo VST 2.4 effect");

    effect.setSampleRate(static_cast<float>(inInfo.samplerate));
    effect.setBlockSize(job.blockSize);
    if (job.preset) {
        effect.setParameter(2, parameterFromPreset(*job.preset));
        if (effect.getParameter(2) != parameterFromPreset(*job.preset))
            return fail("the plug-in did not take the preset");
        summary.setting = kPresetNames[*job.preset];
    } else {
        effect.setParameter(2, 0.0f); // "Off" frees the two level parameters
        // Aim at the middle of each step, so that truncation inside the plug-in lands on the value.
        effect.setParameter(0, parameterFromFeed(static_cast<uint32_t>(*job.feedTenths)));
        effect.setParameter(1, parameterFromCut(static_cast<uint32_t>(*job.cutHz)));
        const std::string feed = effect.parameterDisplay(0);
        const std::string cut = effect.parameterDisplay(1);
        char expectedFeed[16];
        std::snprintf(expectedFeed, sizeof(expectedFeed), "%d.%d", *job.feedTenths / 10,
                      *job.feedTenths % 10);
        if (feed != expectedFeed || cut.rfind(std::to_string(*job.cutHz) + "/", 0) != 0)
            return fail("the plug-in did not take the level: it shows " + feed + " dB, " + cut);
        summary.setting = feed + " dB, " + cut.substr(0, cut.find('/')) + " Hz";
        if (job.feedChangeFrame)
            summary.setting += ", " + std::to_string(job.feedChangeTenths / 10) + "." +
                               std::to_string(job.feedChangeTenths % 10) + " dB from frame " +
                               std::to_string(*job.feedChangeFrame);
    }
    effect.resume();

    // Write under a temporary name beside the output, renamed once everything is written.
    const std::string partialPath = job.outputPath + ".partial-" + std::to_string(getpid());
    struct PartialFile {
        std::string path;
        bool keep{false};
        ~PartialFile() {
            if (!keep)
                std::remove(path.c_str());
        }
    } partial{partialPath};
    SndfileHandle output(sf_open(partialPath.c_str(), SFM_WRITE, &outInfo));
    if (!output)
        return fail("cannot write '" + job.outputPath + "': " + sf_strerror(nullptr));
    // Float output carries the plug-in's values unchanged; integer output is scaled to full scale.
    sf_command(output.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    const int block = job.blockSize;
    std::vector<double> interleaved(static_cast<size_t>(block) * 2);
    // Processed in place, as many hosts do: the inputs are passed as the outputs too.
    StereoBuffers<double> doubles(block);
    StereoBuffers<float> floats(block);
    double* left = doubles.input(0);
    double* right = doubles.input(1);
    const int64_t total = inInfo.frames;
    int64_t done = 0;
    const auto started = std::chrono::steady_clock::now();
    double inPeak = 0.0;
    double outPeak = 0.0;
    for (;;) {
        // A level change splits the block at its frame, as a host splits its cycle at an
        // automation event.
        sf_count_t wanted = block;
        if (job.feedChangeFrame && done == *job.feedChangeFrame)
            effect.setParameter(0, parameterFromFeed(static_cast<uint32_t>(job.feedChangeTenths)));
        else if (job.feedChangeFrame && done < *job.feedChangeFrame)
            wanted = std::min<sf_count_t>(wanted, *job.feedChangeFrame - done);
        const sf_count_t got = sf_readf_double(input.get(), interleaved.data(), wanted);
        if (got <= 0)
            break;
        const auto n = static_cast<int32_t>(got);
        const auto frames = static_cast<size_t>(got);
        for (size_t i = 0; i < frames; ++i) {
            left[i] = interleaved[2 * i];
            right[i] = interleaved[2 * i + 1];
            inPeak = std::max({inPeak, std::fabs(left[i]), std::fabs(right[i])});
        }
        if (job.precision == RenderOptions::Precision::Double) {
            effect.process(doubles.inputs(), doubles.inputs(), n);
        } else {
            for (size_t i = 0; i < frames; ++i) {
                floats.input(0)[i] = static_cast<float>(left[i]);
                floats.input(1)[i] = static_cast<float>(right[i]);
            }
            effect.process(floats.inputs(), floats.inputs(), n);
            for (size_t i = 0; i < frames; ++i) {
                left[i] = floats.input(0)[i];
                right[i] = floats.input(1)[i];
            }
        }
        for (size_t i = 0; i < frames; ++i) {
            interleaved[2 * i] = left[i];
            interleaved[2 * i + 1] = right[i];
            outPeak = std::max({outPeak, std::fabs(left[i]), std::fabs(right[i])});
        }
        if (sf_writef_double(output.get(), interleaved.data(), got) != got)
            return fail("writing '" + job.outputPath + "' failed: " + sf_strerror(output.get()));
        done += got;
        if (progress)
            progress(done, total, inInfo.samplerate);
    }
    if (sf_error(input.get()) != SF_ERR_NO_ERROR)
        return fail("reading '" + job.inputPath + "' failed: " + sf_strerror(input.get()));
    summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    effect.suspend();

    output.reset(); // flush and close before the rename
    if (std::rename(partialPath.c_str(), job.outputPath.c_str()) != 0)
        return fail("cannot move the finished output to '" + job.outputPath + "': " + std::strerror(errno));
    partial.keep = true;

    summary.frames = done;
    summary.sampleRate = inInfo.samplerate;
    summary.inputPeak = inPeak;
    summary.outputPeak = outPeak;
    return true;
}

} // namespace tovrel
