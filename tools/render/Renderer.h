#pragma once

#include "tools/render/RenderOptions.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tovrel {

struct RenderSummary {
    int64_t frames{0};
    int sampleRate{0};
    double inputPeak{0.0};
    double outputPeak{0.0};
    double seconds{0.0}; // wall-clock time spent processing
    std::string setting; // what the plug-in was set to, as it displays it
};

// Crossfeeds one file through the plug-in as a host would: the library is loaded, its effect
// created through the entry point, configured through the dispatcher and setParameter, and fed
// block by block. The output is written under a temporary name and renamed only when complete.
class Renderer {
public:
    using Progress = std::function<void(int64_t done, int64_t total, int sampleRate)>;

    explicit Renderer(RenderOptions options) : job(std::move(options)) {}

    // False on any failure, with a message for the user in error(); no output file is left.
    bool run(RenderSummary& summary, const Progress& progress = {});

    const std::string& error() const { return lastError; }

private:
    bool fail(const std::string& message);

    // What to render: the files, the setting, the block size and the precision.
    RenderOptions job;
    std::string lastError;
};

} // namespace tovrel
