// tovrel-lv2-turtle [--ui] FOLDER: writes the bundle's descriptions (manifest.ttl, tovrel.ttl and
// presets.ttl) into FOLDER, from the same ranges, defaults and presets as the VST plug-in uses,
// and from the port list the adapter reads; with --ui, the X11 UI's too (where the build has it).
#include "engine/LevelWord.h"
#include "lv2/Lv2Ports.h"
#include "plugin/Presets.h"

#include <cstdio>
#include <string>

namespace {

using namespace tovrel;
using namespace tovrel::lv2;

constexpr const char* kPrefixes = "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                                  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n\n";

// A feed in tenths of a dB, and a cut frequency, as Turtle decimals ("6.2", "730.0").
std::string decibels(uint32_t feed) {
    return std::to_string(feed / 10) + "." + std::to_string(feed % 10);
}
std::string hertz(uint32_t cut) {
    return std::to_string(cut) + ".0";
}

std::string presetUri(int32_t preset) {
    return std::string(kPluginUri) + "#preset-" + kPresetKeys[preset];
}

std::string manifest(bool withUi) {
    std::string text = kPrefixes;
    text += "<" + std::string(kPluginUri) + ">\n    a lv2:Plugin ;\n    lv2:binary <" + kBinaryName +
            "> ;\n    rdfs:seeAlso <tovrel.ttl> .\n";
    if (withUi)
        text += "\n<" + std::string(kUiUri) + ">\n    a ui:X11UI ;\n    ui:binary <" + kUiBinaryName +
                "> ;\n    rdfs:seeAlso <tovrel.ttl> .\n";
    for (int32_t preset = 1; preset < kPresetCount; ++preset) {
        text += "\n<" + presetUri(preset) + ">\n    a pset:Preset ;\n    lv2:appliesTo <" + kPluginUri +
                "> ;\n    rdfs:label \"" + kPresetNames[preset] + "\" ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    return text;
}

std::string audioPort(Port port, const char* direction) {
    return std::string("[\n        a lv2:AudioPort , lv2:") + direction + " ;\n        lv2:index " +
           std::to_string(port) + " ;\n        lv2:symbol \"" + kPortSymbols[port] +
           "\" ;\n        lv2:name \"" + kPortNames[port] + "\"\n    ]";
}

// A control input with its range; `extra` adds properties (units, steps, designation).
std::string controlPort(Port port, const std::string& low, const std::string& high,
                        const std::string& initial, const std::string& extra) {
    return std::string("[\n        a lv2:ControlPort , lv2:InputPort ;\n        lv2:index ") +
           std::to_string(port) + " ;\n        lv2:symbol \"" + kPortSymbols[port] +
           "\" ;\n        lv2:name \"" + kPortNames[port] + "\" ;\n        lv2:default " + initial +
           " ;\n        lv2:minimum " + low + " ;\n        lv2:maximum " + high + " ;\n" + extra + "    ]";
}

// The UI needs the host's window and its idle calls (it writes the ports from them); it tells the
// host its size, and the ports an edit gesture holds, where the host can hear it.
std::string uiDescription() {
    std::string text = "\n<" + std::string(kUiUri) + ">\n    a ui:X11UI ;\n    ui:binary <" + kUiBinaryName +
                       "> ;\n    lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
                       "    lv2:optionalFeature ui:resize , ui:touch ;\n"
                       "    lv2:extensionData ui:idleInterface ;\n    ui:portNotification ";
    const Port notified[] = {kFeed, kCut};
    for (const Port port : notified) {
        text += std::string(port == notified[0] ? "" : " , ") + "[\n        ui:plugin <" + kPluginUri +
                "> ;\n        lv2:symbol \"" + kPortSymbols[port] +
                "\" ;\n        ui:protocol ui:floatProtocol\n    ]";
    }
    return text + " .\n";
}

std::string description(bool withUi) {
    // Both ends of each range count as a step: 1.0 to 15.0 dB in 0.1 dB, 300 to 2000 Hz in 1 Hz.
    const std::string feedSteps = std::to_string(kMaxFeed - kMinFeed + 1);
    const std::string cutSteps = std::to_string(kMaxCutFrequency - kMinCutFrequency + 1);
    std::string text = kPrefixes;
    text += "<" + std::string(kPluginUri) +
            ">\n    a lv2:Plugin , lv2:SpatialPlugin , doap:Project ;\n"
            "    doap:name \"Tovrel Headphone Crossfeed\" ;\n"
            "    doap:maintainer [\n        foaf:name \"Orvalen\" ;\n"
            "        foaf:homepage <https://orvalen.example.org/>\n    ] ;\n"
            "    lv2:optionalFeature lv2:hardRTCapable ;\n" +
            (withUi ? "    ui:ui <" + std::string(kUiUri) + "> ;\n" : std::string()) + "    lv2:port " +
            audioPort(kInputLeft, "InputPort") + " , " + audioPort(kInputRight, "InputPort") + " , " +
            audioPort(kOutputLeft, "OutputPort") + " , " + audioPort(kOutputRight, "OutputPort") + " , " +
            controlPort(kFeed, decibels(kMinFeed), decibels(kMaxFeed), decibels(feedOf(kFallbackLevel)),
                        "        units:unit units:db ;\n        pprops:rangeSteps " + feedSteps + "\n") +
            " , " +
            controlPort(kCut, hertz(kMinCutFrequency), hertz(kMaxCutFrequency),
                        hertz(cutFrequencyOf(kFallbackLevel)),
                        "        units:unit units:hz ;\n        lv2:portProperty lv2:integer ;\n"
                        "        pprops:rangeSteps " +
                            cutSteps + "\n") +
            " , " +
            controlPort(kEnabled, "0", "1", "1",
                        "        lv2:designation lv2:enabled ;\n        lv2:portProperty lv2:toggled\n") +
            " .\n";
    return withUi ? text + uiDescription() : text;
}

std::string presets() {
    std::string text = kPrefixes;
    for (int32_t preset = 1; preset < kPresetCount; ++preset) {
        const LevelWord level = kPresetLevels[preset];
        text += "<" + presetUri(preset) + ">\n    a pset:Preset ;\n    lv2:appliesTo <" + kPluginUri +
                "> ;\n    rdfs:label \"" + kPresetNames[preset] +
                "\" ;\n    lv2:port [\n        lv2:symbol \"" + kPortSymbols[kFeed] +
                "\" ;\n        pset:value " + decibels(feedOf(level)) + "\n    ] , [\n        lv2:symbol \"" +
                kPortSymbols[kCut] + "\" ;\n        pset:value " + hertz(cutFrequencyOf(level)) +
                "\n    ] .\n\n";
    }
    return text;
}

bool writeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    const bool withUi = argc == 3 && std::string(argv[1]) == "--ui";
    if (argc != 2 && !withUi) {
        std::fprintf(stderr, "usage: tovrel-lv2-turtle [--ui] FOLDER\n");
        return 2;
    }
    const std::string folder = argv[argc - 1];
    const bool ok = writeFile(folder + "/manifest.ttl", manifest(withUi)) &&
                    writeFile(folder + "/tovrel.ttl", description(withUi)) &&
                    writeFile(folder + "/presets.ttl", presets());
    return ok ? 0 : 1;
}
