// The Linux editor under random input through the X server, as a host and a user give it: several
// plug-in instances, each editor in a host window of its own, driven by seeded random sequences of
// pointer moves, presses and releases of every button (the right one opening the size menu, which
// is left with Escape or a click outside, or closed with the editor), drags with and without Shift
// and Control, control-clicks, wheel turns and keys, all through XTest, while the host's idle
// rate changes at random, a second thread automates the three parameters, and the editors are
// closed and opened again at odd moments: from the host's answer to an automation in the middle
// of a drag (at the host's idle call, or on the editor's thread while the host gives no idle time),
// from the host's thread with the button held, with the menu open, after the host destroyed its
// window.
//
// Checked: nothing crashes and nothing hangs; every parameter and every automated value stays
// within 0..1; every Begin-edit is matched by exactly one End-edit and nothing is automated
// outside an edit (the checks the Windows fuzzer makes); at rest, each open editor shows what an
// editor opened afresh on the same values shows; no X protocol error; after the run, the
// process's threads and descriptors and the X server's clients and resources are as before it.
//
//   tovrel_x11_editor_fuzz [--seed N] [--events N]     (under tools/scripts/xvfb-run)
#include "support/EditorFuzzModel.h"
#include "tools/vsthost/PluginLibrary.h"
#include "tools/x11host/ResourceCensus.h"
#include "tools/x11host/ScratchSettings.h"
#include "tools/x11host/X11EditorHost.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <X11/keysym.h>

namespace tovrel::test {
namespace {

using std::chrono::milliseconds;

constexpr int kInstances = 3;
constexpr int kWarmUpEvents = 60;
// Every so many events the automation pauses and the open editors are compared with fresh ones.
constexpr long kRestEvery = 100;

// One plug-in instance and its host window. The host thread drives it; the host's answer to an
// automation (on either thread) may close the editor, under `closing`.
struct Instance {
    AEffect* effect{nullptr};
    X11EditorHost host;
    int left{0};
    int top{0};
    std::mutex closing;
    bool closeAtAutomation{false};  // under `closing`
    bool closedByAutomation{false}; // under `closing`
};

Instance instances[kInstances];
EditGestureChecker checker;
long menus = 0;
long menusClosedWithTheEditor = 0;
long restChecks = 0;

Instance* instanceOf(AEffect* effect) {
    for (Instance& instance : instances)
        if (instance.effect && instance.effect == effect)
            return &instance;
    return nullptr;
}

// The host's answer to an automation during a drag (from its own idle call, or on the editor's
// thread where the host gives no idle time): it may close the editor there.
void closeOnAutomation(AEffect* effect) {
    Instance* instance = instanceOf(effect);
    if (!instance)
        return;
    const std::lock_guard<std::mutex> guard(instance->closing);
    if (!instance->closeAtAutomation)
        return;
    instance->closeAtAutomation = false;
    effect->dispatcher(effect, vst::effEditClose, 0, 0, nullptr, 0.0f);
    instance->closedByAutomation = true;
    checker.count(&FuzzCounts::closesInDrags);
}

intptr_t VST_CALL hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
    if (opcode == vst::audioMasterVersion)
        return vst::kVstVersion;
    checker.hostCall(effect, opcode, index, opt);
    return 0;
}

// The host loops of every instance, for `duration`.
void runAll(milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    do {
        for (Instance& instance : instances)
            instance.host.run(milliseconds(0));
        std::this_thread::sleep_for(milliseconds(1));
    } while (std::chrono::steady_clock::now() < deadline);
}

// The host learns that its answer to an automation closed the editor: from here on it is closed
// for it too.
void settleAutomationClose(Instance& instance) {
    const std::lock_guard<std::mutex> guard(instance.closing);
    instance.closeAtAutomation = false;
    if (!instance.closedByAutomation)
        return;
    instance.closedByAutomation = false;
    instance.host.forgetEditor();
    instance.host.close();
    checker.count(&FuzzCounts::closes);
    checker.checkClosed(instance.effect);
}

void closeEditor(Instance& instance) {
    settleAutomationClose(instance);
    if (!instance.host.isEditorOpen())
        return;
    instance.host.close();
    checker.count(&FuzzCounts::closes);
    checker.checkClosed(instance.effect);
}

bool openEditor(Instance& instance) {
    settleAutomationClose(instance);
    if (instance.host.isEditorOpen())
        return true;
    checker.count(&FuzzCounts::opens);
    if (!instance.host.open(instance.effect, instance.left, instance.top)) {
        checker.fault("the editor did not open: " + instance.host.error());
        return false;
    }
    return true;
}

class Fuzzer {
public:
    explicit Fuzzer(uint32_t seed) : random(seed) {}

    int below(int limit) { return random.below(limit); }
    bool chance(int percent) { return random.chance(percent); }

    FuzzPoint editorPoint(Instance& instance) {
        return random.editorPoint(instance.host.width(), instance.host.height());
    }

    // A menu the right button or anything else opened is left with Escape or a click outside it,
    // or the host closes the editor under it. `expected`: the menu must come.
    void dismissMenu(Instance& instance, const FuzzPoint& at, bool expected) {
        X11EditorHost& host = instance.host;
        const bool shown =
            host.runUntil([&] { return host.popupWindows() > 0 && host.keyboardHeldElsewhere(); },
                          milliseconds(expected ? 3000 : 30));
        if (!shown) {
            if (expected)
                checker.fault("no menu after a right-click on the background at " + std::to_string(at.x) +
                              "," + std::to_string(at.y));
            return;
        }
        ++menus;
        const int way = below(10);
        if (way < 5) {
            host.typeKey(XK_Escape);
        } else if (way < 9) {
            // The menu opens at the pointer and below it: a click left of it is outside.
            host.movePointer(at.x - 3 - below(20), at.y - below(20));
            host.pressButton(1);
            host.releaseButton(1);
        } else {
            closeEditor(instance);
            ++menusClosedWithTheEditor;
        }
        if (!host.runUntil([&] { return host.popupWindows() == 0; }, milliseconds(3000)))
            checker.fault("the menu stayed open");
    }

    void drag(Instance& instance) {
        X11EditorHost& host = instance.host;
        const FuzzPoint pressAt = editorPoint(instance);
        const DragPlan plan = random.drag(pressAt);
        const int closeWay = below(100); // under 10: from an automation's answer; under 20: from the host
        host.movePointer(pressAt.x, pressAt.y);
        if (plan.control)
            host.pressKey(XK_Control_L);
        if (plan.shift)
            host.pressKey(XK_Shift_L);
        {
            const std::lock_guard<std::mutex> guard(instance.closing);
            instance.closeAtAutomation = closeWay < 10;
        }
        host.pressButton(1);
        runAll(milliseconds(20 + below(30)));
        for (size_t step = 0; step < plan.path.size(); ++step) {
            if (static_cast<int>(step) == plan.shiftAt)
                host.pressKey(XK_Shift_L);
            host.movePointer(plan.path[step].x, plan.path[step].y);
            runAll(milliseconds(4 + below(20)));
            if (closeWay >= 10 && closeWay < 20 && step == plan.path.size() / 2)
                closeEditor(instance);
        }
        host.releaseButton(1);
        host.releaseKey(XK_Shift_L);
        host.releaseKey(XK_Control_L);
        runAll(milliseconds(10));
        settleAutomationClose(instance);
        checker.count(&FuzzCounts::drags);
    }

    void click(Instance& instance) {
        X11EditorHost& host = instance.host;
        FuzzPoint at = editorPoint(instance);
        const int which = below(100);
        const unsigned int button = which < 65 ? 1 : (which < 85 ? 3 : 2);
        if (button == 3 && chance(50)) {
            // Half the right-clicks anywhere, where the background gives the menu.
            at = FuzzPoint{below(host.width()), below(host.height())};
        } else if (button == 3) {
            // Inside this editor, where it is known whether its menu comes (on the background)
            // and no other editor's menu can.
            at.x = std::clamp(at.x, 0, host.width() - 1);
            at.y = std::clamp(at.y, 0, host.height() - 1);
        }
        const bool control = button == 1 && chance(20);
        host.movePointer(at.x, at.y);
        if (control)
            host.pressKey(XK_Control_L);
        host.pressButton(button);
        if (chance(50))
            runAll(milliseconds(below(40)));
        host.releaseButton(button);
        host.releaseKey(XK_Control_L);
        checker.count(&FuzzCounts::clicks);
        if (button == 3)
            dismissMenu(instance, at, !FuzzRandom::onControl(at));
    }

    void wheel(Instance& instance) {
        X11EditorHost& host = instance.host;
        const FuzzPoint at = editorPoint(instance);
        const bool shift = chance(25);
        host.movePointer(at.x, at.y);
        if (shift)
            host.pressKey(XK_Shift_L);
        const unsigned int button = chance(50) ? 4 : 5;
        for (int notch = below(3); notch >= 0; --notch) {
            host.pressButton(button);
            host.releaseButton(button);
        }
        host.releaseKey(XK_Shift_L);
        checker.count(&FuzzCounts::wheelTurns);
    }

    void key(Instance& instance) {
        static const unsigned long keys[] = {XK_Left, XK_Right, XK_Up,    XK_Down,
                                             XK_Tab,  XK_a,     XK_space, XK_Return};
        X11EditorHost& host = instance.host;
        const bool shift = chance(25);
        if (shift)
            host.pressKey(XK_Shift_L);
        host.typeKey(keys[below(8)]);
        host.releaseKey(XK_Shift_L);
        checker.count(&FuzzCounts::keys);
    }

    void event(Instance& instance) {
        const int kind = below(100);
        if (kind < 6) {
            if (!instance.host.isEditorOpen()) {
                openEditor(instance);
            } else if (chance(20)) {
                instance.host.destroyWindowFirst();
                runAll(milliseconds(below(50)));
                closeEditor(instance);
            } else {
                closeEditor(instance);
            }
        } else if (!instance.host.isEditorOpen()) {
            openEditor(instance);
        } else if (kind < 22) {
            drag(instance);
        } else if (kind < 38) {
            click(instance);
        } else if (kind < 50) {
            wheel(instance);
        } else if (kind < 65) {
            key(instance);
        } else if (kind < 80) {
            const FuzzPoint at = editorPoint(instance);
            instance.host.movePointer(at.x, at.y);
        } else if (kind < 88) {
            static const int periods[] = {0, 1, 16, 50, 200, 1000};
            instance.host.setIdlePeriod(milliseconds(periods[below(6)]));
        } else {
            runAll(milliseconds(below(60)));
        }
        runAll(milliseconds(below(15)));
        for (Instance& each : instances)
            checker.checkParameters(each.effect);
        checker.count(&FuzzCounts::events);
    }

private:
    FuzzRandom random;
};

// At rest (no input, no automation) each open editor shows what a fresh editor shows on the same
// values: its picture is kept, the editor closed and opened again, and the new picture compared.
void checkAtRest() {
    runAll(milliseconds(400));
    for (Instance& instance : instances) {
        settleAutomationClose(instance);
        if (!instance.host.isEditorOpen())
            continue;
        std::vector<uint32_t> atRest;
        if (!instance.host.capture(atRest)) {
            checker.fault("no picture of an editor at rest");
            continue;
        }
        closeEditor(instance);
        if (!openEditor(instance))
            continue;
        std::vector<uint32_t> fresh;
        if (!instance.host.runUntil([&] { return instance.host.capture(fresh) && fresh == atRest; },
                                    milliseconds(3000)))
            checker.fault("at rest an editor shows other values than a fresh one on the same effect");
        ++restChecks;
    }
}

// The census once the editors' threads have ended: a thread closed from its own callback ends a
// moment after the close.
ResourceCensus settledCensus(const ResourceCensus& baseline) {
    ResourceCensus census;
    for (int attempt = 0; attempt < 40; ++attempt) {
        runAll(milliseconds(50));
        census = ResourceCensus::take(instances[0].host.display(), 0);
        if (census == baseline)
            break;
    }
    return census;
}

int run(uint32_t seed, long events) {
    std::printf("X11 editor fuzz: seed %u, %ld events, %d instances\n", seed, events, kInstances);
    PluginLibrary library;
    if (!library.load(TOVREL_PLUGIN)) {
        std::printf("FAILED: %s\n", library.error().c_str());
        return 1;
    }
    std::vector<AEffect*> effects;
    for (int i = 0; i < kInstances; ++i) {
        Instance& instance = instances[i];
        instance.left = 30 + i * 240;
        instance.top = 40;
        instance.effect = library.createEffect(&hostCallback);
        if (!instance.effect || !instance.host.connect()) {
            std::printf("FAILED: no effect or no X server (%s)\n", instance.host.error().c_str());
            return 1;
        }
        // The preset "Off", under which the level sliders move.
        instance.effect->setParameter(instance.effect, 2, 0.0f);
        checker.track(instance.effect);
        effects.push_back(instance.effect);
    }
    checker.setReaction(vst::audioMasterAutomate, &closeOnAutomation);
    Fuzzer fuzzer(seed);
    const auto closeAll = [] {
        for (Instance& instance : instances)
            closeEditor(instance);
    };

    // A warm-up first: what the process loads once (fonts, Cairo's caches) is not counted.
    for (Instance& instance : instances)
        openEditor(instance);
    for (int event = 0; event < kWarmUpEvents; ++event)
        fuzzer.event(instances[fuzzer.below(kInstances)]);
    closeAll();
    const FuzzCounts warmUp = checker.counts();
    checker.setCounts(FuzzCounts{});
    const ResourceCensus baseline = settledCensus(ResourceCensus::take(instances[0].host.display(), 0));
    const int xErrorsBefore = X11EditorHost::xErrorCount();

    const auto started = std::chrono::steady_clock::now();
    long automated = 0;
    bool automationOutOfRange = false;
    {
        AutomationThread automation(seed ^ 0x9E3779B9u, effects);
        for (long event = 0; event < events && !checker.failed(); ++event) {
            fuzzer.event(instances[fuzzer.below(kInstances)]);
            if ((event + 1) % kRestEvery == 0) {
                automation.pause();
                checkAtRest();
                automation.resume();
            }
        }
        automation.stop();
        automated = automation.changes();
        automationOutOfRange = automation.sawOutOfRange();
    }
    checkAtRest();
    closeAll();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const ResourceCensus after = settledCensus(baseline);

    checker.checkRunEnd(warmUp, automationOutOfRange);
    if (after != baseline)
        checker.fault("resources before:\n" + baseline.describe() + "after:\n" + after.describe());
    if (X11EditorHost::xErrorCount() != xErrorsBefore)
        checker.fault("X protocol errors, the last " + X11EditorHost::describeLastXError());
    for (Instance& instance : instances)
        checker.checkParameters(instance.effect);

    checker.printSummary(seconds, automated);
    std::printf("  %ld menus (%ld closed with their editor), %ld editors compared at rest; threads %d, "
                "descriptors %d, X clients %d as before (after a warm-up of %ld events)\n",
                menus, menusClosedWithTheEditor, restChecks, after.threads, after.fileDescriptors,
                after.xClients, warmUp.events);

    for (Instance& instance : instances) {
        instance.effect->dispatcher(instance.effect, vst::effClose, 0, 0, nullptr, 0.0f);
        instance.effect = nullptr;
        instance.host.disconnect();
    }
    // Cairo's font caches and fontconfig's configuration, which the plug-in never ends, ended here:
    // the sanitizer build's leak checker then sees only what the editors left.
    cairo_debug_reset_static_data();
    FcFini();
    return checker.verdict(seed);
}

} // namespace
} // namespace tovrel::test

int main(int argc, char** argv) {
    // The user's kept scale choice is not this run's.
    const tovrel::ScratchSettings settings("tovrel-x11-fuzz");
    if (settings.folder().empty())
        return 1;
    const tovrel::test::FuzzOptions options = tovrel::test::parseFuzzOptions(argc, argv);
    const int result = tovrel::test::run(options.seed, options.events);
    std::fflush(stdout);
    return result;
}
