// The main panel's display controls: the sub-panel selector, the help boxes,
// and the controls that redraw or dim at once without a word to the sensor
// (video thresholds, teach cursors, the mode rings, the curve graphs' help).
#include <algorithm>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "core/rules.h"
#include "gui.h"
#include "platform/panels.h"

// --- sub-panel selector, help boxes, controls without an action -----------------------------

namespace {

struct SubPanel {
    int toggle;
    int* panel;
};
constexpr SubPanel kSubPanels[] = {
    {PANEL_TOGGBTN_Para0, &pPara0},
    {PANEL_TOGGBTN_Para1, &pPara1},
    {PANEL_TOGGBTN_Para2, &pPara2},
    {PANEL_TOGGBTN_Calib, &pCalib},
};

// The four toggles work like tabs: a press releases the other three, the
// commit shows the button's own sub-panel in place of the others.
int SelectSubPanel(int own, int event) {
    if (event == EVENT_LEFT_CLICK) {
        for (const SubPanel& s : kSubPanels)
            if (s.toggle != own)
                SetCtrlVal(pHandle, s.toggle, 0);
    } else if (event == EVENT_COMMIT) {
        for (const SubPanel& s : kSubPanels)
            if (s.toggle != own)
                HidePanel(*s.panel);
        for (const SubPanel& s : kSubPanels)
            if (s.toggle == own)
                DisplayPanel(*s.panel);
    }
    return 0;
}

}  // namespace

int CC_TOGGBTN_Para0(int, int, int event, void*, int, int) {
    return SelectSubPanel(PANEL_TOGGBTN_Para0, event);
}
int CC_TOGGBTN_Para1(int, int, int event, void*, int, int) {
    return SelectSubPanel(PANEL_TOGGBTN_Para1, event);
}
int CC_TOGGBTN_Para2(int, int, int event, void*, int, int) {
    return SelectSubPanel(PANEL_TOGGBTN_Para2, event);
}
int CC_TOGGBTN_Calib(int, int, int event, void*, int, int) {
    return SelectSubPanel(PANEL_TOGGBTN_Calib, event);
}

int CC_HelpText1(int, int, int event, void*, int, int) {
    if (event == EVENT_LEFT_CLICK || event == EVENT_RIGHT_CLICK)
        SetCtrlAttribute(pHandle, PANEL_HelpText1, ATTR_VISIBLE, 0);
    return 0;
}

int CC_HelpText2(int, int, int event, void*, int, int) {
    if (event == EVENT_LEFT_CLICK || event == EVENT_RIGHT_CLICK)
        SetCtrlAttribute(pHandle, PANEL_HelpText2, ATTR_VISIBLE, 0);
    return 0;
}

// The curves and the strip chart read the zoom button whenever they draw; a
// press shows its effect without waiting for the next capture or frame.
int CC_TOGBTN_Zoom(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        ShowZoom();
    return 0;
}

// Bound by the resource; nothing to do.
int CC_NEDITTolLeff(int, int, int, void*, int, int) {
    return 0;
}

// --- video thresholds, teach cursors, mode rings ----------------------------------------------

namespace {

unsigned short Value(int panel, int control) {
    unsigned short v = 0;
    GetCtrlVal(panel, control, v);
    return v;
}

// The slide is in percent of the video signal's full scale.
void VideoThreshold(int panel, int slide, std::uint16_t* line, const std::uint16_t* video,
                    void (*plot)(const std::uint16_t*, const std::uint16_t*, const double*)) {
    std::fill_n(line, MAXPOINT, static_cast<std::uint16_t>(Value(panel, slide) * ADCMAX / 100));
    plot(video, line, xArray8);
}

}  // namespace

int CC_SLIDEVideoTHD_A(int, int, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED)
        VideoThreshold(pPara1, PARA1_SLIDEVideoTHD_A, thdArrayA, adcbufA, &PlotVIDEOCurveA);
    return 0;
}

int CC_SLIDEVideoTHD_B(int, int, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED)
        VideoThreshold(pPara2, PARA2_SLIDEVideoTHD_B, thdArrayB, adcbufB, &PlotVIDEOCurveB);
    return 0;
}

// Bound to other fields of the sub-panels, they follow the teach-value fields.
int CC_NEDITeachA(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        SetGraphCursor(pHandle, PANEL_GRAPHBarMaster, 2, Value(pPara1, PARA1_NUMTeachA), 1.0);
    return 0;
}

int CC_NEDITeachB(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        SetGraphCursor(pHandle, PANEL_GRAPHBarSlave, 2, Value(pPara2, PARA2_NUMTeachB), 1.0);
    return 0;
}

int CC_DropEvalMode(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    const core::EvalModeControls c = core::EvalModeControlRule(
        Value(pPara0, PARA0_DropEvalMode), Value(pHandle, PANEL_SWITCHRawTraces) == 1, ccdvirtpixel);
    SetCtrlAttribute(pPara1, PARA1_NUMTeachA, ATTR_DIMMED, c.dimTeachA);
    SetCtrlAttribute(pPara2, PARA2_NUMTeachB, ATTR_DIMMED, c.dimTeachB);
    if (c.plainCursor) {
        SetCursorAttribute(pHandle, PANEL_GRAPHBarMaster, 2, ATTR_CURSOR_POINT_STYLE, VAL_NO_POINT);
        SetCursorAttribute(pHandle, PANEL_GRAPHBarSlave, 2, ATTR_CURSOR_POINT_STYLE, VAL_NO_POINT);
    }
    YAXISMAX = c.yAxisMax;
    return 0;
}

int CC_DROPHardwareMode(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        ApplyHardwareMode(Value(pPara0, PARA0_DROPHardwareMode));
    return 0;
}

int CC_DROPAnaMode(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        ApplyAnaMode(Value(pPara0, PARA0_DROPAnaMode));
    return 0;
}

// --- help of the curve graphs -----------------------------------------------------------------

namespace {

int GraphHelp(int control, int event, int dx, const char* text) {
    if (event == EVENT_RIGHT_CLICK)
        HelpBeside(PANEL_HelpText2, control, false, dx, 30, text);
    return 0;
}

}  // namespace

int CC_GRAPHVideoSlave(int, int control, int event, void*, int, int) {
    return GraphHelp(
        control, event, 60,
        "VIDEO-GRAPH-SLAVE:\nVisualizes the actual video signal\nof the SLAVE-sensor. The video\nsignal "
        "represents the analog-value\nof each pixel over the CCD-line.\nBecause of the limited "
        "baudrate via\nthe serial RS232 interface, the\nvideo graph is refreshed slowly !");
}

int CC_GRAPHVideoMaster(int, int control, int event, void*, int, int) {
    return GraphHelp(
        control, event, 40,
        "VIDEO-GRAPH-MASTER:\nVisualizes the actual video signal\nof the MASTER-sensor. The "
        "video\nsignal represents the analog-value\nof each pixel over the CCD-line.\nBecause of the "
        "limited baudrate via\nthe serial RS232 interface, the\nvideo graph is refreshed slowly !");
}

int CC_GRAPHDataMaster(int, int control, int event, void*, int, int) {
    return GraphHelp(control, event, 40,
                     "DATA-GRAPH-MASTER:\nVisualizes the actual measurement-\nvalue-buffer of the "
                     "MASTER-sensor.\nThis buffer is 256-scans long,\n");
}

int CC_GRAPHDataSlave(int, int control, int event, void*, int, int) {
    return GraphHelp(control, event, 40,
                     "DATA-GRAPH-SLAVE:\nVisualizes the actual measurement-\nvalue-buffer of the "
                     "SLAVE-sensor.\nThis buffer is 256-scans long,\n");
}
