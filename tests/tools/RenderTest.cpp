// The renderer end to end: the real program on generated files, compared with the plug-in's own
// processing of the same samples through its record.
#include "hostlevel/HostSession.h"
#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"
#include "plugin/Presets.h"
#include "tools/render/RenderOptions.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/StereoBuffers.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tovrel::test {
namespace {

struct RenderRun {
    int exitCode;
    std::string output;
};

RenderRun runRenderer(const std::string& arguments) {
    const std::string command = std::string(TOVREL_RENDER_PROGRAM) + " " + arguments + " 2>&1";
    RenderRun run{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe))
        run.output += buffer;
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class Renderer : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tovrel-render-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        for (const std::string& name : files())
            std::remove((dir + "/" + name).c_str());
        rmdir(dir.c_str());
    }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* entry = readdir(d)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            closedir(d);
        }
        return names;
    }

    // Writes frames of interleaved samples; returns the path.
    std::string writeFile(const std::string& name, int channels, int rate, int format,
                          const std::vector<double>& samples) {
        const std::string path = dir + "/" + name;
        SF_INFO info{};
        info.channels = channels;
        info.samplerate = rate;
        info.format = format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
        if (file) {
            sf_writef_double(file, samples.data(),
                             static_cast<sf_count_t>(samples.size() / static_cast<size_t>(channels)));
            sf_close(file);
        }
        return path;
    }

    std::vector<double> readFile(const std::string& path, SF_INFO& info) {
        info = {};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        EXPECT_NE(file, nullptr) << path;
        std::vector<double> samples;
        if (file) {
            samples.resize(static_cast<size_t>(info.frames * info.channels));
            sf_readf_double(file, samples.data(), info.frames);
            sf_close(file);
        }
        return samples;
    }

    std::vector<double> stereoSignal(int frames) {
        SeededRandom signal(99);
        std::vector<double> samples;
        for (int i = 0; i < frames; ++i) {
            samples.push_back(signal.sample24() * 0.9);
            samples.push_back((i % 100 < 50) ? 0.7 : -0.7);
        }
        return samples;
    }

    // The plug-in's own output for the same samples, set up as the renderer sets it up.
    std::vector<double> processThroughRecord(const std::vector<double>& interleaved, int rate,
                                             int32_t preset) {
        HostedEffect effect;
        std::vector<double> out;
        if (!effect.load(TOVREL_PLUGIN_FILE)) {
            ADD_FAILURE() << effect.error();
            return out;
        }
        effect.setSampleRate(static_cast<float>(rate));
        effect.setParameter(CrossfeedEffect::kParamPreset, parameterFromPreset(preset));
        effect.resume();
        const auto frames = static_cast<int32_t>(interleaved.size() / 2);
        StereoBuffers<double> channels(frames);
        double* left = channels.input(0);
        double* right = channels.input(1);
        for (int32_t i = 0; i < frames; ++i) {
            left[i] = interleaved[2 * static_cast<size_t>(i)];
            right[i] = interleaved[2 * static_cast<size_t>(i) + 1];
        }
        effect.process(channels.inputs(), channels.inputs(), frames);
        for (int32_t i = 0; i < frames; ++i) {
            out.push_back(left[i]);
            out.push_back(right[i]);
        }
        return out;
    }

    std::string dir;
};

TEST_F(Renderer, OutputEqualsTheRecordsProcessing) {
    const std::vector<double> input = stereoSignal(10000);
    const std::string in = writeFile("in.wav", 2, 48000, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, input);
    const RenderRun run = runRenderer("--preset 'J. Meier' --block 333 --plugin " +
                                      std::string(TOVREL_PLUGIN_FILE) + " " + in + " " + dir + "/out.wav");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("frames    10000 at 48000 Hz"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("J. Meier"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("x real time"), std::string::npos) << run.output;

    SF_INFO info;
    const std::vector<double> output = readFile(dir + "/out.wav", info);
    EXPECT_EQ(info.samplerate, 48000);
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_DOUBLE);
    const std::vector<double> expected = processThroughRecord(input, 48000, kPresetCount - 1);
    ASSERT_EQ(output.size(), expected.size());
    for (size_t i = 0; i < output.size(); ++i)
        ASSERT_EQ(output[i], expected[i]) << "sample " << i;
}

TEST_F(Renderer, LevelAndFormatOptions) {
    const std::string in =
        writeFile("in.flac", 2, 44100, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, stereoSignal(4000));
    const RenderRun run = runRenderer("--feed 7.5 --cut 301 --precision single --format pcm24 --plugin " +
                                      std::string(TOVREL_PLUGIN_FILE) + " " + in + " " + dir + "/out.aiff");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("7.5 dB, 301 Hz"), std::string::npos) << run.output;
    SF_INFO info;
    const std::vector<double> output = readFile(dir + "/out.aiff", info);
    EXPECT_EQ(info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
    EXPECT_EQ(info.frames, 4000);
}

// A level change lands on its frame, inside a block or on its edge, as the plug-in driven
// directly with the block split there gives it.
TEST_F(Renderer, FeedChangeLandsOnItsFrame) {
    const std::vector<double> input = stereoSignal(3000);
    const std::string in = writeFile("in.wav", 2, 48000, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, input);
    for (const int32_t frame : {0, 300, 1024, 2999}) {
        const std::string out = dir + "/out" + std::to_string(frame) + ".wav";
        const RenderRun run =
            runRenderer("--feed 6.2 --cut 730 --feed-at " + std::to_string(frame) +
                        ":15 --block 512 --plugin " + TOVREL_PLUGIN_FILE + " " + in + " " + out);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        SF_INFO info;
        const std::vector<double> output = readFile(out, info);

        HostedEffect effect;
        ASSERT_TRUE(effect.load(TOVREL_PLUGIN_FILE)) << effect.error();
        effect.setSampleRate(48000.0f);
        effect.setParameter(CrossfeedEffect::kParamPreset, 0.0f);
        effect.setParameter(CrossfeedEffect::kParamFeed, parameterFromFeed(62));
        effect.setParameter(CrossfeedEffect::kParamCut, parameterFromCut(730));
        effect.resume();
        StereoBuffers<double> channels(3000);
        for (size_t i = 0; i < 3000; ++i) {
            channels.input(0)[i] = input[2 * i];
            channels.input(1)[i] = input[2 * i + 1];
        }
        effect.process(channels.inputs(), channels.inputs(), frame);
        effect.setParameter(CrossfeedEffect::kParamFeed, parameterFromFeed(150));
        double* rest[] = {channels.input(0) + frame, channels.input(1) + frame};
        effect.process(rest, rest, 3000 - frame);
        ASSERT_EQ(output.size(), input.size());
        for (size_t i = 0; i < 3000; ++i) {
            ASSERT_EQ(output[2 * i], channels.input(0)[i]) << "change at " << frame << ", frame " << i;
            ASSERT_EQ(output[2 * i + 1], channels.input(1)[i]) << "change at " << frame << ", frame " << i;
        }
    }
}

TEST_F(Renderer, ClearErrorsAndNoOutputLeftBehind) {
    const std::string plugin = std::string(" --plugin ") + TOVREL_PLUGIN_FILE + " ";
    RenderRun run = runRenderer(plugin + dir + "/missing.wav " + dir + "/out.wav");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("cannot read"), std::string::npos) << run.output;

    const std::string mono =
        writeFile("mono.wav", 1, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, std::vector<double>(1000, 0.25));
    run = runRenderer(plugin + mono + " " + dir + "/out.wav");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("1 channel(s); crossfeed needs a stereo"), std::string::npos) << run.output;

    const std::string stereo =
        writeFile("in.wav", 2, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, stereoSignal(100));
    run = runRenderer("--preset nonesuch" + plugin + stereo + " " + dir + "/out.wav");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("unknown preset 'nonesuch'"), std::string::npos) << run.output;
    run = runRenderer("--feed 15.1 --cut 700" + plugin + stereo + " " + dir + "/out.wav");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("outside 1.0 to 15.0 dB"), std::string::npos) << run.output;
    run = runRenderer("--feed 6 --cut 2001" + plugin + stereo + " " + dir + "/out.wav");
    EXPECT_EQ(run.exitCode, 2);
    run = runRenderer("--block 0" + plugin + stereo + " " + dir + "/out.wav");
    EXPECT_EQ(run.exitCode, 2);
    run = runRenderer("--plugin " + dir + "/nothing.so " + stereo + " " + dir + "/out.wav");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("cannot load"), std::string::npos) << run.output;
    // An unknown extension names no format.
    run = runRenderer(plugin + stereo + " " + dir + "/out.xyz");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("cannot tell the output format"), std::string::npos) << run.output;

    // None of the failures left an output or a partial file.
    for (const std::string& name : files())
        EXPECT_TRUE(name == "mono.wav" || name == "in.wav") << "left behind: " << name;
}

TEST(RenderOptions, PresetNamesAndKeys) {
    EXPECT_EQ(presetIndexForName("J. Meier"), 4);
    EXPECT_EQ(presetIndexForName("jmeier"), 4);
    EXPECT_EQ(presetIndexForName("bs2b default"), 2);
    EXPECT_EQ(presetIndexForName("Taskel (Orvalen)"), 1);
    EXPECT_EQ(presetIndexForName("Moy"), -1);

    std::string error;
    const char* both[] = {"--preset", "cmoy", "--feed", "5", "--cut", "700", "a.wav", "b.wav"};
    EXPECT_FALSE(parseRenderOptions(8, both, error));
    EXPECT_NE(error.find("either"), std::string::npos);
    const char* feedOnly[] = {"--feed", "5", "a.wav", "b.wav"};
    EXPECT_FALSE(parseRenderOptions(4, feedOnly, error));
    const char* good[] = {"--feed", "1.0", "--cut", "2000", "a.wav", "b.wav"};
    const auto options = parseRenderOptions(6, good, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(*options->feedTenths, 10);
    EXPECT_EQ(*options->cutHz, 2000);
    EXPECT_FALSE(options->preset);
    const char* changeWithPreset[] = {"--preset", "cmoy", "--feed-at", "10:7", "a.wav", "b.wav"};
    EXPECT_FALSE(parseRenderOptions(6, changeWithPreset, error));
    for (const char* change : {"10", "10:15.1", "-1:7", "1.5:7", "x:7"}) {
        const char* badChange[] = {"--feed", "5", "--cut", "700", "--feed-at", change, "a.wav", "b.wav"};
        EXPECT_FALSE(parseRenderOptions(8, badChange, error)) << change;
    }
    const char* change[] = {"--feed", "5", "--cut", "700", "--feed-at", "48000:15", "a.wav", "b.wav"};
    const auto changing = parseRenderOptions(8, change, error);
    ASSERT_TRUE(changing) << error;
    EXPECT_EQ(*changing->feedChangeFrame, 48000);
    EXPECT_EQ(changing->feedChangeTenths, 150);
    const char* defaults[] = {"a.wav", "b.wav"};
    EXPECT_EQ(*parseRenderOptions(2, defaults, error)->preset, 1);
}

} // namespace
} // namespace tovrel::test
