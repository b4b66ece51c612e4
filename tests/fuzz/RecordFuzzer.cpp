// libFuzzer target: the native plug-in, loaded by file name like a host loads it, driven through
// its effect record only. Each input is a script of host calls: dispatcher opcodes with any
// arguments (and buffers of exactly the documented size where an opcode writes text),
// setParameter and getParameter with any float, sample-rate changes, and processing of blocks of
// any size and content in both precisions, in place or not. A crash, a sanitizer report, a
// parameter value outside [0, 1], or an output sample other than the one the filter equations
// give ends the run with the input saved.
#include "engine/CrossfeedEngine.h"
#include "engine/PlainEquations.h"
#include "host/VstAbi.h"
#include "plugin/ParameterMath.h"
#include "support/LevelReadback.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tovrel {
namespace {

// Reads the fuzzer's bytes as a script; past the end everything reads as zero.
class Script {
public:
    Script(const uint8_t* data, size_t size) : bytes(data), length(size) {}

    bool done() const { return position >= length; }
    uint8_t byte() { return position < length ? bytes[position++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i)
            w = (w << 8) | byte();
        return w;
    }
    float anyFloat() {
        const uint32_t bits = word();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    double anyDouble() {
        const uint64_t bits = (static_cast<uint64_t>(word()) << 32) | word();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

private:
    const uint8_t* bytes;
    size_t length;
    size_t position{0};
};

[[noreturn]] void fail(const char* what, double value) {
    std::fprintf(stderr, "record fuzzer: %s (%g)\n", what, value);
    std::abort();
}

// The effect as it should be, kept beside it from the same calls: a filter of the engine holding
// the rate the effect was given and the level it reports through the record, and the filter
// equations as written, run with that filter's coefficients on a history of their own, which a
// rate change or a start clears. The clip is where a wrong value hides (it turns a NaN into +1.0),
// so every output is compared with what the equations give, clipped the same way.
class Mirror {
public:
    void start() { history = test::PlainEquations{}; }
    void setRate(float rate) {
        filter().setSampleRate(static_cast<uint32_t>(truncateToInt32(rate)));
        const CrossfeedFilter::CoefficientSet before = set;
        takeSet();
        if (set.generation != before.generation)
            start();
    }
    void followLevel(AEffect* effect) {
        filter().setLevel(test::levelInForce(effect));
        takeSet();
    }

    // The outputs of the next frame.
    void run(double in0, double in1, double& out0, double& out1) {
        history.run(set.coefficients, guard(in0), guard(in1), out0, out1);
        if (!std::isfinite(out0) || !std::isfinite(out1))
            fail("the filter equations themselves gave a value that is not finite", out0);
        out0 = clip(out0);
        out1 = clip(out1);
    }

private:
    CrossfeedFilter& filter() { return *engine.filter(); }
    // The set is designed anew on every call, so it is taken once per change, not once per frame.
    void takeSet() { set = filter().currentSet(); }
    // Not finite, beyond 2^1000 or subnormal: processed as silence.
    static double guard(double x) {
        const double magnitude = std::fabs(x);
        return magnitude <= CrossfeedFilter::kLargestInput && magnitude >= CrossfeedFilter::kSmallestNormal
                   ? x
                   : 0.0;
    }
    static double clip(double x) { return x > 1.0 ? 1.0 : (x < -1.0 ? -1.0 : x); }

    CrossfeedEngine engine;
    CrossfeedFilter::CoefficientSet set{filter().currentSet()};
    test::PlainEquations history;
};

// The output matches the expected value; outputs so small that the filter's flushing of subnormal
// values from its history may have changed them (below 1e-289) match any other as small.
template <typename Sample> bool matches(Sample out, Sample expected) {
    constexpr double kFlushReach = 1e-280;
    return out == expected || (std::fabs(static_cast<double>(out)) < kFlushReach &&
                               std::fabs(static_cast<double>(expected)) < kFlushReach);
}

// The size of the text an opcode writes (limit plus NUL); 0 for opcodes that write no text.
size_t textSize(int32_t opcode) {
    switch (opcode) {
    case vst::effGetParamLabel:
    case vst::effGetParamDisplay:
    case vst::effGetParamName:
        return vst::kMaxParamStrLen + 1;
    case vst::effGetProgramName:
    case vst::effGetProgramNameIndexed:
        return vst::kMaxProgNameLen + 1;
    case vst::effGetEffectName:
        return vst::kMaxEffectNameLen + 1;
    case vst::effGetVendorString:
    case vst::effGetProductString:
    case vst::effShellGetNextPlugin:
        return vst::kMaxVendorStrLen + 1;
    default:
        return 0;
    }
}

void dispatch(AEffect* effect, Script& script, Mirror& mirror) {
    const int32_t opcode = script.byte() % 90;
    const int32_t index = static_cast<int32_t>(static_cast<int8_t>(script.byte()));
    intptr_t value = static_cast<int32_t>(script.word());
    const float opt = script.anyFloat();
    if (opcode == vst::effClose)
        return; // closing ends the script below
    if (opcode == vst::effSetSampleRate)
        mirror.setRate(opt);
    if (opcode == vst::effMainsChanged && value != 0)
        mirror.start();
    if (const size_t size = textSize(opcode)) {
        // Exactly the documented room: a longer write is a heap overflow the sanitizer reports.
        std::vector<char> text(size, '\x7f');
        effect->dispatcher(effect, opcode, index, value, text.data(), opt);
        return;
    }
    // Opcodes that read a text get a NUL-terminated one from the script.
    char in[80];
    const size_t length = script.byte() % sizeof in;
    for (size_t i = 0; i < length; ++i)
        in[i] = static_cast<char>(script.byte() | 1);
    in[length] = '\0';
    // Opcodes that take pointers to records get zeroed room for them; the two speaker
    // opcodes take a second pointer in `value`.
    alignas(16) unsigned char room[4096] = {};
    alignas(16) unsigned char second[4096] = {};
    void* ptr = room;
    if (opcode == vst::effSetProgramName || opcode == vst::effCanDo || opcode == vst::effString2Parameter)
        ptr = in;
    if (opcode == vst::effSetSpeakerArrangement || opcode == vst::effGetSpeakerArrangement)
        value = reinterpret_cast<intptr_t>(second);
    if (script.byte() == 0)
        ptr = nullptr;
    effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void parameters(AEffect* effect, Script& script, Mirror& mirror) {
    const int32_t index = static_cast<int32_t>(static_cast<int8_t>(script.byte())) % 5;
    if (script.byte() & 1)
        effect->setParameter(effect, index, script.anyFloat());
    const float read = effect->getParameter(effect, index);
    if (!(read >= 0.0f && read <= 1.0f))
        fail("getParameter left [0, 1]", read);
    mirror.followLevel(effect);
}

template <typename Sample> Sample sampleFrom(Script& script);
template <> double sampleFrom<double>(Script& script) {
    const uint8_t kind = script.byte();
    return kind < 16 ? script.anyDouble() : static_cast<double>(static_cast<int8_t>(kind)) / 64.0;
}
template <> float sampleFrom<float>(Script& script) {
    const uint8_t kind = script.byte();
    return kind < 16 ? script.anyFloat() : static_cast<float>(static_cast<int8_t>(kind)) / 64.0f;
}

void process(AEffect* effect, double** in, double** out, int32_t frames) {
    effect->processDoubleReplacing(effect, in, out, frames);
}
void process(AEffect* effect, float** in, float** out, int32_t frames) {
    effect->processReplacing(effect, in, out, frames);
}

template <typename Sample> void processBlock(AEffect* effect, Script& script, Mirror& mirror) {
    const uint8_t shape = script.byte();
    const bool inPlace = shape & 1;
    // Mostly small blocks, sometimes large ones, sometimes zero or negative counts.
    int32_t frames = script.byte();
    if (shape & 2)
        frames *= 16;
    if ((shape & 12) == 12)
        frames = -frames;
    const size_t room = frames > 0 ? static_cast<size_t>(frames) : 1;
    std::vector<Sample> buffers[4];
    for (auto& b : buffers)
        b.assign(room, Sample(7)); // 7: never a valid output, so untouched outputs show
    // The script's samples repeat over the block.
    Sample pattern[2][16];
    const size_t patternLength = 1 + script.byte() % 16u;
    for (size_t i = 0; i < patternLength; ++i) {
        pattern[0][i] = sampleFrom<Sample>(script);
        pattern[1][i] = sampleFrom<Sample>(script);
    }
    for (size_t i = 0; i < room; ++i) {
        buffers[0][i] = pattern[0][i % patternLength];
        buffers[1][i] = pattern[1][i % patternLength];
    }
    Sample* in[2] = {buffers[0].data(), buffers[1].data()};
    Sample* out[2] = {inPlace ? in[0] : buffers[2].data(), inPlace ? in[1] : buffers[3].data()};
    // The expected outputs, before processing in place overwrites the inputs.
    std::vector<Sample> expected[2];
    for (int32_t i = 0; i < frames; ++i) {
        double pair[2];
        mirror.run(static_cast<double>(in[0][i]), static_cast<double>(in[1][i]), pair[0], pair[1]);
        expected[0].push_back(static_cast<Sample>(pair[0]));
        expected[1].push_back(static_cast<Sample>(pair[1]));
    }
    process(effect, in, out, frames);
    if (frames <= 0) {
        if (!inPlace && (buffers[2][0] != Sample(7) || buffers[3][0] != Sample(7)))
            fail("an empty block wrote output", static_cast<double>(frames));
        return;
    }
    for (int c = 0; c < 2; ++c)
        for (int32_t i = 0; i < frames; ++i)
            if (!matches(out[c][i], expected[c][static_cast<size_t>(i)]))
                fail("an output sample is not what the filter equations give",
                     static_cast<double>(out[c][i]));
}

// Loaded once and kept for the life of the process, as a host keeps a plug-in it uses: unloading
// at exit would also discard what the library's own runtime still holds.
const PluginLibrary& library() {
    static PluginLibrary* loaded = nullptr;
    if (!loaded) {
        loaded = new PluginLibrary;
        if (!loaded->load(TOVREL_FUZZ_PLUGIN)) {
            std::fprintf(stderr, "record fuzzer: %s\n", loaded->error().c_str());
            std::abort();
        }
    }
    return *loaded;
}

} // namespace
} // namespace tovrel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tovrel;
    AEffect* effect = library().createEffect(&HostedEffect::quietHost);
    if (!effect || effect->magic != vst::kEffectMagic)
        fail("the entry point gave no effect", 0.0);
    Script script(data, size);
    Mirror mirror;
    for (int step = 0; step < 200 && !script.done(); ++step) {
        switch (script.byte() % 6) {
        case 0:
        case 1:
            dispatch(effect, script, mirror);
            mirror.followLevel(effect);
            break;
        case 2:
            parameters(effect, script, mirror);
            break;
        case 3: {
            const float rate = script.anyFloat();
            effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, rate);
            mirror.setRate(rate);
            break;
        }
        case 4:
            processBlock<double>(effect, script, mirror);
            break;
        default:
            processBlock<float>(effect, script, mirror);
            break;
        }
    }
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
