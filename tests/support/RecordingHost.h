#pragma once

#include "host/VstAbi.h"

#include <map>
#include <string>
#include <vector>

namespace tovrel::test {

// A host callback that records every call the plug-in makes and answers from a table. One
// recording host is active at a time (the callback is a plain function); creating one makes it
// the active one.
class RecordingHost {
public:
    struct Call {
        AEffect* effect;
        int32_t opcode;
        int32_t index;
        intptr_t value;
        void* ptr;
        float opt;
        std::string text; // the text at ptr, for the opcodes that pass one
    };

    RecordingHost();
    ~RecordingHost();

    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    static HostCallback callback() { return &RecordingHost::dispatch; }

    // The answer to an opcode; 0 when not set. audioMasterVersion answers 2400 by default.
    void answer(int32_t opcode, intptr_t value) { answerTable[opcode] = value; }

    const std::vector<Call>& calls() const { return recorded; }
    std::vector<Call> callsOf(int32_t opcode) const;
    void clear() { recorded.clear(); }

private:
    static intptr_t VST_CALL dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                      void* ptr, float opt);

    std::map<int32_t, intptr_t> answerTable;
    std::vector<Call> recorded;
};

} // namespace tovrel::test
