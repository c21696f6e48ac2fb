// The callback table: every callback name the panel resource may bind, and
// the function it stands for. A name the resource uses but this table lacks
// makes the panel fail to load, so the two cannot drift apart.
#include <iterator>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "platform/panels.h"

namespace {

// Operations this version does not carry yet: the operator is told so
// instead of a button that silently does nothing.
template <int Event>
int NotYetAvailable(int panel, int control, int event, void*, int, int) {
    if (event != Event)
        return 0;
    std::string name;
    GetCtrlVal(panel, control, name);
    const std::string text =
        (name.empty() ? std::string("This function") : name) + ": not available in this version";
    ShowStatusText(text.c_str());
    return 0;
}

// Field callbacks whose immediate display effects are still to come; the
// values themselves are read from the fields when the set is sent or saved.
int Quiet(int, int, int, void*, int, int) {
    return 0;
}

constexpr auto kOnCommit = &NotYetAvailable<EVENT_COMMIT>;

const CallbackDef kCallbacks[] = {
    {"CC_PANEL", nullptr, &CC_PANEL},
    {"CC_POPUP", nullptr, &CC_POPUP},
    {"CC_BTNGet", &CC_BTNGet, nullptr},
    {"CC_BTNSend", &CC_BTNSend, nullptr},
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
    {"CC_BTNVideo", &CC_BTNVideo, nullptr},
    {"CC_BTNData", &CC_BTNData, nullptr},
    {"CC_BTNStop", &CC_BTNStop, nullptr},
    {"CC_ButtonReset", &CC_ButtonReset, nullptr},
    {"CC_DropDCom", &CC_DropDCom, nullptr},
    // Recorder and flash upload: still to come.
    {"CC_TOGGBTN_Recorder", &NotYetAvailable<EVENT_VAL_CHANGED>, nullptr},
    {"CC_BTNWriteXFMA", kOnCommit, nullptr},
    {"CC_BTNWriteXFSL", kOnCommit, nullptr},
    {"CC_RecordFileNameBtn", kOnCommit, nullptr},
    {"CC_BTNStartRecord", kOnCommit, nullptr},
    {"CC_BTNStopRecord", kOnCommit, nullptr},
    {"CC_NEDITRecTime", &Quiet, nullptr},
    {"CC_NEDITRecSamples", &Quiet, nullptr},
    // Display reactions of single controls: still to come.
    {"CC_GRAPHVideoMaster", &Quiet, nullptr},
    {"CC_GRAPHVideoSlave", &Quiet, nullptr},
    {"CC_GRAPHDataMaster", &Quiet, nullptr},
    {"CC_GRAPHDataSlave", &Quiet, nullptr},
    {"CC_DropEvalMode", &Quiet, nullptr},
    {"CC_DROPHardwareMode", &Quiet, nullptr},
    {"CC_DROPAnaMode", &Quiet, nullptr},
    {"CC_SLIDEVideoTHD_A", &Quiet, nullptr},
    {"CC_SLIDEVideoTHD_B", &Quiet, nullptr},
    {"CC_NEDITeachA", &Quiet, nullptr},
    {"CC_NEDITeachB", &Quiet, nullptr},
    {"CC_NUMToleranceUP", &Quiet, nullptr},
    {"CC_NUMToleranceLO", &Quiet, nullptr},
    {"CC_NUMTriggThresholdA", &Quiet, nullptr},
    {"CC_NUMTriggThresholdB", &Quiet, nullptr},
    {"CC_NUMTeachA", &Quiet, nullptr},
    {"CC_NUMTeachB", &Quiet, nullptr},
    {"CC_DROPpmodeA", &Quiet, nullptr},
    {"CC_DROPpmodeB", &Quiet, nullptr},
};

}  // namespace

void RegisterProgramCallbacks() {
    RegisterCallbacks(kCallbacks);
}
