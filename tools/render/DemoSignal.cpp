// tovrel-demo-signal: writes the stereo demonstration signal that "make demo" renders: a hard-left
// phrase, a hard-right phrase, then both sides together with a little noise, at 44100 Hz.
#include "tools/vsthost/SeededRandom.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: tovrel-demo-signal OUTPUT.wav [SECONDS]\n");
        return 2;
    }
    const double seconds = argc == 3 ? std::atof(argv[2]) : 6.0;
    if (!(seconds > 0.0 && seconds <= 3600.0)) {
        std::fprintf(stderr, "tovrel-demo-signal: seconds must be above 0 and at most 3600\n");
        return 2;
    }
    const int rate = 44100;
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "tovrel-demo-signal: cannot write '%s': %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    const double notes[] = {220.0, 277.18, 329.63, 440.0, 329.63, 277.18};
    std::vector<double> samples(static_cast<size_t>(frames) * 2);
    tovrel::SeededRandom noise(1);
    for (sf_count_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double part = t / seconds; // 0..1 through the demo
        const double note = notes[static_cast<int>(t * 4.0) % 6];
        const double phase = std::fmod(t * 4.0, 1.0);
        const double envelope = std::exp(-4.0 * phase) * 0.5;
        const double tone =
            envelope * (std::sin(2 * M_PI * note * t) + 0.3 * std::sin(2 * M_PI * 3 * note * t));
        const double hiss = (noise.unit24() - 0.5) * 0.02;
        double left = 0.0, right = 0.0;
        if (part < 1.0 / 3.0)
            left = tone;
        else if (part < 2.0 / 3.0)
            right = tone;
        else {
            left = tone + hiss;
            right = 0.6 * tone - hiss;
        }
        samples[static_cast<size_t>(2 * i)] = left;
        samples[static_cast<size_t>(2 * i + 1)] = right;
    }
    const sf_count_t written = sf_writef_double(file, samples.data(), frames);
    sf_close(file);
    if (written != frames) {
        std::fprintf(stderr, "tovrel-demo-signal: writing '%s' failed\n", argv[1]);
        return 1;
    }
    std::printf("wrote %s: %.1f s of stereo at %d Hz\n", argv[1], seconds, rate);
    return 0;
}
