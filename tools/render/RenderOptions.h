#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tovrel {

// What the renderer was asked to do, parsed and validated from its command line.
struct RenderOptions {
    enum class Precision { Double, Single };
    enum class Encoding { SameAsInput, Pcm16, Pcm24, Float };

    std::string inputPath;
    std::string outputPath;
    std::string pluginPath;
    // Preset index 0 to 4; unset when feed and cut are given instead.
    std::optional<int> preset;
    std::optional<int> feedTenths; // 10 to 150
    std::optional<int> cutHz;      // 300 to 2000
    // A level change from this frame on, as a host's automation makes it (with feed and cut only).
    std::optional<int64_t> feedChangeFrame;
    int feedChangeTenths{0};
    int blockSize{512};
    Precision precision{Precision::Double};
    Encoding encoding{Encoding::SameAsInput};
    bool quiet{false};
    bool showHelp{false};
};

// Parses the arguments (without the program name). On a usage error returns nullopt and sets
// error to a message for the user.
std::optional<RenderOptions> parseRenderOptions(int argc, const char* const* argv, std::string& error);

// Preset index for a name as the plug-in shows it ("BS2B Default") or a short key ("bs2b"),
// compared without regard to case; -1 when unknown.
int presetIndexForName(const std::string& name);

const char* renderUsage();

} // namespace tovrel
