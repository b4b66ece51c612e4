#pragma once

#include "host/VstAbi.h"
#include "tools/vsthost/PluginLibrary.h"

#include <cstdint>
#include <string>

namespace tovrel {

// One effect driven the way a host drives it: created from a library, opened, given its rate and
// block size, switched on, processed, and on destruction switched off and closed. The library may
// be the effect's own (load) or shared by many effects (open), in which case it must outlive them.
class HostedEffect {
public:
    HostedEffect() = default;
    ~HostedEffect();

    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    // Loads the library by file name and opens an effect from it; on failure returns false and
    // leaves a description in error().
    bool load(const std::string& path, HostCallback callback = quietHost);
    // Opens an effect from a library that is already loaded.
    bool open(const PluginLibrary& library, HostCallback callback = quietHost);
    // Takes over an effect record that the entry point has just returned and opens it. A record
    // without the effect magic is refused untouched: nothing of it is called.
    bool open(AEffect* effect);

    void setSampleRate(float sampleRate);
    void setBlockSize(int32_t blockSize);
    void resume();
    void suspend();

    // Inline, so that a host loop pays no more per block than a direct call through the record.
    void process(float** inputs, float** outputs, int32_t frames) {
        record->processReplacing(record, inputs, outputs, frames);
    }
    void process(double** inputs, double** outputs, int32_t frames) {
        record->processDoubleReplacing(record, inputs, outputs, frames);
    }

    void setParameter(int32_t index, float value);
    float getParameter(int32_t index) const;
    // The parameter's value as the plug-in displays it.
    std::string parameterDisplay(int32_t index);
    // Two inputs and two outputs.
    bool isStereo() const { return record && record->numInputs == 2 && record->numOutputs == 2; }

    // Switches the effect off if it is on, then closes it; the destructor does the same.
    void close();

    AEffect* effect() const { return record; }
    bool isOpen() const { return record != nullptr; }
    bool isResumed() const { return resumed; }
    const std::string& error() const { return lastError; }

    // Answers the version query and nothing else.
    static intptr_t VST_CALL quietHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                       void* ptr, float opt);

private:
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);

    PluginLibrary ownLibrary;
    AEffect* record{nullptr};
    bool resumed{false};
    std::string lastError;
};

} // namespace tovrel
