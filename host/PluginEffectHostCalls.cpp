// The effect's calls back into the host. Each checks for a callback first and gives a neutral
// answer without one.
#include "host/PluginEffect.h"

namespace tovrel {

namespace {

bool asBool(intptr_t answer) {
    return answer != 0;
}
int32_t asInt32(intptr_t answer) {
    return static_cast<int32_t>(answer);
}

} // namespace

intptr_t PluginEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    if (!hostCallback)
        return 0;
    const bool notice = opcode == vst::audioMasterAutomate || opcode == vst::audioMasterBeginEdit ||
                        opcode == vst::audioMasterEndEdit;
    if (notice) {
        // A kept notice reaches the host later; the host accepts these three, so it answers 1.
        if (HostNoticeRouter* router = noticeRouter.load(std::memory_order_acquire);
            router && router->keepForHost(opcode, index, opt))
            return 1;
    }
    return hostCallback(&record, opcode, index, value, ptr, opt);
}

intptr_t PluginEffect::callHostWithNotice(int32_t opcode, int32_t index, float value) {
    return hostCallback ? hostCallback(&record, opcode, index, 0, nullptr, value) : 0;
}

// Deliberate: a host version of 0 is reported as 1, as documented (docs/deliberate-choices.md).
int32_t PluginEffect::queryHostVersion() {
    const int32_t version = asInt32(callHost(vst::audioMasterVersion));
    return version == 0 ? 1 : version;
}

int32_t PluginEffect::queryHostCurrentId() {
    return asInt32(callHost(vst::audioMasterCurrentId));
}

void PluginEffect::giveHostIdle() {
    callHost(vst::audioMasterIdle);
}

// The host answers 0 for a connected pin.
bool PluginEffect::queryInputConnected(int32_t index) {
    return callHost(vst::audioMasterPinConnected, index, 0) == 0;
}

bool PluginEffect::queryOutputConnected(int32_t index) {
    return callHost(vst::audioMasterPinConnected, index, 1) == 0;
}

bool PluginEffect::notifyHostBeginEdit(int32_t index) {
    return asBool(callHost(vst::audioMasterBeginEdit, index));
}

bool PluginEffect::notifyHostEndEdit(int32_t index) {
    return asBool(callHost(vst::audioMasterEndEdit, index));
}

bool PluginEffect::notifyHostIOChanged() {
    return asBool(callHost(vst::audioMasterIOChanged));
}

double PluginEffect::refreshSampleRate() {
    const intptr_t answer = callHost(vst::audioMasterGetSampleRate);
    if (answer > 0)
        sampleRate = static_cast<float>(answer);
    return sampleRate;
}

int32_t PluginEffect::refreshBlockSize() {
    const int32_t answer = asInt32(callHost(vst::audioMasterGetBlockSize));
    if (answer > 0)
        blockSize = answer;
    return blockSize;
}

int32_t PluginEffect::queryHostInputLatency() {
    return asInt32(callHost(vst::audioMasterGetInputLatency));
}

int32_t PluginEffect::queryHostOutputLatency() {
    return asInt32(callHost(vst::audioMasterGetOutputLatency));
}

VstTimeInfo* PluginEffect::queryHostTime(int32_t filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(vst::audioMasterGetTime, 0, filter));
}

int32_t PluginEffect::queryHostProcessLevel() {
    return asInt32(callHost(vst::audioMasterGetCurrentProcessLevel));
}

int32_t PluginEffect::queryHostAutomationState() {
    return asInt32(callHost(vst::audioMasterGetAutomationState));
}

bool PluginEffect::queryHostVendorString(char* text) {
    return asBool(callHost(vst::audioMasterGetVendorString, 0, 0, text));
}

bool PluginEffect::queryHostProductString(char* text) {
    return asBool(callHost(vst::audioMasterGetProductString, 0, 0, text));
}

int32_t PluginEffect::queryHostVendorVersion() {
    return asInt32(callHost(vst::audioMasterGetVendorVersion));
}

intptr_t PluginEffect::callHostVendorSpecific(int32_t arg1, intptr_t arg2, void* ptr, float opt) {
    return callHost(vst::audioMasterVendorSpecific, arg1, arg2, ptr, opt);
}

int32_t PluginEffect::queryHostCanDo(char* text) {
    return asBool(callHost(vst::audioMasterCanDo, 0, 0, text)) ? 1 : 0;
}

int32_t PluginEffect::queryHostLanguage() {
    return asInt32(callHost(vst::audioMasterGetLanguage));
}

void* PluginEffect::queryHostDirectory() {
    return reinterpret_cast<void*>(callHost(vst::audioMasterGetDirectory));
}

bool PluginEffect::notifyHostUpdateDisplay() {
    return asBool(callHost(vst::audioMasterUpdateDisplay));
}

bool PluginEffect::requestHostSizeWindow(int32_t width, int32_t height) {
    return asBool(callHost(vst::audioMasterSizeWindow, width, height));
}

bool PluginEffect::requestHostOpenFileSelector(VstFileSelect* select) {
    return select && asBool(callHost(vst::audioMasterOpenFileSelector, 0, 0, select));
}

bool PluginEffect::requestHostCloseFileSelector(VstFileSelect* select) {
    return select && asBool(callHost(vst::audioMasterCloseFileSelector, 0, 0, select));
}

bool PluginEffect::requestHostOfflineRead(VstOfflineTask* task, int32_t option, bool readSource) {
    return asBool(callHost(vst::audioMasterOfflineRead, readSource ? 1 : 0, option, task));
}

bool PluginEffect::requestHostOfflineWrite(VstOfflineTask* task, int32_t option) {
    return asBool(callHost(vst::audioMasterOfflineWrite, 0, option, task));
}

bool PluginEffect::requestHostOfflineStart(VstAudioFile* files, int32_t fileCount, int32_t newFileCount) {
    return asBool(callHost(vst::audioMasterOfflineStart, newFileCount, fileCount, files));
}

bool PluginEffect::queryHostOfflinePass() {
    return asBool(callHost(vst::audioMasterOfflineGetCurrentPass));
}

bool PluginEffect::queryHostOfflineMetaPass() {
    return asBool(callHost(vst::audioMasterOfflineGetCurrentMetaPass));
}

void PluginEffect::requestHostMidi(int32_t filter) {
    callHost(vst::audioMasterWantMidi, 0, filter);
}

int32_t PluginEffect::queryHostTempoAt(int32_t position) {
    return asInt32(callHost(vst::audioMasterTempoAt, 0, position));
}

int32_t PluginEffect::queryHostAutomatableCount() {
    return asInt32(callHost(vst::audioMasterGetNumAutomatableParameters));
}

int32_t PluginEffect::queryHostQuantization() {
    return asInt32(callHost(vst::audioMasterGetParameterQuantization));
}

bool PluginEffect::queryHostNeedIdle() {
    return asBool(callHost(vst::audioMasterNeedIdle));
}

// The pin numbers are not part of these two requests.
AEffect* PluginEffect::queryHostPreviousPlug(int32_t /*input*/) {
    return reinterpret_cast<AEffect*>(callHost(vst::audioMasterGetPreviousPlug));
}

AEffect* PluginEffect::queryHostNextPlug(int32_t /*output*/) {
    return reinterpret_cast<AEffect*>(callHost(vst::audioMasterGetNextPlug));
}

int32_t PluginEffect::queryHostReplaceOrAccumulate() {
    return asInt32(callHost(vst::audioMasterWillReplaceOrAccumulate));
}

void PluginEffect::tellHostOutputSampleRate(float rate) {
    callHost(vst::audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}

VstSpeakerArrangement* PluginEffect::queryHostInputArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(vst::audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* PluginEffect::queryHostOutputArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(vst::audioMasterGetOutputSpeakerArrangement));
}

void* PluginEffect::requestHostOpenWindow(VstWindow* window) {
    return reinterpret_cast<void*>(callHost(vst::audioMasterOpenWindow, 0, 0, window));
}

bool PluginEffect::requestHostCloseWindow(VstWindow* window) {
    return asBool(callHost(vst::audioMasterCloseWindow, 0, 0, window));
}

bool PluginEffect::queryHostChunkFile(void* nativePath) {
    return nativePath && asBool(callHost(vst::audioMasterGetChunkFile, 0, 0, nativePath));
}

} // namespace tovrel
