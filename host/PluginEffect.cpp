#include "host/PluginEffect.h"

#include "host/PluginEditor.h"
#include "host/ValueText.h"

#include <cmath>
#include <cstring>

namespace tovrel {

namespace {

constexpr int32_t kPlaceholderUniqueId = 0x4E6F4566; // 'NoEf', replaced by every effect

intptr_t asFlag(bool answer) {
    return answer ? 1 : 0;
}

PluginEffect* effectOf(AEffect* record) {
    return static_cast<PluginEffect*>(record->object);
}

// Truncation toward zero of the host's modifier float, as the key record wants a byte. Values
// that fit no integer give 0 rather than undefined behaviour.
// Deliberate: saturates where a plain conversion would be undefined (docs/deliberate-choices.md).
uint8_t modifierByte(float opt) {
    if (!(opt > -2147483648.0f && opt < 2147483648.0f))
        return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(opt) & 0xFF);
}

} // namespace

void copyText(char* destination, const char* source, int32_t maxLen) {
    if (!destination || maxLen < 0)
        return;
    std::strncpy(destination, source, static_cast<size_t>(maxLen));
    destination[maxLen] = '\0';
}

PluginEffect::PluginEffect(HostCallback callback, int32_t numPrograms, int32_t numParams)
    : hostCallback(callback), programCount(numPrograms), parameterCount(numParams) {
    std::memset(&record, 0, sizeof(record));
    record.flags |= vst::effFlagsCanReplacing;
    record.dispatcher = &PluginEffect::recordDispatcher;
    record.process = &PluginEffect::recordProcess;
    record.setParameter = &PluginEffect::recordSetParameter;
    record.getParameter = &PluginEffect::recordGetParameter;
    record.processReplacing = &PluginEffect::recordProcessReplacing;
    record.processDoubleReplacing = &PluginEffect::recordProcessDoubleReplacing;
    record.magic = vst::kEffectMagic;
    record.numPrograms = numPrograms;
    record.numParams = numParams;
    record.numInputs = 1;
    record.numOutputs = 2;
    record.ioRatio = 1.0f;
    record.object = this;
    record.uniqueID = kPlaceholderUniqueId;
    record.version = 1;
}

PluginEffect::~PluginEffect() {
    // Before the members: the editor may still ask the effect for its values.
    editor.reset();
}

void PluginEffect::attachEditor(std::unique_ptr<PluginEditor> newEditor) {
    markFlag(vst::effFlagsHasEditor, newEditor != nullptr);
    editor = std::move(newEditor);
}

void PluginEffect::markFlag(int32_t flag, bool on) {
    if (on)
        record.flags |= flag;
    else
        record.flags &= ~flag;
}

// --- Record entries -------------------------------------------------------------------------

intptr_t VST_CALL PluginEffect::recordDispatcher(AEffect* effect, int32_t opcode, int32_t index,
                                                 intptr_t value, void* ptr, float opt) {
    PluginEffect* object = effectOf(effect);
    const intptr_t result = object->dispatch(opcode, index, value, ptr, opt);
    if (opcode == vst::effClose) {
        delete object;
        return 1;
    }
    return result;
}

void VST_CALL PluginEffect::recordProcess(AEffect* effect, float** inputs, float** outputs,
                                          int32_t sampleFrames) {
    effectOf(effect)->processAccumulating(inputs, outputs, sampleFrames);
}

void VST_CALL PluginEffect::recordSetParameter(AEffect* effect, int32_t index, float value) {
    effectOf(effect)->setParameter(index, value);
}

float VST_CALL PluginEffect::recordGetParameter(AEffect* effect, int32_t index) {
    return effectOf(effect)->getParameter(index);
}

void VST_CALL PluginEffect::recordProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                                   int32_t sampleFrames) {
    effectOf(effect)->processReplacing(inputs, outputs, sampleFrames);
}

void VST_CALL PluginEffect::recordProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                                         int32_t sampleFrames) {
    effectOf(effect)->processDoubleReplacing(inputs, outputs, sampleFrames);
}

// --- Dispatcher -----------------------------------------------------------------------------

intptr_t PluginEffect::dispatchBase(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case vst::effOpen:
        onOpen();
        return 0;
    case vst::effClose:
        onClose();
        return 0;
    case vst::effSetProgram:
        if (value < static_cast<intptr_t>(programCount))
            onSetProgram(static_cast<int32_t>(value));
        return 0;
    case vst::effGetProgram:
        return onGetProgram();
    case vst::effSetProgramName:
        if (text)
            onSetProgramName(text);
        return 0;
    case vst::effGetProgramName:
        if (text)
            onGetProgramName(text);
        return 0;
    case vst::effGetParamLabel:
        if (text)
            onGetParamLabel(index, text);
        return 0;
    case vst::effGetParamDisplay:
        if (text)
            onGetParamDisplay(index, text);
        return 0;
    case vst::effGetParamName:
        if (text)
            onGetParamName(index, text);
        return 0;
    case vst::effSetSampleRate:
        onSetSampleRate(opt);
        return 0;
    case vst::effSetBlockSize:
        onSetBlockSize(static_cast<int32_t>(value));
        return 0;
    case vst::effMainsChanged:
        if (value == 0)
            onMainsOff();
        else
            onMainsOn();
        return 0;
    case vst::effEditGetRect:
        return editor ? asFlag(editor->onEditGetRect(static_cast<ERect**>(ptr))) : 0;
    case vst::effEditOpen:
        return editor ? asFlag(editor->onEditOpen(ptr)) : 0;
    case vst::effEditClose:
        if (editor)
            editor->onEditClose();
        return 0;
    case vst::effEditIdle:
        if (editor)
            editor->onEditIdle();
        return 0;
    case vst::effIdentify:
        return vst::kIdentifyAnswer;
    case vst::effGetChunk:
        return onGetChunk(static_cast<void**>(ptr), index != 0);
    case vst::effSetChunk:
        return onSetChunk(ptr, static_cast<int32_t>(value), index != 0);
    default:
        return 0;
    }
}

intptr_t PluginEffect::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case vst::effProcessEvents:
        return onProcessEvents(static_cast<VstEvents*>(ptr));
    case vst::effCanBeAutomated:
        return asFlag(onCanBeAutomated(index));
    case vst::effString2Parameter:
        return asFlag(onString2Parameter(index, text));
    case vst::effGetProgramNameIndexed:
        return asFlag(onGetProgramNameIndexed(static_cast<int32_t>(value), index, text));
    case vst::effGetInputProperties:
        return asFlag(onGetInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case vst::effGetOutputProperties:
        return asFlag(onGetOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case vst::effGetPlugCategory:
        return onGetPlugCategory();
    case vst::effOfflineNotify:
        return asFlag(
            onOfflineNotify(static_cast<VstAudioFile*>(ptr), static_cast<int32_t>(value), index != 0));
    case vst::effOfflinePrepare:
        return asFlag(onOfflinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value)));
    case vst::effOfflineRun:
        return asFlag(onOfflineRun(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value)));
    case vst::effProcessVarIo:
        return asFlag(onProcessVarIo(static_cast<VstVariableIo*>(ptr)));
    case vst::effSetSpeakerArrangement:
        return asFlag(onSetSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                              static_cast<VstSpeakerArrangement*>(ptr)));
    case vst::effSetBypass:
        return asFlag(onSetBypass(value != 0));
    case vst::effGetEffectName:
        return text ? asFlag(onGetEffectName(text)) : 0;
    case vst::effGetVendorString:
        return text ? asFlag(onGetVendorString(text)) : 0;
    case vst::effGetProductString:
        return text ? asFlag(onGetProductString(text)) : 0;
    case vst::effGetVendorVersion:
        return onGetVendorVersion();
    case vst::effVendorSpecific:
        return onVendorSpecific(index, value, ptr, opt);
    case vst::effCanDo:
        return text ? onCanDo(text) : 0;
    case vst::effGetTailSize:
        return onGetTailSize();
    case vst::effGetParameterProperties:
        return asFlag(onGetParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case vst::effGetVstVersion:
        return onGetVstVersion();
    case vst::effEditKeyDown:
    case vst::effEditKeyUp: {
        if (!editor)
            return 0;
        VstKeyCode key{};
        key.character = index;
        key.virt = static_cast<uint8_t>(value & 0xFF);
        key.modifier = modifierByte(opt);
        return asFlag(opcode == vst::effEditKeyDown ? editor->onEditKeyDown(key) : editor->onEditKeyUp(key));
    }
    case vst::effSetEditKnobMode:
        return editor ? asFlag(editor->onSetEditKnobMode(static_cast<int32_t>(value))) : 0;
    case vst::effGetMidiProgramName:
        return onGetMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case vst::effGetCurrentMidiProgram:
        return onGetCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case vst::effGetMidiProgramCategory:
        return onGetMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case vst::effHasMidiProgramsChanged:
        return asFlag(onHasMidiProgramsChanged(index));
    case vst::effGetMidiKeyName:
        return asFlag(onGetMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case vst::effBeginSetProgram:
        return asFlag(onBeginSetProgram());
    case vst::effEndSetProgram:
        return asFlag(onEndSetProgram());
    case vst::effGetSpeakerArrangement:
        return asFlag(onGetSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                              static_cast<VstSpeakerArrangement**>(ptr)));
    case vst::effShellGetNextPlugin:
        return onShellGetNextPlugin(text);
    case vst::effStartProcess:
        return onStartProcess();
    case vst::effStopProcess:
        return onStopProcess();
    case vst::effSetTotalSampleToProcess:
        return onSetTotalSampleToProcess(static_cast<int32_t>(value));
    case vst::effSetPanLaw:
        return asFlag(onSetPanLaw(static_cast<int32_t>(value), opt));
    case vst::effBeginLoadBank:
        return onBeginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case vst::effBeginLoadProgram:
        return onBeginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    case vst::effSetProcessPrecision:
        return asFlag(onSetProcessPrecision(static_cast<int32_t>(value)));
    case vst::effGetNumMidiInputChannels:
        return onGetNumMidiInputChannels();
    case vst::effGetNumMidiOutputChannels:
        return onGetNumMidiOutputChannels();
    default:
        return dispatchBase(opcode, index, value, ptr, opt);
    }
}

// --- Defaults -------------------------------------------------------------------------------

void PluginEffect::onMainsOn() {
    char receiveMidi[] = "receiveVstMidiEvent";
    if ((record.flags & vst::effFlagsIsSynth) || onCanDo(receiveMidi) == 1)
        requestHostMidi(1);
}

void PluginEffect::automateParameter(int32_t index, float value) {
    setParameter(index, value);
    callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
}

void PluginEffect::onGetProgramName(char* name) {
    name[0] = '\0';
}
void PluginEffect::onGetParamLabel(int32_t, char* text) {
    text[0] = '\0';
}
void PluginEffect::onGetParamDisplay(int32_t, char* text) {
    text[0] = '\0';
}
void PluginEffect::onGetParamName(int32_t, char* text) {
    text[0] = '\0';
}

// Every effect names itself; an effect that does not answers with empty texts and no version.
bool PluginEffect::onGetEffectName(char* text) {
    text[0] = '\0';
    return false;
}
bool PluginEffect::onGetVendorString(char* text) {
    text[0] = '\0';
    return false;
}
bool PluginEffect::onGetProductString(char* text) {
    text[0] = '\0';
    return false;
}

bool PluginEffect::onGetSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
    if (input)
        *input = nullptr;
    if (output)
        *output = nullptr;
    return false;
}

// --- Value-to-text --------------------------------------------------------------------------

void PluginEffect::formatDecibels(float value, char* text, int32_t maxLen) {
    formatDecibelText(value, text, maxLen);
}

void PluginEffect::formatHertz(float samples, char* text, int32_t maxLen) {
    formatFloatText(samples == 0.0f ? 0.0f : currentSampleRate() / samples, text, maxLen);
}

void PluginEffect::formatMilliseconds(float samples, char* text, int32_t maxLen) {
    formatFloatText(samples * 1000.0f / currentSampleRate(), text, maxLen);
}

void PluginEffect::formatFloat(float value, char* text, int32_t maxLen) {
    formatFloatText(value, text, maxLen);
}

void PluginEffect::formatInteger(int32_t value, char* text, int32_t maxLen) {
    formatIntegerText(value, text, maxLen);
}

} // namespace tovrel
