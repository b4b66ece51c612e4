#include "support/RecordingHost.h"

namespace tovrel::test {

namespace {
RecordingHost* activeHost = nullptr;
}

RecordingHost::RecordingHost() {
    answerTable[vst::audioMasterVersion] = vst::kVstVersion;
    activeHost = this;
}

RecordingHost::~RecordingHost() {
    if (activeHost == this)
        activeHost = nullptr;
}

std::vector<RecordingHost::Call> RecordingHost::callsOf(int32_t opcode) const {
    std::vector<Call> matching;
    for (const Call& call : recorded) {
        if (call.opcode == opcode)
            matching.push_back(call);
    }
    return matching;
}

intptr_t VST_CALL RecordingHost::dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                          void* ptr, float opt) {
    RecordingHost* host = activeHost;
    if (!host)
        return 0;
    Call call{effect, opcode, index, value, ptr, opt, {}};
    if (ptr && opcode == vst::audioMasterCanDo)
        call.text = static_cast<const char*>(ptr);
    host->recorded.push_back(call);
    const auto found = host->answerTable.find(opcode);
    return found == host->answerTable.end() ? 0 : found->second;
}

} // namespace tovrel::test
