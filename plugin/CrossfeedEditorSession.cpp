#include "plugin/CrossfeedEditorSession.h"

#include "gui/CFrame.h"
#include "plugin/CrossfeedEditor.h"
#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"
#include "plugin/Presets.h"

#include <cstring>
#include <new>

namespace tovrel {

CrossfeedEditorSession::CrossfeedEditorSession(bool resizes) : hostResizes(resizes) {
    effect.reset(new (std::nothrow) CrossfeedEffect(&CrossfeedEditorSession::hostCallback));
    if (!effect)
        return;
    // The effect calls back with its record, which leads here.
    effect->effectRecord()->user = this;
    auto made = std::unique_ptr<CrossfeedEditor>(new (std::nothrow) CrossfeedEditor(effect.get()));
    editor = made.get();
    if (!made)
        return;
    // The host callback below is the queue for the LV2 host's thread: the editor's thread calls it
    // at once.
    made->setNoticesWaitForHostIdle(false);
    effect->attachEditor(std::move(made));
}

CrossfeedEditorSession::~CrossfeedEditorSession() {
    close();
}

bool CrossfeedEditorSession::open(void* parent) {
    return editor && editor->onEditOpen(parent);
}

void CrossfeedEditorSession::close() {
    if (editor)
        editor->onEditClose();
}

uintptr_t CrossfeedEditorSession::window() const {
    CFrame* frame = editor ? editor->getFrame() : nullptr;
    return frame ? static_cast<uintptr_t>(frame->frameWindow()) : 0;
}

bool CrossfeedEditorSession::size(int32_t& width, int32_t& height) const {
    ERect* rect = nullptr;
    if (!editor || !editor->onEditGetRect(&rect) || !rect)
        return false;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return true;
}

// Set as a host sets parameters: a level half set under a preset waits for "Off", which the
// host's own "Off" then puts in force, both halves at once.
void CrossfeedEditorSession::setLevel(LevelWord level) {
    if (!effect || effect->levelInForce() == level)
        return;
    effect->setParameter(CrossfeedEffect::kParamFeed, parameterFromFeed(feedOf(level)));
    effect->setParameter(CrossfeedEffect::kParamCut, parameterFromCut(cutFrequencyOf(level)));
    if (effect->levelInForce() != level)
        effect->setParameter(CrossfeedEffect::kParamPreset, parameterFromPreset(kPresetOff));
}

LevelWord CrossfeedEditorSession::level() const {
    return effect ? effect->levelInForce() : kFallbackLevel;
}

bool CrossfeedEditorSession::editing() const {
    for (const std::atomic<bool>& held : heldNow)
        if (held.load(std::memory_order_acquire))
            return true;
    std::lock_guard<std::mutex> guard(lock);
    return !events.empty();
}

std::vector<CrossfeedEditorSession::Event> CrossfeedEditorSession::takeEvents() {
    std::vector<Event> taken;
    std::lock_guard<std::mutex> guard(lock);
    taken.swap(events);
    return taken;
}

void CrossfeedEditorSession::add(const Event& event) {
    std::lock_guard<std::mutex> guard(lock);
    events.push_back(event);
}

intptr_t VST_CALL CrossfeedEditorSession::hostCallback(AEffect* record, int32_t opcode, int32_t index,
                                                       intptr_t value, void* ptr, float opt) {
    if (opcode == vst::audioMasterVersion)
        return vst::kVstVersion;
    auto* session = record ? static_cast<CrossfeedEditorSession*>(record->user) : nullptr;
    return session ? session->answerHost(opcode, index, value, ptr, opt) : 0;
}

// The calls the editor and its effect make, on the editor's thread; whatever else a VST host
// answers has no meaning here and gets 0.
intptr_t CrossfeedEditorSession::answerHost(int32_t opcode, int32_t index, intptr_t value, const void* ptr,
                                            float opt) {
    const bool parameter = index >= 0 && index < kHeldCount;
    switch (opcode) {
    case vst::audioMasterBeginEdit:
    case vst::audioMasterEndEdit: {
        const bool begins = opcode == vst::audioMasterBeginEdit;
        if (parameter)
            heldNow[index].store(begins, std::memory_order_release);
        add(Event{begins ? Event::Kind::beginEdit : Event::Kind::endEdit, index});
        return 1;
    }
    case vst::audioMasterAutomate:
        add(Event{Event::Kind::change, index, opt});
        return 0;
    case vst::audioMasterCanDo:
        return hostResizes && ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0 ? 1 : 0;
    case vst::audioMasterSizeWindow:
        if (!hostResizes)
            return 0;
        add(Event{Event::Kind::resize, 0, 0.0f, index, static_cast<int32_t>(value)});
        return 1;
    default:
        return 0;
    }
}

} // namespace tovrel
