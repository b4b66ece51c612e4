// tovrel-render: crossfeeds audio files offline through the plug-in, loaded as a host loads it.
#include "tools/render/Renderer.h"

#include <cmath>
#include <cstdio>
#include <string>

#include <climits>
#include <unistd.h>

namespace {

// Files longer than this show a progress line while they render.
constexpr double kProgressAfterSeconds = 30.0;

std::string besideThisProgram(const char* name) {
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
        return name;
    std::string self(path, static_cast<size_t>(length));
    return self.substr(0, self.find_last_of('/') + 1) + name;
}

std::string decibels(double peak) {
    if (peak <= 0.0)
        return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f dBFS", 20.0 * std::log10(peak));
    return text;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    auto options = tovrel::parseRenderOptions(argc - 1, argv + 1, error);
    if (!options) {
        std::fprintf(stderr, "tovrel-render: %s\n\n%s", error.c_str(), tovrel::renderUsage());
        return 2;
    }
    if (options->showHelp) {
        std::fputs(tovrel::renderUsage(), stdout);
        return 0;
    }
    if (options->pluginPath.empty())
        options->pluginPath = besideThisProgram("tovrel_vst.so");

    const bool quiet = options->quiet;
    tovrel::Renderer renderer(*options);
    tovrel::RenderSummary summary;
    // Long files show a progress line on a terminal.
    const bool showProgress = !quiet && isatty(STDERR_FILENO);
    int lastPercent = -1;
    auto progress = [&](int64_t done, int64_t total, int sampleRate) {
        if (!showProgress || total <= 0 || static_cast<double>(total) < kProgressAfterSeconds * sampleRate)
            return;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent != lastPercent) {
            lastPercent = percent;
            std::fprintf(stderr, "\rrendering %3d%%", percent);
            std::fflush(stderr);
        }
    };
    const bool ok = renderer.run(summary, progress);
    if (lastPercent >= 0)
        std::fputs("\n", stderr);
    if (!ok) {
        std::fprintf(stderr, "tovrel-render: %s\n", renderer.error().c_str());
        return 1;
    }
    if (!quiet) {
        const double duration = static_cast<double>(summary.frames) / summary.sampleRate;
        std::printf("rendered  %s -> %s\n", options->inputPath.c_str(), options->outputPath.c_str());
        std::printf("setting   %s, %s precision, blocks of %d frames\n", summary.setting.c_str(),
                    options->precision == tovrel::RenderOptions::Precision::Double ? "double" : "single",
                    options->blockSize);
        std::printf("frames    %lld at %d Hz (%.3f s)\n", static_cast<long long>(summary.frames),
                    summary.sampleRate, duration);
        std::printf("peak      input %.6f (%s), output %.6f (%s)\n", summary.inputPeak,
                    decibels(summary.inputPeak).c_str(), summary.outputPeak,
                    decibels(summary.outputPeak).c_str());
        if (summary.seconds > 0.0)
            std::printf("speed     %.0f x real time (%.3f s)\n", duration / summary.seconds, summary.seconds);
    }
    return 0;
}
