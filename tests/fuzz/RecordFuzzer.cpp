// libFuzzer target: the native plug-in, loaded by file name like a host loads it, driven through
// its effect record only. Each input is a script of host calls: dispatcher opcodes with any
// arguments (and buffers of exactly the documented size where an opcode writes text),
// setParameter and getParameter with any float, sample-rate changes, and processing of blocks of
// any size and content in both precisions, in place or not. A crash, a sanitizer report, a
// parameter value outside [0, 1], or an output sample that is not finite or beyond full scale
// ends the run with the input saved.
#include "host/VstAbi.h"
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

intptr_t VST_CALL fuzzHostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst::audioMasterVersion ? vst::kVstVersion : 0;
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

void dispatch(AEffect* effect, Script& script) {
    const int32_t opcode = script.byte() % 90;
    const int32_t index = static_cast<int32_t>(static_cast<int8_t>(script.byte()));
    intptr_t value = static_cast<int32_t>(script.word());
    const float opt = script.anyFloat();
    if (opcode == vst::effClose)
        return; // closing ends the script below
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

void parameters(AEffect* effect, Script& script) {
    const int32_t index = static_cast<int32_t>(static_cast<int8_t>(script.byte())) % 5;
    if (script.byte() & 1)
        effect->setParameter(effect, index, script.anyFloat());
    const float read = effect->getParameter(effect, index);
    if (!(read >= 0.0f && read <= 1.0f))
        fail("getParameter left [0, 1]", read);
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

template <typename Sample> void processBlock(AEffect* effect, Script& script) {
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
    process(effect, in, out, frames);
    if (frames <= 0) {
        if (!inPlace && (buffers[2][0] != Sample(7) || buffers[3][0] != Sample(7)))
            fail("an empty block wrote output", static_cast<double>(frames));
        return;
    }
    for (int c = 0; c < 2; ++c)
        for (int32_t i = 0; i < frames; ++i)
            if (!(out[c][i] >= Sample(-1) && out[c][i] <= Sample(1)))
                fail("output sample not finite or beyond full scale", static_cast<double>(out[c][i]));
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
    AEffect* effect = library().createEffect(&fuzzHostCallback);
    if (!effect || effect->magic != vst::kEffectMagic)
        fail("the entry point gave no effect", 0.0);
    Script script(data, size);
    for (int step = 0; step < 200 && !script.done(); ++step) {
        switch (script.byte() % 6) {
        case 0:
        case 1:
            dispatch(effect, script);
            break;
        case 2:
            parameters(effect, script);
            break;
        case 3:
            effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, script.anyFloat());
            break;
        case 4:
            processBlock<double>(effect, script);
            break;
        default:
            processBlock<float>(effect, script);
            break;
        }
    }
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
