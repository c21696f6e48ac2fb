// The callback table: every callback name the panel resource may bind, and
// the function it stands for. A name the resource uses but this table lacks
// makes the panel fail to load, so the two cannot drift apart.
#include <cstring>
#include <iterator>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "platform/panels.h"
#include "popup.h"

namespace {

const CallbackDef kCallbacks[] = {
    {"CC_PANEL", nullptr, &CC_PANEL},
    {"CC_POPUP", nullptr, &CC_POPUP},
    {"CC_STATS", nullptr, &CC_STATS},
    {"CC_COMPARE", nullptr, &CC_COMPARE},
    {"CC_BTNCompare", &CC_BTNCompare, nullptr},
    {"CC_BTNFetchColumn", &CC_BTNFetchColumn, nullptr},
    {"CC_BTNGet", &CC_BTNGet, nullptr},
    {"CC_BTNSend", &CC_BTNSend, nullptr},
    {"CC_CHKVerifySend", &CC_CHKVerifySend, nullptr},
    {"CC_ButtonTeach", &CC_ButtonTeach, nullptr},
    {"CC_RBTRam", &CC_RBTRam, nullptr},
    {"CC_RBTEeprom", &CC_RBTEeprom, nullptr},
    {"CC_RBTFile", &CC_RBTFile, nullptr},
    {"CC_TOGGBTN_Para0", &CC_TOGGBTN_Para0, nullptr},
    {"CC_TOGGBTN_Para1", &CC_TOGGBTN_Para1, nullptr},
    {"CC_TOGGBTN_Para2", &CC_TOGGBTN_Para2, nullptr},
    {"CC_TOGGBTN_Calib", &CC_TOGGBTN_Calib, nullptr},
    {"CC_HelpText1", &CC_HelpText1, nullptr},
    {"CC_HelpText2", &CC_HelpText2, nullptr},
    {"CC_TOGBTN_Zoom", &CC_TOGBTN_Zoom, nullptr},
    {"CC_NEDITTolLeff", &CC_NEDITTolLeff, nullptr},
    {"CC_BTNRun", &CC_BTNRun, nullptr},
    {"CC_BTNFindSensor", &CC_BTNFindSensor, nullptr},
    {"CC_BTNVideo", &CC_BTNVideo, nullptr},
    {"CC_BTNData", &CC_BTNData, nullptr},
    {"CC_BTNStop", &CC_BTNStop, nullptr},
    {"CC_ButtonReset", &CC_ButtonReset, nullptr},
    {"CC_DropDCom", &CC_DropDCom, nullptr},
    {"CC_TOGGBTN_Recorder", &CC_TOGGBTN_Recorder, nullptr},
    {"CC_BTNWriteXFMA", &CC_BTNWriteXFMA, nullptr},
    {"CC_BTNWriteXFSL", &CC_BTNWriteXFSL, nullptr},
    {"CC_RecordFileNameBtn", &CC_RecordFileNameBtn, nullptr},
    {"CC_BTNStartRecord", &CC_BTNStartRecord, nullptr},
    {"CC_BTNStopRecord", &CC_BTNStopRecord, nullptr},
    {"CC_NEDITRecTime", &CC_NEDITRecTime, nullptr},
    {"CC_NEDITRecSamples", &CC_NEDITRecSamples, nullptr},
    {"CC_TOGGBTN_Stats", &CC_TOGGBTN_Stats, nullptr},
    {"CC_BTNClear", &CC_BTNClear, nullptr},
    {"CC_STATSHelp", &CC_STATSHelp, nullptr},
    {"CC_STATSHelpText", &CC_STATSHelpText, nullptr},
    {"CC_GRAPHVideoMaster", &CC_GRAPHVideoMaster, nullptr},
    {"CC_GRAPHVideoSlave", &CC_GRAPHVideoSlave, nullptr},
    {"CC_GRAPHDataMaster", &CC_GRAPHDataMaster, nullptr},
    {"CC_GRAPHDataSlave", &CC_GRAPHDataSlave, nullptr},
    {"CC_DropEvalMode", &CC_DropEvalMode, nullptr},
    {"CC_DROPHardwareMode", &CC_DROPHardwareMode, nullptr},
    {"CC_DROPAnaMode", &CC_DROPAnaMode, nullptr},
    {"CC_SLIDEVideoTHD_A", &CC_SLIDEVideoTHD_A, nullptr},
    {"CC_SLIDEVideoTHD_B", &CC_SLIDEVideoTHD_B, nullptr},
    {"CC_NEDITeachA", &CC_NEDITeachA, nullptr},
    {"CC_NEDITeachB", &CC_NEDITeachB, nullptr},
    {"CC_NUMToleranceUP", &CC_NUMToleranceUP, nullptr},
    {"CC_NUMToleranceLO", &CC_NUMToleranceLO, nullptr},
    {"CC_NUMTriggThresholdA", &CC_NUMTriggThresholdA, nullptr},
    {"CC_NUMTriggThresholdB", &CC_NUMTriggThresholdB, nullptr},
    {"CC_NUMTeachA", &CC_NUMTeachA, nullptr},
    {"CC_NUMTeachB", &CC_NUMTeachB, nullptr},
    {"CC_DROPpmodeA", &CC_DROPpmodeA, nullptr},
    {"CC_DROPpmodeB", &CC_DROPpmodeB, nullptr},
};

}  // namespace

CtrlCallbackPtr CallbackNamed(const char* name) {
    for (const CallbackDef& c : kCallbacks)
        if (std::strcmp(c.name, name) == 0)
            return c.control;
    return nullptr;
}

void RegisterProgramCallbacks() {
    RegisterCallbacks(kCallbacks);
}
