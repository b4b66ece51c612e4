#pragma once

#include "engine/LevelWord.h"

#include <cstdint>

namespace tovrel {

// Everything the crossfeed effect's parameters decide, as one value that packs into 64 bits, so
// that the effect can hand it between threads whole (SettingsWord): the level in force, the
// selected preset, and the "Feed" and "FCut" halves that the host set while a preset locked them.
//
// Layout of the packed word: bits 0 to 31 the level in force (always a valid level word), 32 to 34
// the preset, 35 to 46 the kept feed, 47 to 58 the kept cut frequency. A kept half is 0 when
// nothing is kept, kKeptOutOfRange for a half that no level accepts, else the half itself: every
// valid feed and cut frequency fits in 12 bits and none is 0.
class EffectSettings {
public:
    static constexpr uint32_t kNothingKept = 0;
    static constexpr uint32_t kKeptOutOfRange = 0xFFF;

    constexpr EffectSettings() = default;
    constexpr EffectSettings(LevelWord level, int32_t preset)
        : levelInForce(validLevel(level)), presetIndex(preset) {}

    static constexpr EffectSettings unpack(uint64_t word) {
        EffectSettings settings;
        settings.levelInForce = static_cast<LevelWord>(word);
        settings.presetIndex = static_cast<int32_t>((word >> kPresetShift) & kPresetMask);
        settings.feedKept = static_cast<uint32_t>(word >> kFeedShift) & kKeptMask;
        settings.cutKept = static_cast<uint32_t>(word >> kCutShift) & kKeptMask;
        return settings;
    }
    constexpr uint64_t pack() const {
        return static_cast<uint64_t>(levelInForce) |
               (static_cast<uint64_t>(static_cast<uint32_t>(presetIndex) & kPresetMask) << kPresetShift) |
               (static_cast<uint64_t>(feedKept) << kFeedShift) |
               (static_cast<uint64_t>(cutKept) << kCutShift);
    }

    constexpr LevelWord level() const { return levelInForce; }
    constexpr int32_t preset() const { return presetIndex; }
    constexpr bool keepsAnything() const { return feedKept != kNothingKept || cutKept != kNothingKept; }

    // The same settings with another level in force (an invalid one becomes the fallback level).
    constexpr EffectSettings withLevel(LevelWord level) const {
        EffectSettings next = *this;
        next.levelInForce = validLevel(level);
        return next;
    }
    constexpr EffectSettings withPreset(int32_t preset) const {
        EffectSettings next = *this;
        next.presetIndex = preset;
        return next;
    }
    // A level half to apply later, replacing what was kept for that half.
    constexpr EffectSettings keepingFeed(uint32_t feed) const {
        EffectSettings next = *this;
        next.feedKept = keptCode(feed, kMinFeed, kMaxFeed);
        return next;
    }
    constexpr EffectSettings keepingCut(uint32_t cut) const {
        EffectSettings next = *this;
        next.cutKept = keptCode(cut, kMinCutFrequency, kMaxCutFrequency);
        return next;
    }
    constexpr EffectSettings forgettingKept() const {
        EffectSettings next = *this;
        next.feedKept = kNothingKept;
        next.cutKept = kNothingKept;
        return next;
    }
    // Both kept halves put in force as one level word (a half not kept stays as it is), and
    // nothing kept any more. A kept half out of range installs the fallback level, as it would
    // have if it had been set directly.
    constexpr EffectSettings applyingKept() const {
        if (!keepsAnything())
            return *this;
        const uint32_t feed = feedKept == kNothingKept ? feedOf(levelInForce) : halfOf(feedKept);
        const uint32_t cut = cutKept == kNothingKept ? cutFrequencyOf(levelInForce) : halfOf(cutKept);
        return withLevel(makeLevel(cut, feed)).forgettingKept();
    }

private:
    static constexpr int kPresetShift = 32;
    static constexpr int kFeedShift = 35;
    static constexpr int kCutShift = 47;
    static constexpr uint64_t kPresetMask = 0x7;
    static constexpr uint32_t kKeptMask = 0xFFF;

    static constexpr uint32_t keptCode(uint32_t half, uint32_t low, uint32_t high) {
        return half >= low && half <= high ? half : kKeptOutOfRange;
    }
    // Back to a level half: out of range becomes 0xFFFF, which validLevel() refuses.
    static constexpr uint32_t halfOf(uint32_t kept) { return kept == kKeptOutOfRange ? 0xFFFFu : kept; }

    LevelWord levelInForce{kLevelTaskel};
    int32_t presetIndex{1};
    uint32_t feedKept{kNothingKept};
    uint32_t cutKept{kNothingKept};
};

static_assert(kMaxCutFrequency < EffectSettings::kKeptOutOfRange && kMinFeed > EffectSettings::kNothingKept,
              "every valid level half must have a kept code of its own");

} // namespace tovrel
