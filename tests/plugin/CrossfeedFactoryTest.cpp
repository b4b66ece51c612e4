// The effect the library hands a host, and the way every parameter change reaches its editor.
#include "plugin/CrossfeedFactory.h"
#include "host/PluginEditor.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace tovrel {
namespace {

// An editor that records the changes its effect reports.
class ChangeProbe : public PluginEditor {
public:
    explicit ChangeProbe(PluginEffect* owner) : PluginEditor(owner) {}
    void parameterChanged(int32_t index, float value) override { changes.emplace_back(index, value); }
    std::vector<std::pair<int32_t, float>> changes;
};

TEST(CrossfeedEditorLink, LibraryEffectCarriesAnEditorWhereTheBuildHasOne) {
    const std::unique_ptr<CrossfeedEffect> made = makeCrossfeedEffect(nullptr);
    ASSERT_TRUE(made);
#if defined(TOVREL_EXPECT_EDITOR)
    EXPECT_NE(made->attachedEditor(), nullptr);
    EXPECT_EQ(made->effectRecord()->flags, 0x1011);
#else
    EXPECT_EQ(made->attachedEditor(), nullptr);
    EXPECT_EQ(made->effectRecord()->flags, 0x1010);
#endif
}

TEST(CrossfeedEditorLink, EverySetFromHostOrEditorReachesTheAttachedEditor) {
    CrossfeedEffect effect(nullptr);
    auto made = std::make_unique<ChangeProbe>(&effect);
    ChangeProbe* probe = made.get();
    effect.attachEditor(std::move(made));
    AEffect* record = effect.effectRecord();
    record->setParameter(record, CrossfeedEffect::kParamPreset, 0.0f);
    record->setParameter(record, CrossfeedEffect::kParamFeed, 0.5f);
    effect.automateParameter(CrossfeedEffect::kParamCut, 0.75f);
    const std::vector<std::pair<int32_t, float>> expected{{CrossfeedEffect::kParamPreset, 0.0f},
                                                          {CrossfeedEffect::kParamFeed, 0.5f},
                                                          {CrossfeedEffect::kParamCut, 0.75f}};
    EXPECT_EQ(probe->changes, expected);
}

} // namespace
} // namespace tovrel
