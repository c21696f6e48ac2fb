// Parameter fields that act at once and the linearisation upload.
#include "popup.h"

#include <algorithm>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/rules.h"
#include "gui.h"
#include "platform/panels.h"

std::uint16_t linArray[core::kLinTableWords];

using namespace core;

namespace {

// The help box of a sub-panel field sits `d` right of the field, in main-panel coordinates.
void HelpBesideField(int panel, int control, int d, const char* text) {
    int panelLeft = 0, panelTop = 0, top = 0, left = 0, height = 0, width = 0;
    GetPanelAttribute(panel, ATTR_LEFT, panelLeft);
    GetPanelAttribute(panel, ATTR_TOP, panelTop);
    GetCtrlBoundingRect(panel, control, top, left, height, width);
    ToggleHelp(PANEL_HelpText1, panelLeft + left + width + d, panelTop + top - 10, text);
}

unsigned short FieldValue(int panel, int control) {
    unsigned short v = 0;
    GetCtrlVal(panel, control, v);
    return v;
}

// A tolerance keeps channel A's teach value plus the tolerance inside the line.
int ToleranceField(int panel, int control, int event, int mmDisplay, const char* help) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBesideField(panel, control, 20, help);
        return 0;
    }
    if (event != EVENT_VAL_CHANGED)
        return 0;
    unsigned short v = FieldValue(panel, control);
    const int teach = parameter[kTeachA];
    const int cvp = ccdvirtpixel;
    // A teach value at or past the line's end leaves no room at all; the
    // field shows 0 rather than a difference wrapped to 65535.
    if (teach + v > cvp)
        v = static_cast<unsigned short>(teach < cvp ? cvp - teach - 1 : 0);
    SetCtrlVal(panel, control, v);
    SetCtrlVal(pHandle, mmDisplay, Get32(parameter, kCalibA) * v / 1024000.0);
    return 0;
}

// What tells the channels' fields apart.
struct Channel {
    int* panel;
    int teachField;
    std::uint16_t *trigger, *reference, *lower, *upper;
    int videoGraph, dataGraph;
    const std::uint16_t* values;
    void (*plot)(const std::uint16_t*, const double*);
};
const Channel kA{&pPara1,
                 PARA1_NUMTeachA,
                 trgBUFA,
                 refTHDA,
                 loTHDA,
                 upTHDA,
                 PANEL_GRAPHVideoMaster,
                 PANEL_GRAPHDataMaster,
                 mvalBUFA,
                 &PlotDATACurveA};
const Channel kB{
    &pPara2,  PARA2_NUMTeachB, trgBUFB, refTHDB, loTHDB, upTHDB, PANEL_GRAPHVideoSlave, PANEL_GRAPHDataSlave,
    mvalBUFB, &PlotDATACurveB};

// The lines are drawn over the last DATA capture of the channel.
void ShowDataCurve(const Channel& c, std::initializer_list<int> dataGraphs) {
    SetCtrlAttribute(pHandle, PANEL_STRIPRaw, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pHandle, c.videoGraph, ATTR_VISIBLE, 0);
    for (int graph : dataGraphs)
        SetCtrlAttribute(pHandle, graph, ATTR_VISIBLE, 1);
    c.plot(c.values, xArrayMVAL);
}

int TriggerField(const Channel& c, int control, int event) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBesideField(
            *c.panel, control, 30,
            "TRIGGER-THRESHOLD:\nWith this edit-field, the trigger-threshold\nfor the internal trigger "
            "function can be set.\nIt is displayed by the grey horiz. line!");
    } else if (event == EVENT_VAL_CHANGED) {
        std::fill_n(c.trigger, MAXPOINT, FieldValue(*c.panel, control));
        ShowDataCurve(c, {c.dataGraph});
    }
    return 0;
}

// The teach value and its tolerance lines, with the tolerances of the set
// (not of the fields, which reach the set only when it is sent).
int TeachField(const Channel& c, int event) {
    if (event != EVENT_COMMIT)
        return 0;
    const std::uint16_t cvp = ccdvirtpixel;
    unsigned short t = FieldValue(*c.panel, c.teachField);
    if (t > cvp)
        t = static_cast<unsigned short>(cvp - 1);
    if (t < 1)
        t = 1;
    SetCtrlVal(*c.panel, c.teachField, t);
    const TeachBand band = TeachLines(t, parameter[kTolLoPix], parameter[kTolUpPix], cvp);
    std::fill_n(c.reference, MAXPOINT, t);
    std::fill_n(c.lower, MAXPOINT, band.lo);
    std::fill_n(c.upper, MAXPOINT, band.up);
    ShowDataCurve(c, {PANEL_GRAPHDataMaster, PANEL_GRAPHDataSlave});
    return 0;
}

// P-mode 1 has no value of its own.
int PmodeRing(int panel, int control, int event, int valueField) {
    if (event == EVENT_COMMIT)
        SetCtrlAttribute(panel, valueField, ATTR_DIMMED, FieldValue(panel, control) == 1);
    return 0;
}

// Reads a table from a file the operator picks and writes it into the flash,
// the progress on the channel's bar graph; the upload stops at the first step
// the sensor does not acknowledge. The button hides itself in every case.
void WriteLinTable(std::uint16_t device, int button) {
    if (LineBusy())
        return;
    TransferScope transfer;
    LineOperation operation;
    if (ReadLinDataFromFile(linArray) == 0) {
        // The upload owns the line until its last block: a run or a recording
        // that was going on ends after it.
        stop_flag = 1;
        UploadLinTable(linArray, device);
    }
    SetCtrlAttribute(pCalib, button, ATTR_VISIBLE, 0);
}

}  // namespace

int ReadLinDataFromFile(std::uint16_t* dest) {
    if (FileSelectPopup(proj_dir.c_str(), "XF-LINEAR.DAT", "*.dat", "K-BEX-TW-Series-Linearisation-File",
                        VAL_LOAD_BUTTON, 0, 1, 1, 1, file_name) <= 0)
        return 1;
    if (!LoadLinTable(file_name, dest)) {
        SetStatus("Error reading linearisation-file!");
        ShowStatus();
        return -1;
    }
    return 0;
}

int CC_NUMToleranceUP(int panel, int control, int event, void*, int, int) {
    return ToleranceField(panel, control, event, PANEL_NUMTolUpMM,
                          "TOLERANCE-UP:\nNumerical input field to preset the upper\ntolerance limit in "
                          "[pixel] at the hardware.");
}

int CC_NUMToleranceLO(int panel, int control, int event, void*, int, int) {
    return ToleranceField(panel, control, event, PANEL_NUMTolLoMM,
                          "TOLERANCE-LO:\nNumerical input field to preset the lower\ntolerance limit in "
                          "[pixel] at the hardware.");
}

int CC_NUMTriggThresholdA(int, int control, int event, void*, int, int) {
    return TriggerField(kA, control, event);
}
int CC_NUMTriggThresholdB(int, int control, int event, void*, int, int) {
    return TriggerField(kB, control, event);
}
int CC_NUMTeachA(int, int, int event, void*, int, int) {
    return TeachField(kA, event);
}
int CC_NUMTeachB(int, int, int event, void*, int, int) {
    return TeachField(kB, event);
}
int CC_DROPpmodeA(int panel, int control, int event, void*, int, int) {
    return PmodeRing(panel, control, event, PARA1_NUMPmodeValA);
}
int CC_DROPpmodeB(int panel, int control, int event, void*, int, int) {
    return PmodeRing(panel, control, event, PARA2_NUMPmodeValB);
}

int CC_BTNWriteXFMA(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        WriteLinTable(1, CALIB_BTNWriteXFMA);
    return 0;
}

int CC_BTNWriteXFSL(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        WriteLinTable(0, CALIB_BTNWriteXFSL);
    return 0;
}
