// tovrel-bench-editor: what the editor's painting costs at the scale of the screen it runs on. It
// opens the plug-in's editor in a host window, as a host does, and times
//   - a full repaint: the whole editor window invalidated and painted at once (WM_PAINT), and
//   - an idle tick with nothing changed: effEditIdle with no parameter changed since the last one,
// in batches, and prints microseconds per operation. It also shows that those idle ticks draw
// nothing: a marker colour painted over the whole editor before them must still be there, pixel for
// pixel, after them, while one tick after a parameter change does overwrite some of it. It fails
// when the idle ticks drew anything or when the marker would not have shown it.
#include "bench/ProcessorName.h"
#include "tools/vsthost/EditorHostWindow.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kMarker = 0x00FF00FF; // a colour the editor does not use
constexpr int kBatches = 15;
constexpr int kRepaintsPerBatch = 40;
constexpr int kTicksPerBatch = 4000;

struct Figures {
    double best;
    double median;
};

double now() {
    static const double ticksPerMicrosecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1e6;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / ticksPerMicrosecond;
}

// Microseconds per call of `operation`, best and median over the batches.
template <typename Operation> Figures timePerCall(int perBatch, Operation operation) {
    std::vector<double> perCall;
    for (int batch = 0; batch < kBatches; ++batch) {
        const double start = now();
        for (int i = 0; i < perBatch; ++i)
            operation();
        perCall.push_back((now() - start) / perBatch);
    }
    std::sort(perCall.begin(), perCall.end());
    return Figures{perCall.front(), perCall[perCall.size() / 2]};
}

void paintMarker(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    HDC device = GetDC(window);
    HBRUSH brush = CreateSolidBrush(RGB(0xFF, 0x00, 0xFF));
    FillRect(device, &client, brush);
    DeleteObject(brush);
    ReleaseDC(window, device);
    GdiFlush();
}

// Pixels of the editor that no longer hold the marker; -1 when they cannot be read.
long changedPixels(tovrel::EditorHostWindow& host) {
    std::vector<uint32_t> pixels;
    if (!host.capture(pixels))
        return -1;
    return static_cast<long>(
        std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return p != kMarker; }));
}

int screenDotsPerInch() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi;
}

int run(tovrel::HostedEffect& effect, tovrel::EditorHostWindow& host) {
    HWND frame = GetWindow(host.window(), GW_CHILD);
    if (!frame) {
        std::fprintf(stderr, "tovrel-bench-editor: the editor made no window\n");
        return 1;
    }
    AEffect* record = effect.effect();
    const auto repaint = [frame] { RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); };
    const auto tick = [record] { record->dispatcher(record, vst::effEditIdle, 0, 0, nullptr, 0.0f); };

    std::printf("processor: %s\n", tovrel::processorName().c_str());
    std::printf("screen: %d DPI, editor %d x %d device pixels\n", screenDotsPerInch(), host.width(),
                host.height());
    const long total = static_cast<long>(host.width()) * host.height();

    // The repaint that is timed paints the whole window.
    for (int i = 0; i < 5; ++i)
        repaint();
    paintMarker(frame);
    repaint();
    const long repainted = changedPixels(host);
    const Figures repaints = timePerCall(kRepaintsPerBatch, repaint);
    std::printf("full repaint: best %.1f us, median %.1f us per repaint (%d batches of %d)\n", repaints.best,
                repaints.median, kBatches, kRepaintsPerBatch);

    // Idle ticks with nothing changed, over the marker; then one after a parameter change.
    host.idle(3);
    paintMarker(frame);
    const Figures ticks = timePerCall(kTicksPerBatch, tick);
    RECT pending{};
    const bool updatePending = GetUpdateRect(frame, &pending, FALSE) != 0;
    const long drawnByIdle = changedPixels(host);
    // The preset selector: it moves whatever preset is in force, and the level sliders with it.
    const int32_t presets = 2;
    const float value = effect.getParameter(presets);
    effect.setParameter(presets, value < 0.5f ? 1.0f : 0.0f);
    tick();
    const long drawnAfterChange = changedPixels(host);
    effect.setParameter(presets, value);
    tick();
    std::printf("idle tick, nothing changed: best %.3f us, median %.3f us per tick (%d batches of %d)\n",
                ticks.best, ticks.median, kBatches, kTicksPerBatch);
    std::printf("pixels drawn: by %d idle ticks %ld of %ld%s; by one tick after a parameter change %ld\n",
                kBatches * kTicksPerBatch, drawnByIdle, total, updatePending ? " (a repaint is pending)" : "",
                drawnAfterChange);

    if (repainted != total) {
        std::fprintf(stderr, "tovrel-bench-editor: the full repaint painted %ld of %ld pixels\n", repainted,
                     total);
        return 1;
    }
    if (drawnAfterChange <= 0) {
        std::fprintf(stderr, "tovrel-bench-editor: the marker does not show the editor's drawing\n");
        return 1;
    }
    if (drawnByIdle != 0 || updatePending) {
        std::fprintf(stderr, "tovrel-bench-editor: idle ticks with nothing changed drew\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string plugin = argc > 1 ? argv[1] : "tovrel_vst.dll";
    // The editor window closes before the effect does.
    tovrel::HostedEffect effect;
    if (!effect.load(plugin)) {
        std::fprintf(stderr, "tovrel-bench-editor: %s\n", effect.error().c_str());
        return 1;
    }
    tovrel::EditorHostWindow host;
    if (!host.open(effect.effect())) {
        std::fprintf(stderr, "tovrel-bench-editor: %s\n", host.error().c_str());
        return 1;
    }
    return run(effect, host);
}
