#pragma once

#include "host/VstAbi.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace tovrel {

class PluginEditor;

// Takes the effect's notices to the host (automation, begin and end of an edit gesture) before
// they are called, for an editor whose window runs on a thread of its own: such a notice made on
// that thread may be kept and called later on the host's thread. The router answers whether it
// kept the notice; a notice it does not keep is called at once.
class HostNoticeRouter {
public:
    virtual bool keepForHost(int32_t opcode, int32_t index, float value) = 0;

protected:
    ~HostNoticeRouter() = default;
};

// Base of every effect: holds the effect record the host sees, routes the dispatcher's opcodes to
// virtual operations, and wraps the calls back into the host. The virtual operations keep a fixed
// order; derived effects override the ones that give them their identity.
// Deliberate: the virtual operations keep their documented slot order (docs/deliberate-choices.md).
class PluginEffect {
public:
    PluginEffect(HostCallback callback, int32_t numPrograms, int32_t numParams);
    virtual ~PluginEffect();

    PluginEffect(const PluginEffect&) = delete;
    PluginEffect& operator=(const PluginEffect&) = delete;

    // Dispatcher and the requests it routes.
    virtual intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    virtual void onOpen() {}
    virtual void onClose() {}
    virtual void onMainsOff() {}
    virtual void onMainsOn();
    virtual void onSetSampleRate(float rate) { sampleRate = rate; }
    virtual void onSetBlockSize(int32_t size) { blockSize = size; }

    // Processing and parameters.
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, int32_t /*sampleFrames*/) {
    }
    virtual void setParameter(int32_t /*index*/, float /*value*/) {}
    virtual float getParameter(int32_t /*index*/) { return 0.0f; }
    virtual void automateParameter(int32_t index, float value);

    // Programs, parameter texts and chunks.
    virtual int32_t onGetProgram() { return currentProgram; }
    virtual void onSetProgram(int32_t program) { currentProgram = program; }
    virtual void onSetProgramName(char* /*name*/) {}
    virtual void onGetProgramName(char* name);
    virtual void onGetParamLabel(int32_t index, char* text);
    virtual void onGetParamDisplay(int32_t index, char* text);
    virtual void onGetParamName(int32_t index, char* text);
    virtual int32_t onGetChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    virtual int32_t onSetChunk(void* /*data*/, int32_t /*size*/, bool /*isPreset*/) { return 0; }

    // Record set-up.
    virtual void assignUniqueId(int32_t id) { record.uniqueID = id; }
    virtual void assignInputCount(int32_t count) { record.numInputs = count; }
    virtual void assignOutputCount(int32_t count) { record.numOutputs = count; }
    virtual void markReplacing(bool on) { markFlag(vst::effFlagsCanReplacing, on); }
    virtual void markDoubleReplacing(bool on) { markFlag(vst::effFlagsCanDoubleReplacing, on); }
    virtual void markProgramChunks(bool on) { markFlag(vst::effFlagsProgramChunks, on); }
    virtual void assignInitialDelay(int32_t frames) { record.initialDelay = frames; }
    virtual PluginEditor* attachedEditor() { return editor.get(); }
    virtual AEffect* effectRecord() { return &record; }
    virtual float currentSampleRate() { return sampleRate; }
    virtual int32_t currentBlockSize() { return blockSize; }

    // Host queries, group one.
    virtual int32_t queryHostVersion();
    virtual int32_t queryHostCurrentId();
    virtual void giveHostIdle();
    virtual bool queryInputConnected(int32_t index);
    virtual bool queryOutputConnected(int32_t index);

    // Value-to-text helpers.
    virtual void formatDecibels(float value, char* text, int32_t maxLen);
    virtual void formatHertz(float samples, char* text, int32_t maxLen);
    virtual void formatMilliseconds(float samples, char* text, int32_t maxLen);
    virtual void formatFloat(float value, char* text, int32_t maxLen);
    virtual void formatInteger(int32_t value, char* text, int32_t maxLen);

    // Deprecated processing and meters.
    virtual void processAccumulating(float** /*inputs*/, float** /*outputs*/, int32_t /*sampleFrames*/) {}
    virtual float vuLevel() { return 0.0f; }
    virtual void markVu(bool on) { markFlag(vst::effFlagsHasVu, on); }
    virtual void markClip(bool on) { markFlag(vst::effFlagsHasClip, on); }
    virtual void markMono(bool on) { markFlag(vst::effFlagsCanMono, on); }
    virtual void assignRealtimeQualities(int32_t quality) { record.realQualities = quality; }
    virtual void assignOfflineQualities(int32_t quality) { record.offQualities = quality; }

    // Parameter requests and edit gestures.
    virtual bool onCanBeAutomated(int32_t /*index*/) { return true; }
    virtual bool onString2Parameter(int32_t /*index*/, char* /*text*/) { return false; }
    virtual bool onGetParameterProperties(int32_t /*index*/, VstParameterProperties* /*properties*/) {
        return false;
    }
    virtual bool notifyHostBeginEdit(int32_t index);
    virtual bool notifyHostEndEdit(int32_t index);
    virtual bool onGetProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char* /*text*/) {
        return false;
    }
    virtual bool onBeginSetProgram() { return false; }
    virtual bool onEndSetProgram() { return false; }
    virtual int32_t onBeginLoadBank(VstPatchChunkInfo* /*info*/) { return 0; }
    virtual int32_t onBeginLoadProgram(VstPatchChunkInfo* /*info*/) { return 0; }

    // Host queries, group two.
    virtual bool notifyHostIOChanged();
    virtual double refreshSampleRate();
    virtual int32_t refreshBlockSize();
    virtual int32_t queryHostInputLatency();
    virtual int32_t queryHostOutputLatency();

    // Pins, speakers and processing modes.
    virtual bool onGetInputProperties(int32_t /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool onGetOutputProperties(int32_t /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool onSetSpeakerArrangement(VstSpeakerArrangement* /*input*/,
                                         VstSpeakerArrangement* /*output*/) {
        return false;
    }
    virtual bool onGetSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
    virtual bool onSetBypass(bool /*on*/) { return false; }
    virtual bool onSetPanLaw(int32_t /*type*/, float /*gain*/) { return false; }
    virtual bool onSetProcessPrecision(int32_t /*precision*/) { return false; }
    virtual int32_t onGetNumMidiInputChannels() { return 0; }
    virtual int32_t onGetNumMidiOutputChannels() { return 0; }

    // Host queries, group three.
    virtual VstTimeInfo* queryHostTime(int32_t filter);
    virtual int32_t queryHostProcessLevel();
    virtual int32_t queryHostAutomationState();

    // Events and offline processing.
    virtual int32_t onProcessEvents(VstEvents* /*events*/) { return 0; }
    virtual int32_t onStartProcess() { return 0; }
    virtual int32_t onStopProcess() { return 0; }
    virtual bool onProcessVarIo(VstVariableIo* /*io*/) { return false; }
    virtual int32_t onSetTotalSampleToProcess(int32_t count) { return count; }

    // Host identity.
    virtual bool queryHostVendorString(char* text);
    virtual bool queryHostProductString(char* text);
    virtual int32_t queryHostVendorVersion();
    virtual intptr_t callHostVendorSpecific(int32_t arg1, intptr_t arg2, void* ptr, float opt);
    virtual int32_t queryHostCanDo(char* text);
    virtual int32_t queryHostLanguage();
    virtual void markSynth(bool on) { markFlag(vst::effFlagsIsSynth, on); }
    virtual void markNoTail(bool on) { markFlag(vst::effFlagsNoSoundInStop, on); }
    virtual int32_t onGetTailSize() { return 0; }
    virtual void* queryHostDirectory();

    // Effect identity.
    virtual bool onGetEffectName(char* text);
    virtual bool onGetVendorString(char* text);
    virtual bool onGetProductString(char* text);
    virtual int32_t onGetVendorVersion() { return 0; }
    virtual intptr_t onVendorSpecific(int32_t /*index*/, intptr_t /*value*/, void* /*ptr*/, float /*opt*/) {
        return 0;
    }
    virtual int32_t onCanDo(char* /*text*/) { return 0; }
    virtual int32_t onGetVstVersion() { return vst::kVstVersion; }
    virtual int32_t onGetPlugCategory() { return (record.flags & vst::effFlagsIsSynth) ? 2 : 0; }

    // MIDI programs.
    virtual int32_t onGetMidiProgramName(int32_t /*channel*/, MidiProgramName* /*name*/) { return 0; }
    virtual int32_t onGetCurrentMidiProgram(int32_t /*channel*/, MidiProgramName* /*name*/) { return -1; }
    virtual int32_t onGetMidiProgramCategory(int32_t /*channel*/, MidiProgramCategory* /*category*/) {
        return 0;
    }
    virtual bool onHasMidiProgramsChanged(int32_t /*channel*/) { return false; }
    virtual bool onGetMidiKeyName(int32_t /*channel*/, MidiKeyName* /*name*/) { return false; }

    // Display, windows and shells.
    virtual bool notifyHostUpdateDisplay();
    virtual bool requestHostSizeWindow(int32_t width, int32_t height);
    virtual bool requestHostOpenFileSelector(VstFileSelect* select);
    virtual bool requestHostCloseFileSelector(VstFileSelect* select);
    virtual int32_t onShellGetNextPlugin(char* /*name*/) { return 0; }

    // Speaker arrangement tools.
    virtual bool allocateSpeakerArrangement(VstSpeakerArrangement** slot, int32_t channels);
    virtual bool releaseSpeakerArrangement(VstSpeakerArrangement** slot);
    virtual bool copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from);
    virtual bool matchSpeakerArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);

    // Offline processing.
    virtual bool requestHostOfflineRead(VstOfflineTask* task, int32_t option, bool readSource);
    virtual bool requestHostOfflineWrite(VstOfflineTask* task, int32_t option);
    virtual bool requestHostOfflineStart(VstAudioFile* files, int32_t fileCount, int32_t newFileCount);
    virtual bool queryHostOfflinePass();
    virtual bool queryHostOfflineMetaPass();
    virtual bool onOfflineNotify(VstAudioFile* /*files*/, int32_t /*fileCount*/, bool /*start*/) {
        return false;
    }
    virtual bool onOfflinePrepare(VstOfflineTask* /*tasks*/, int32_t /*count*/) { return false; }
    virtual bool onOfflineRun(VstOfflineTask* /*tasks*/, int32_t /*count*/) { return false; }
    virtual int32_t offlinePassCount() { return 0; }
    virtual int32_t offlineMetaPassCount() { return 0; }

    // Rarely used host requests.
    virtual void requestHostMidi(int32_t filter);
    virtual int32_t queryHostTempoAt(int32_t position);
    virtual int32_t queryHostAutomatableCount();
    virtual int32_t queryHostQuantization();
    virtual int32_t programCategoryCount() { return 1; }
    virtual bool copyProgramTo(int32_t /*destination*/) { return false; }
    virtual bool queryHostNeedIdle();
    virtual AEffect* queryHostPreviousPlug(int32_t input);
    virtual AEffect* queryHostNextPlug(int32_t output);
    virtual void inputPinChanged(int32_t /*index*/, bool /*state*/) {}
    virtual void outputPinChanged(int32_t /*index*/, bool /*state*/) {}
    virtual int32_t queryHostReplaceOrAccumulate();
    virtual void markAsync(bool on) { markFlag(vst::effFlagsExtIsAsync, on); }
    virtual void markExternalBuffer(bool on) { markFlag(vst::effFlagsExtHasBuffer, on); }
    virtual int32_t currentPosition() { return 0; }
    virtual float* destinationBuffer() { return nullptr; }
    virtual void tellHostOutputSampleRate(float rate);
    virtual VstSpeakerArrangement* queryHostInputArrangement();
    virtual VstSpeakerArrangement* queryHostOutputArrangement();
    virtual void* requestHostOpenWindow(VstWindow* window);
    virtual bool requestHostCloseWindow(VstWindow* window);
    virtual void assignBlockSizeAndSampleRate(int32_t size, float rate) {
        blockSize = size;
        sampleRate = rate;
    }
    virtual bool errorText(char* /*text*/) { return false; }
    virtual void* iconHandle() { return nullptr; }
    virtual bool placeView(int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual int32_t idleTick() { return 0; }
    virtual bool needsKeys() { return false; }
    virtual bool queryHostChunkFile(void* nativePath);

    // The effect owns the editor from then on and tells the host that there is an editor.
    void attachEditor(std::unique_ptr<PluginEditor> newEditor);

    // The record entries: each finds the effect through the record's object field.
    static intptr_t VST_CALL recordDispatcher(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                              void* ptr, float opt);
    static void VST_CALL recordProcess(AEffect* effect, float** inputs, float** outputs,
                                       int32_t sampleFrames);
    static void VST_CALL recordSetParameter(AEffect* effect, int32_t index, float value);
    static float VST_CALL recordGetParameter(AEffect* effect, int32_t index);
    static void VST_CALL recordProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                                int32_t sampleFrames);
    static void VST_CALL recordProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                                      int32_t sampleFrames);

    // The router of the notices to the host (none by default), and the call of a notice it kept,
    // which goes to the host directly.
    void setHostNoticeRouter(HostNoticeRouter* router) {
        noticeRouter.store(router, std::memory_order_release);
    }
    HostNoticeRouter* hostNoticeRouter() const { return noticeRouter.load(std::memory_order_acquire); }
    intptr_t callHostWithNotice(int32_t opcode, int32_t index, float value);

protected:
    // Handles the opcodes 0 to 24; everything else answers 0.
    intptr_t dispatchBase(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    // One call into the host; a missing callback answers 0 without a call.
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);

    void markFlag(int32_t flag, bool on);

    HostCallback hostCallback{nullptr}; // not owned
    std::unique_ptr<PluginEditor> editor;
    std::atomic<HostNoticeRouter*> noticeRouter{nullptr};
    float sampleRate{44100.0f};
    int32_t blockSize{1024};
    int32_t programCount{0};
    int32_t parameterCount{0};
    int32_t currentProgram{0};
    AEffect record{};
};

// Copies at most maxLen characters of source and writes a NUL at position maxLen (or earlier,
// right after the copied text), as the interface's text fields require.
void copyText(char* destination, const char* source, int32_t maxLen);

} // namespace tovrel
