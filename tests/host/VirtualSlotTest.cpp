#include "support/VirtualSlot.h"
#include "host/PluginEditor.h"
#include "host/PluginEffect.h"

#include <gtest/gtest.h>

namespace tovrel {
namespace {

using test::SlotRow;

// The effect base and the editor base keep their virtual operations in the order of their tables:
// slot 0 the destructor, then each operation at its number. (The toolkit's classes and the
// Windows editor base are checked in the toolkit's tests.)
#define SLOT(number, operation) test::slotRow(#operation, number, &Probe::operation)

struct PluginEffectTable : PluginEffect {
    using Probe = PluginEffectTable;
    static std::vector<SlotRow> rows() {
        // clang-format off
        return {
            SLOT(1, dispatch), SLOT(2, onOpen), SLOT(3, onClose), SLOT(4, onMainsOff), SLOT(5, onMainsOn),
            SLOT(6, onSetSampleRate), SLOT(7, onSetBlockSize), SLOT(8, processReplacing),
            SLOT(9, processDoubleReplacing), SLOT(10, setParameter), SLOT(11, getParameter),
            SLOT(12, automateParameter), SLOT(13, onGetProgram), SLOT(14, onSetProgram),
            SLOT(15, onSetProgramName), SLOT(16, onGetProgramName), SLOT(17, onGetParamLabel),
            SLOT(18, onGetParamDisplay), SLOT(19, onGetParamName), SLOT(20, onGetChunk), SLOT(21, onSetChunk),
            SLOT(22, assignUniqueId), SLOT(23, assignInputCount), SLOT(24, assignOutputCount),
            SLOT(25, markReplacing), SLOT(26, markDoubleReplacing), SLOT(27, markProgramChunks),
            SLOT(28, assignInitialDelay), SLOT(29, attachedEditor), SLOT(30, effectRecord),
            SLOT(31, currentSampleRate), SLOT(32, currentBlockSize), SLOT(33, queryHostVersion),
            SLOT(34, queryHostCurrentId), SLOT(35, giveHostIdle), SLOT(36, queryInputConnected),
            SLOT(37, queryOutputConnected), SLOT(38, formatDecibels), SLOT(39, formatHertz),
            SLOT(40, formatMilliseconds), SLOT(41, formatFloat), SLOT(42, formatInteger),
            SLOT(43, processAccumulating), SLOT(44, vuLevel), SLOT(45, markVu), SLOT(46, markClip),
            SLOT(47, markMono), SLOT(48, assignRealtimeQualities), SLOT(49, assignOfflineQualities),
            SLOT(50, onCanBeAutomated), SLOT(51, onString2Parameter), SLOT(52, onGetParameterProperties),
            SLOT(53, notifyHostBeginEdit), SLOT(54, notifyHostEndEdit), SLOT(55, onGetProgramNameIndexed),
            SLOT(56, onBeginSetProgram), SLOT(57, onEndSetProgram), SLOT(58, onBeginLoadBank),
            SLOT(59, onBeginLoadProgram), SLOT(60, notifyHostIOChanged), SLOT(61, refreshSampleRate),
            SLOT(62, refreshBlockSize), SLOT(63, queryHostInputLatency), SLOT(64, queryHostOutputLatency),
            SLOT(65, onGetInputProperties), SLOT(66, onGetOutputProperties),
            SLOT(67, onSetSpeakerArrangement), SLOT(68, onGetSpeakerArrangement), SLOT(69, onSetBypass),
            SLOT(70, onSetPanLaw), SLOT(71, onSetProcessPrecision), SLOT(72, onGetNumMidiInputChannels),
            SLOT(73, onGetNumMidiOutputChannels), SLOT(74, queryHostTime), SLOT(75, queryHostProcessLevel),
            SLOT(76, queryHostAutomationState), SLOT(77, onProcessEvents), SLOT(78, onStartProcess),
            SLOT(79, onStopProcess), SLOT(80, onProcessVarIo), SLOT(81, onSetTotalSampleToProcess),
            SLOT(82, queryHostVendorString), SLOT(83, queryHostProductString),
            SLOT(84, queryHostVendorVersion), SLOT(85, callHostVendorSpecific), SLOT(86, queryHostCanDo),
            SLOT(87, queryHostLanguage), SLOT(88, markSynth), SLOT(89, markNoTail), SLOT(90, onGetTailSize),
            SLOT(91, queryHostDirectory), SLOT(92, onGetEffectName), SLOT(93, onGetVendorString),
            SLOT(94, onGetProductString), SLOT(95, onGetVendorVersion), SLOT(96, onVendorSpecific),
            SLOT(97, onCanDo), SLOT(98, onGetVstVersion), SLOT(99, onGetPlugCategory),
            SLOT(100, onGetMidiProgramName), SLOT(101, onGetCurrentMidiProgram),
            SLOT(102, onGetMidiProgramCategory), SLOT(103, onHasMidiProgramsChanged),
            SLOT(104, onGetMidiKeyName), SLOT(105, notifyHostUpdateDisplay), SLOT(106, requestHostSizeWindow),
            SLOT(107, requestHostOpenFileSelector), SLOT(108, requestHostCloseFileSelector),
            SLOT(109, onShellGetNextPlugin), SLOT(110, allocateSpeakerArrangement),
            SLOT(111, releaseSpeakerArrangement), SLOT(112, copySpeakerProperties),
            SLOT(113, matchSpeakerArrangement), SLOT(114, requestHostOfflineRead),
            SLOT(115, requestHostOfflineWrite), SLOT(116, requestHostOfflineStart),
            SLOT(117, queryHostOfflinePass), SLOT(118, queryHostOfflineMetaPass), SLOT(119, onOfflineNotify),
            SLOT(120, onOfflinePrepare), SLOT(121, onOfflineRun), SLOT(122, offlinePassCount),
            SLOT(123, offlineMetaPassCount), SLOT(124, requestHostMidi), SLOT(125, queryHostTempoAt),
            SLOT(126, queryHostAutomatableCount), SLOT(127, queryHostQuantization),
            SLOT(128, programCategoryCount), SLOT(129, copyProgramTo), SLOT(130, queryHostNeedIdle),
            SLOT(131, queryHostPreviousPlug), SLOT(132, queryHostNextPlug), SLOT(133, inputPinChanged),
            SLOT(134, outputPinChanged), SLOT(135, queryHostReplaceOrAccumulate), SLOT(136, markAsync),
            SLOT(137, markExternalBuffer), SLOT(138, currentPosition), SLOT(139, destinationBuffer),
            SLOT(140, tellHostOutputSampleRate), SLOT(141, queryHostInputArrangement),
            SLOT(142, queryHostOutputArrangement), SLOT(143, requestHostOpenWindow),
            SLOT(144, requestHostCloseWindow), SLOT(145, assignBlockSizeAndSampleRate), SLOT(146, errorText),
            SLOT(147, iconHandle), SLOT(148, placeView), SLOT(149, idleTick), SLOT(150, needsKeys),
            SLOT(151, queryHostChunkFile)
        };
        // clang-format on
    }
};

struct PluginEditorTable : PluginEditor {
    using Probe = PluginEditorTable;
    static std::vector<SlotRow> rows() {
        return {SLOT(1, ownerEffect),       SLOT(2, onEditGetRect), SLOT(3, onEditOpen),
                SLOT(4, onEditClose),       SLOT(5, isWindowOpen),  SLOT(6, onEditIdle),
                SLOT(7, onEditKeyDown),     SLOT(8, onEditKeyUp),   SLOT(9, onWheelTurn),
                SLOT(10, onSetEditKnobMode)};
    }
};

#undef SLOT

TEST(VirtualSlots, HostClassesKeepTheirTableOrder) {
    const struct {
        const char* name;
        std::vector<SlotRow> rows;
    } tables[] = {{"PluginEffect", PluginEffectTable::rows()}, {"PluginEditor", PluginEditorTable::rows()}};
    for (const auto& table : tables)
        EXPECT_EQ(test::slotOrderFault(table.rows, 1), "") << table.name;
}

} // namespace
} // namespace tovrel
