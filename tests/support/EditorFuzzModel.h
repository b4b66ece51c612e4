#pragma once

#include "host/VstAbi.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tovrel::test {

// What the editor fuzzers share, whatever window system gives the input: the seeded choices of
// points and drags in the editor's layout, the checks a host makes of the edit gestures it hears,
// the parameter range check, the thread that automates from the host's side, and the counts.
// The input itself (SendInput under Windows, XTest under X11) stays in each fuzzer.

constexpr int kFuzzParameters = 3;

struct FuzzPoint {
    int x{0};
    int y{0};
};

// One drag: the modifiers held from the start, the pointer positions after the press (in the
// coordinates of the press point), and the step at which Shift goes down on the way (-1: none).
struct DragPlan {
    bool control{false};
    bool shift{false};
    int shiftAt{-1};
    std::vector<FuzzPoint> path;
};

class FuzzRandom {
public:
    explicit FuzzRandom(uint32_t seed) : random(seed) {}

    int below(int limit) { return static_cast<int>(random() % static_cast<uint32_t>(limit)); }
    bool chance(int percent) { return below(100) < percent; }

    // A point of an editor `width` x `height` pixels at 100 %: mostly on a slider's track,
    // sometimes anywhere in it or just outside.
    FuzzPoint editorPoint(int width, int height);
    // Whether a point (at 100 %) lies on one of the editor's controls, a slider or a value display.
    static bool onControl(FuzzPoint point);
    // A drag that starts at `pressAt`: a few steps sideways, now and then up or down.
    DragPlan drag(FuzzPoint pressAt);

private:
    std::mt19937 random;
};

// A fuzzer's command line: --seed N (1) and --events N (300).
struct FuzzOptions {
    uint32_t seed{1};
    long events{300};
};
FuzzOptions parseFuzzOptions(int argc, char** argv);

// The counts a run prints; bumped on the fuzzer's thread, or under the checker's lock.
struct FuzzCounts {
    long events{0};
    long drags{0};
    long dragsNotOnTheEditor{0};
    long clicks{0};
    long wheelTurns{0};
    long keys{0};
    long opens{0};
    long closes{0};
    long closesInDrags{0};
    long begins{0};
    long ends{0};
    long automations{0};
    long hostIdles{0};
};

// The host's view of the edits: every Begin-edit of a parameter is followed by exactly one
// End-edit of it before the next Begin-edit of the same parameter, nothing is automated outside
// an edit, and every automated value lies in 0..1. The editor may call from threads of its own
// (one per open editor under X11), so everything here is locked.
class EditGestureChecker {
public:
    // What the host does on one kind of call from the editor (its idle time under Windows, where
    // a drag asks for it; an automation under X11, which comes at the host's idle), for the effect
    // that called: told under no lock, after the call is checked.
    using Reaction = void (*)(AEffect* effect);

    // The effects whose calls are checked; calls from others are ignored.
    void track(AEffect* effect);
    void setReaction(int32_t opcode, Reaction reaction) {
        reactionOpcode = opcode;
        onCall = reaction;
    }

    // The host callback's part: Begin-edit, End-edit, automation and idle from `effect`.
    void hostCall(AEffect* effect, int32_t opcode, int32_t index, float opt);
    // After the editor of `effect` closed: no edit of it may still be open.
    void checkClosed(AEffect* effect);
    // Every parameter of `effect` reads within 0..1.
    void checkParameters(AEffect* effect);

    void fault(const std::string& what);
    bool failed() const;
    std::vector<std::string> faults() const;
    FuzzCounts counts() const;
    void setCounts(const FuzzCounts& replacement);
    // Bumps one of the counts under the lock: `field` names a member of FuzzCounts.
    void count(long FuzzCounts::*field);
    // After the run: as many End-edits as Begin-edits in the warm-up and the run, and no parameter
    // the automation read out of range.
    void checkRunEnd(const FuzzCounts& warmUp, bool automationOutOfRange);
    // Prints the counts common to both fuzzers, then the faults if any.
    void printSummary(double seconds, long automated) const;
    // The run's verdict, printed; the program's exit status.
    int verdict(uint32_t seed) const;

private:
    struct Tracked {
        AEffect* effect{nullptr};
        bool editOpen[kFuzzParameters]{};
    };
    Tracked* find(AEffect* effect);

    mutable std::mutex lock;
    std::vector<Tracked> tracked;
    std::vector<std::string> found;
    FuzzCounts tally;
    int32_t reactionOpcode{0};
    Reaction onCall{nullptr};
};

// Sets the parameters of random effects to random values, as host automation does, until it is
// stopped; pausable, so that the editors can come to rest.
class AutomationThread {
public:
    AutomationThread(uint32_t seed, std::vector<AEffect*> effects);
    ~AutomationThread() { stop(); }
    AutomationThread(const AutomationThread&) = delete;
    AutomationThread& operator=(const AutomationThread&) = delete;

    void stop();
    // Paused: returns once no change is under way; resume() goes on.
    void pause();
    void resume() {
        idle.store(false);
        paused.store(false);
    }

    long changes() const { return changed.load(); }
    bool sawOutOfRange() const { return outOfRange.load(); }

private:
    void run(uint32_t seed);

    std::vector<AEffect*> targets;
    std::atomic<long> changed{0};
    std::atomic<bool> outOfRange{false};
    std::atomic<bool> stopping{false};
    std::atomic<bool> paused{false};
    std::atomic<bool> idle{false};
    std::thread worker;
};

} // namespace tovrel::test
