#include "tools/render/RenderOptions.h"

#include "plugin/Presets.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tovrel {

namespace {

std::string lowered(const std::string& text) {
    std::string out;
    for (char c : text)
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool parseNumber(const std::string& text, double& value) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end && *end == '\0' && std::isfinite(value);
}

// The level in tenths of a dB, or nullopt outside 1.0 to 15.0 dB.
std::optional<int> feedTenthsFrom(const std::string& text) {
    double feedDb = 0;
    if (!parseNumber(text, feedDb) || std::lround(feedDb * 10.0) < 10 || std::lround(feedDb * 10.0) > 150)
        return std::nullopt;
    return static_cast<int>(std::lround(feedDb * 10.0));
}

} // namespace

int presetIndexForName(const std::string& name) {
    const std::string key = lowered(name);
    for (int i = 0; i < kPresetCount; ++i) {
        if (key == lowered(kPresetNames[i]) || key == kPresetKeys[i])
            return i;
    }
    return -1;
}

const char* renderUsage() {
    return "usage: tovrel-render [options] INPUT OUTPUT\n"
           "Crossfeeds a stereo audio file (WAV, FLAC, AIFF) for headphones through the tovrel_vst plug-in.\n"
           "\n"
           "  --preset NAME     Taskel (Orvalen) (default), BS2B Default, C. Moy, J. Meier;\n"
           "                    or taskel, bs2b, cmoy, jmeier\n"
           "  --feed DB         crossfeed level, 1.0 to 15.0 dB (with --cut instead of a preset)\n"
           "  --cut HZ          cut frequency, 300 to 2000 Hz\n"
           "  --feed-at N:DB    from frame N on, the crossfeed level is DB (with --feed and --cut)\n"
           "  --block N         frames per processing call, 1 to 65536 (default 512)\n"
           "  --precision P     double (default) or single\n"
           "  --format F        output samples: pcm16, pcm24, float, or same (as the input; default)\n"
           "  --plugin PATH     the plug-in library (default: tovrel_vst.so beside this program)\n"
           "  --quiet           no progress line and no summary\n"
           "  --help            this text\n"
           "The output's container follows its extension (.wav, .flac, .aif/.aiff); the sample rate is\n"
           "the input's.\n";
}

std::optional<RenderOptions> parseRenderOptions(int argc, const char* const* argv, std::string& error) {
    RenderOptions options;
    std::string feedText;
    std::string cutText;
    std::string presetText;
    std::string changeText;
    int positional = 0;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.showHelp = true;
            return options;
        } else if (arg == "--quiet" || arg == "-q") {
            options.quiet = true;
        } else if (arg == "--preset") {
            if (!value(presetText))
                return std::nullopt;
        } else if (arg == "--feed") {
            if (!value(feedText))
                return std::nullopt;
        } else if (arg == "--cut") {
            if (!value(cutText))
                return std::nullopt;
        } else if (arg == "--feed-at") {
            if (!value(changeText))
                return std::nullopt;
        } else if (arg == "--plugin") {
            if (!value(options.pluginPath))
                return std::nullopt;
        } else if (arg == "--block") {
            if (!value(text))
                return std::nullopt;
            double block = 0;
            if (!parseNumber(text, block) || block != std::floor(block) || block < 1 || block > 65536) {
                error = "block size '" + text + "' is not a whole number from 1 to 65536";
                return std::nullopt;
            }
            options.blockSize = static_cast<int>(block);
        } else if (arg == "--precision") {
            if (!value(text))
                return std::nullopt;
            if (text == "double")
                options.precision = RenderOptions::Precision::Double;
            else if (text == "single" || text == "float")
                options.precision = RenderOptions::Precision::Single;
            else {
                error = "precision '" + text + "' is neither double nor single";
                return std::nullopt;
            }
        } else if (arg == "--format") {
            if (!value(text))
                return std::nullopt;
            if (text == "pcm16")
                options.encoding = RenderOptions::Encoding::Pcm16;
            else if (text == "pcm24")
                options.encoding = RenderOptions::Encoding::Pcm24;
            else if (text == "float")
                options.encoding = RenderOptions::Encoding::Float;
            else if (text == "same")
                options.encoding = RenderOptions::Encoding::SameAsInput;
            else {
                error = "format '" + text + "' is not one of pcm16, pcm24, float, same";
                return std::nullopt;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            if (positional == 0)
                options.inputPath = arg;
            else if (positional == 1)
                options.outputPath = arg;
            else {
                error = "too many file names ('" + arg + "')";
                return std::nullopt;
            }
            ++positional;
        }
    }
    if (positional < 2) {
        error = "an input and an output file are needed";
        return std::nullopt;
    }

    const bool levelGiven = !feedText.empty() || !cutText.empty();
    if (levelGiven && !presetText.empty()) {
        error = "give either --preset or --feed and --cut, not both";
        return std::nullopt;
    }
    if (levelGiven) {
        if (feedText.empty() || cutText.empty()) {
            error = "--feed and --cut go together";
            return std::nullopt;
        }
        const auto feedTenths = feedTenthsFrom(feedText);
        if (!feedTenths) {
            error = "feed '" + feedText + "' is outside 1.0 to 15.0 dB";
            return std::nullopt;
        }
        double cut = 0;
        if (!parseNumber(cutText, cut) || cut != std::floor(cut) || cut < 300 || cut > 2000) {
            error = "cut frequency '" + cutText + "' is not a whole number of Hz from 300 to 2000";
            return std::nullopt;
        }
        options.feedTenths = *feedTenths;
        options.cutHz = static_cast<int>(cut);
    } else {
        if (!changeText.empty()) {
            error = "--feed-at changes the level set by --feed and --cut, not a preset's";
            return std::nullopt;
        }
        const std::string name = presetText.empty() ? std::string("taskel") : presetText;
        const int index = presetIndexForName(name);
        if (index < 0) {
            error = "unknown preset '" + name + "'; the presets are";
            for (int i = 1; i < kPresetCount; ++i)
                error += std::string(i > 1 ? "," : "") + " \"" + kPresetNames[i] + "\"";
            return std::nullopt;
        }
        if (index == kPresetOff) {
            error = "preset \"Off\" keeps whatever level is set: use --feed and --cut instead";
            return std::nullopt;
        }
        options.preset = index;
    }
    if (!changeText.empty()) {
        const auto colon = changeText.find(':');
        double frame = -1;
        const auto tenths =
            colon == std::string::npos ? std::nullopt : feedTenthsFrom(changeText.substr(colon + 1));
        if (!tenths || !parseNumber(changeText.substr(0, colon), frame) || frame != std::floor(frame) ||
            frame < 0 || frame > 1e15) {
            error = "level change '" + changeText + "' is not FRAME:DB with DB from 1.0 to 15.0";
            return std::nullopt;
        }
        options.feedChangeFrame = static_cast<int64_t>(frame);
        options.feedChangeTenths = *tenths;
    }
    return options;
}

} // namespace tovrel
