#pragma once

// The VST 2.4 binary interface as this plug-in uses it: the effect record, the small records the
// dispatcher builds or fills, the opcodes and the flag bits. Records that the plug-in only passes
// through are declared incomplete.

#include <cstddef>
#include <cstdint>

// 32-bit hosts call every entry with the C calling convention; say so explicitly so that no
// compiler default can change it. 64-bit code has a single convention.
#if defined(_WIN32) && !defined(_WIN64)
#define VST_CALL __cdecl
#elif defined(__i386__)
#define VST_CALL __attribute__((cdecl))
#else
#define VST_CALL
#endif

struct AEffect;

using HostCallback = intptr_t(VST_CALL*)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                         void* ptr, float opt);
using DispatcherProc = intptr_t(VST_CALL*)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                           void* ptr, float opt);
using ProcessProc = void(VST_CALL*)(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames);
using ProcessDoubleProc = void(VST_CALL*)(AEffect* effect, double** inputs, double** outputs,
                                          int32_t sampleFrames);
using SetParameterProc = void(VST_CALL*)(AEffect* effect, int32_t index, float value);
using GetParameterProc = float(VST_CALL*)(AEffect* effect, int32_t index);

struct AEffect {
    int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process;
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1;
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32_t uniqueID;
    int32_t version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

// Hosts read the record by offset: every build must lay it out exactly so.
#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(AEffect) == 192, "64-bit effect record is 192 bytes");
static_assert(offsetof(AEffect, dispatcher) == 8 && offsetof(AEffect, process) == 16 &&
              offsetof(AEffect, setParameter) == 24 && offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40 && offsetof(AEffect, numParams) == 44 &&
              offsetof(AEffect, numInputs) == 48 && offsetof(AEffect, numOutputs) == 52 &&
              offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64 && offsetof(AEffect, resvd2) == 72 &&
              offsetof(AEffect, initialDelay) == 80 && offsetof(AEffect, realQualities) == 84 &&
              offsetof(AEffect, offQualities) == 88 && offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96 && offsetof(AEffect, user) == 104 &&
              offsetof(AEffect, uniqueID) == 112 && offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120 &&
              offsetof(AEffect, processDoubleReplacing) == 128 && offsetof(AEffect, future) == 136);
#else
static_assert(sizeof(AEffect) == 144, "32-bit effect record is 144 bytes");
static_assert(offsetof(AEffect, dispatcher) == 4 && offsetof(AEffect, process) == 8 &&
              offsetof(AEffect, setParameter) == 12 && offsetof(AEffect, getParameter) == 16);
static_assert(offsetof(AEffect, numPrograms) == 20 && offsetof(AEffect, numParams) == 24 &&
              offsetof(AEffect, numInputs) == 28 && offsetof(AEffect, numOutputs) == 32 &&
              offsetof(AEffect, flags) == 36);
static_assert(offsetof(AEffect, resvd1) == 40 && offsetof(AEffect, resvd2) == 44 &&
              offsetof(AEffect, initialDelay) == 48 && offsetof(AEffect, realQualities) == 52 &&
              offsetof(AEffect, offQualities) == 56 && offsetof(AEffect, ioRatio) == 60);
static_assert(offsetof(AEffect, object) == 64 && offsetof(AEffect, user) == 68 &&
              offsetof(AEffect, uniqueID) == 72 && offsetof(AEffect, version) == 76);
static_assert(offsetof(AEffect, processReplacing) == 80 && offsetof(AEffect, processDoubleReplacing) == 84 &&
              offsetof(AEffect, future) == 88);
#endif

// Editor rectangle, as the host reads it after effEditGetRect.
struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};
static_assert(sizeof(ERect) == 8);

// Key record built by the dispatcher for effEditKeyDown and effEditKeyUp.
struct VstKeyCode {
    int32_t character;
    uint8_t virt;
    uint8_t modifier;
};
static_assert(sizeof(VstKeyCode) == 8);

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    int32_t type;
    char future[28];
};
static_assert(sizeof(VstSpeakerProperties) == 112);

// The declaration has room for eight speakers; an arrangement allocated for n channels is
// 8 + n * 112 bytes.
struct VstSpeakerArrangement {
    int32_t type;
    int32_t numChannels;
    VstSpeakerProperties speakers[8];
};
static_assert(sizeof(VstSpeakerArrangement) == 904);
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8);

// Passed through untouched.
struct VstTimeInfo;
struct VstPinProperties;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstEvents;
struct VstOfflineTask;
struct VstAudioFile;
struct VstFileSelect;
struct VstParameterProperties;
struct VstPatchChunkInfo;
struct VstVariableIo;
struct VstWindow;

namespace vst {

constexpr int32_t kEffectMagic = 0x56737450; // 'VstP'
constexpr int32_t kVstVersion = 2400;

// Effect record flags.
constexpr int32_t effFlagsHasEditor = 1 << 0;
constexpr int32_t effFlagsHasClip = 1 << 1;
constexpr int32_t effFlagsHasVu = 1 << 2;
constexpr int32_t effFlagsCanMono = 1 << 3;
constexpr int32_t effFlagsCanReplacing = 1 << 4;
constexpr int32_t effFlagsProgramChunks = 1 << 5;
constexpr int32_t effFlagsIsSynth = 1 << 8;
constexpr int32_t effFlagsNoSoundInStop = 1 << 9;
constexpr int32_t effFlagsExtIsAsync = 1 << 10;
constexpr int32_t effFlagsExtHasBuffer = 1 << 11;
constexpr int32_t effFlagsCanDoubleReplacing = 1 << 12;

// Opcodes the host sends through the dispatcher.
enum EffectOpcode : int32_t {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effGetVu = 9,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditDraw = 16,
    effEditMouse = 17,
    effEditKey = 18,
    effEditIdle = 19,
    effEditTop = 20,
    effEditSleep = 21,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetNumProgramCategories = 28,
    effGetProgramNameIndexed = 29,
    effCopyProgram = 30,
    effConnectInput = 31,
    effConnectOutput = 32,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effGetCurrentPosition = 36,
    effGetDestinationBuffer = 37,
    effOfflineNotify = 38,
    effOfflinePrepare = 39,
    effOfflineRun = 40,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effSetBlockSizeAndSampleRate = 43,
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetErrorText = 46,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53,
    effGetIcon = 54,
    effSetViewPosition = 55,
    effGetParameterProperties = 56,
    effKeysRequired = 57,
    effGetVstVersion = 58,
    effEditKeyDown = 59,
    effEditKeyUp = 60,
    effSetEditKnobMode = 61,
    effGetMidiProgramName = 62,
    effGetCurrentMidiProgram = 63,
    effGetMidiProgramCategory = 64,
    effHasMidiProgramsChanged = 65,
    effGetMidiKeyName = 66,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effGetSpeakerArrangement = 69,
    effShellGetNextPlugin = 70,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetTotalSampleToProcess = 73,
    effSetPanLaw = 74,
    effBeginLoadBank = 75,
    effBeginLoadProgram = 76,
    effSetProcessPrecision = 77,
    effGetNumMidiInputChannels = 78,
    effGetNumMidiOutputChannels = 79,
};

// The answer to the deprecated effIdentify: the characters N v E f.
constexpr intptr_t kIdentifyAnswer = 0x4E764566;

// Opcodes the plug-in sends through the host callback.
enum HostOpcode : int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterTempoAt = 10,
    audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12,
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21,
    audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,
    audioMasterGetOutputSpeakerArrangement = 31,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
    audioMasterGetChunkFile = 48,
    audioMasterGetInputSpeakerArrangement = 49,
};

// Text limits of the interface, not counting the terminating NUL.
constexpr int32_t kMaxParamStrLen = 8;
constexpr int32_t kMaxProgNameLen = 24;
constexpr int32_t kMaxEffectNameLen = 32;
constexpr int32_t kMaxVendorStrLen = 64;
constexpr int32_t kMaxProductStrLen = 64;

// The VstKeyCode values the editor acts on itself: Tab and Shift+Tab walk the keyboard focus.
constexpr uint8_t VKEY_TAB = 2;
constexpr uint8_t MODIFIER_SHIFT = 1;

} // namespace vst
