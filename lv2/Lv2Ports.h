#pragma once

#include <cstdint>

namespace tovrel::lv2 {

// The LV2 plug-in's address, which hosts store in their sessions: it never changes.
constexpr const char* kPluginUri = "https://orvalen.example.org/plugins/tovrel";
// The shared library inside the bundle.
constexpr const char* kBinaryName = "tovrel.so";
// The editor as the plug-in's X11 UI: its address and its library, apart from the sound's.
constexpr const char* kUiUri = "https://orvalen.example.org/plugins/tovrel#x11ui";
constexpr const char* kUiBinaryName = "tovrel_ui.so";

// The ports in index order. The description the bundle carries is written from this list, so the
// indices the adapter reads and the ones hosts connect are the same by construction.
enum Port : uint32_t {
    kInputLeft,
    kInputRight,
    kOutputLeft,
    kOutputRight,
    kFeed,
    kCut,
    kEnabled,
    kPortCount
};

constexpr const char* kPortSymbols[kPortCount] = {"in_l", "in_r", "out_l",  "out_r",
                                                  "feed", "fcut", "enabled"};
constexpr const char* kPortNames[kPortCount] = {"Left In", "Right In", "Left Out", "Right Out",
                                                "Feed",    "FCut",     "Enabled"};

// Switching the bypass crossfades between the dry and the processed signal for this long; the
// switch ends exactly this many frames after the run that sees the change starts.
constexpr double kBypassFadeSeconds = 0.010;

} // namespace tovrel::lv2
