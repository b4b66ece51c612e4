#include "support/EditorFuzzModel.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tovrel::test {

namespace {

// The editor's layout at 100 %: three slider tracks 160 x 16 pixels, 66 pixels apart, each with
// its value display 6 pixels below it, 150 x 14 pixels.
constexpr int kSliderLeft = 10;
constexpr int kSliderTops[kFuzzParameters] = {30, 96, 162};
constexpr int kTrackWidth = 160;
constexpr int kTrackHeight = 16;
constexpr int kDisplayTop = 22;
constexpr int kDisplayWidth = 150;
constexpr int kDisplayHeight = 14;

} // namespace

FuzzPoint FuzzRandom::editorPoint(int width, int height) {
    if (chance(70))
        return FuzzPoint{kSliderLeft - 4 + below(kTrackWidth + 10),
                         kSliderTops[below(kFuzzParameters)] + below(16)};
    return FuzzPoint{-10 + below(width + 20), -10 + below(height + 20)};
}

bool FuzzRandom::onControl(FuzzPoint point) {
    // A view takes the points on all four of its edges.
    for (const int top : kSliderTops) {
        const bool inColumns = point.x >= kSliderLeft;
        if (inColumns && point.x <= kSliderLeft + kTrackWidth && point.y >= top &&
            point.y <= top + kTrackHeight)
            return true;
        if (inColumns && point.x <= kSliderLeft + kDisplayWidth && point.y >= top + kDisplayTop &&
            point.y <= top + kDisplayTop + kDisplayHeight)
            return true;
    }
    return false;
}

DragPlan FuzzRandom::drag(FuzzPoint pressAt) {
    DragPlan plan;
    plan.control = chance(15);
    plan.shift = chance(20);
    if (!plan.shift && chance(30))
        plan.shiftAt = below(4);
    FuzzPoint at = pressAt;
    const int steps = 1 + below(8);
    for (int step = 0; step < steps; ++step) {
        at.x += below(61) - 30;
        at.y += chance(20) ? below(21) - 10 : 0;
        plan.path.push_back(at);
    }
    return plan;
}

FuzzOptions parseFuzzOptions(int argc, char** argv) {
    FuzzOptions options;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seed") == 0)
            options.seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (std::strcmp(argv[i], "--events") == 0)
            options.events = std::strtol(argv[++i], nullptr, 10);
    }
    return options;
}

// --- The host's checks ----------------------------------------------------------------------

void EditGestureChecker::track(AEffect* effect) {
    const std::lock_guard<std::mutex> guard(lock);
    tracked.push_back(Tracked{effect, {}});
}

EditGestureChecker::Tracked* EditGestureChecker::find(AEffect* effect) {
    for (Tracked& entry : tracked)
        if (entry.effect && entry.effect == effect)
            return &entry;
    return nullptr;
}

void EditGestureChecker::hostCall(AEffect* effect, int32_t opcode, int32_t index, float opt) {
    Reaction reaction = nullptr;
    {
        const std::lock_guard<std::mutex> guard(lock);
        Tracked* entry = find(effect);
        if (!entry)
            return;
        const bool validTag = index >= 0 && index < kFuzzParameters;
        const auto complain = [this](const std::string& what) {
            if (found.size() < 50)
                found.push_back(what);
        };
        switch (opcode) {
        case vst::audioMasterBeginEdit:
            ++tally.begins;
            if (!validTag || entry->editOpen[index])
                complain("Begin-edit " + std::to_string(index) + " while one is open or for no parameter");
            else
                entry->editOpen[index] = true;
            break;
        case vst::audioMasterEndEdit:
            ++tally.ends;
            if (!validTag || !entry->editOpen[index])
                complain("End-edit " + std::to_string(index) + " without its Begin-edit");
            else
                entry->editOpen[index] = false;
            break;
        case vst::audioMasterAutomate:
            ++tally.automations;
            if (!validTag || !entry->editOpen[index])
                complain("automation of " + std::to_string(index) + " outside an edit");
            if (!(opt >= 0.0f && opt <= 1.0f))
                complain("automated value " + std::to_string(opt) + " outside 0..1");
            break;
        case vst::audioMasterIdle:
            ++tally.hostIdles;
            break;
        default:
            break;
        }
        if (opcode == reactionOpcode)
            reaction = onCall;
    }
    if (reaction)
        reaction(effect);
}

void EditGestureChecker::checkClosed(AEffect* effect) {
    const std::lock_guard<std::mutex> guard(lock);
    if (Tracked* entry = find(effect))
        for (int tag = 0; tag < kFuzzParameters; ++tag)
            if (entry->editOpen[tag] && found.size() < 50)
                found.push_back("an edit of parameter " + std::to_string(tag) +
                                " is still open after the close");
}

void EditGestureChecker::checkParameters(AEffect* effect) {
    for (int index = 0; index < kFuzzParameters; ++index) {
        const float value = effect->getParameter(effect, index);
        if (!(value >= 0.0f && value <= 1.0f))
            fault("parameter " + std::to_string(index) + " reads " + std::to_string(value));
    }
}

void EditGestureChecker::fault(const std::string& what) {
    const std::lock_guard<std::mutex> guard(lock);
    if (found.size() < 50)
        found.push_back(what);
}

bool EditGestureChecker::failed() const {
    const std::lock_guard<std::mutex> guard(lock);
    return !found.empty();
}

std::vector<std::string> EditGestureChecker::faults() const {
    const std::lock_guard<std::mutex> guard(lock);
    return found;
}

FuzzCounts EditGestureChecker::counts() const {
    const std::lock_guard<std::mutex> guard(lock);
    return tally;
}

void EditGestureChecker::setCounts(const FuzzCounts& replacement) {
    const std::lock_guard<std::mutex> guard(lock);
    tally = replacement;
}

void EditGestureChecker::count(long FuzzCounts::*field) {
    const std::lock_guard<std::mutex> guard(lock);
    ++(tally.*field);
}

void EditGestureChecker::checkRunEnd(const FuzzCounts& warmUp, bool automationOutOfRange) {
    if (automationOutOfRange)
        fault("a parameter set by the automation thread read outside 0..1");
    const FuzzCounts run = counts();
    if (warmUp.begins != warmUp.ends || run.begins != run.ends)
        fault("Begin-edits " + std::to_string(run.begins) + ", End-edits " + std::to_string(run.ends));
}

int EditGestureChecker::verdict(uint32_t seed) const {
    if (failed()) {
        std::printf("FAILED (seed %u)\n", seed);
        return 1;
    }
    std::printf("passed\n");
    return 0;
}

void EditGestureChecker::printSummary(double seconds, long automated) const {
    const FuzzCounts now = counts();
    std::printf(
        "  %ld events in %.1f s: %ld drags (%ld closed by the host from inside them; %ld not made, the "
        "pointer being off the editor), %ld clicks, %ld wheel turns, %ld keys, %ld opens, %ld closes\n",
        now.events, seconds, now.drags, now.closesInDrags, now.dragsNotOnTheEditor, now.clicks,
        now.wheelTurns, now.keys, now.opens, now.closes);
    std::printf("  host saw %ld Begin-edits, %ld End-edits, %ld automations, %ld idle calls; the second "
                "thread set %ld parameters\n",
                now.begins, now.ends, now.automations, now.hostIdles, automated);
    for (const std::string& what : faults())
        std::printf("FAULT: %s\n", what.c_str());
}

// --- The host's automation ------------------------------------------------------------------

AutomationThread::AutomationThread(uint32_t seed, std::vector<AEffect*> effects)
    : targets(std::move(effects)), worker([this, seed] { run(seed); }) {}

void AutomationThread::run(uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    while (!stopping.load()) {
        if (paused.load()) {
            idle.store(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        AEffect* effect = targets[random() % targets.size()];
        const int index = static_cast<int>(random() % kFuzzParameters);
        effect->setParameter(effect, index, unit(random));
        const float read = effect->getParameter(effect, index);
        if (!(read >= 0.0f && read <= 1.0f))
            outOfRange.store(true);
        ++changed;
        if (changed % 8 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void AutomationThread::pause() {
    paused.store(true);
    while (!idle.load() && !stopping.load() && worker.joinable())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void AutomationThread::stop() {
    stopping.store(true);
    if (worker.joinable())
        worker.join();
}

} // namespace tovrel::test
