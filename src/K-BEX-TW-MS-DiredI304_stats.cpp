// The statistics window: its toggle on the main panel, Clear, closing it, and
// the help of its controls, shown in its own help box beside the control.
#include <algorithm>

#include "K-BEX-TW-MS-DiredI304.h"
#include "gui.h"
#include "platform/panels.h"

namespace {

void StatsHelp(int control, const char* text) {
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pStats, control, top, left, height, width);
    // Beside a display, inside the histogram's corner for the graph.
    const bool graph = control == STATS_GRAPHHistogram;
    ToggleHelpOn(pStats, STATS_HelpText, graph ? left + 40 : std::min(left, 300),
                 graph ? top + 30 : top + height + 4, text);
}

const char* HelpOf(int control) {
    switch (control) {
    case STATS_NUMCount:
        return "FRAMES:\nRaw frames shown since RUN or the\nrecorder started, or since CLEAR.";
    case STATS_NUMMean: return "MEAN:\nMean of the measured value [mm]\nover the frames counted.";
    case STATS_NUMStdDev:
        return "STANDARD DEVIATION:\nSample standard deviation of the\nmeasured value [mm]; shown from\n2 "
               "frames on.";
    case STATS_NUMMin: return "MINIMUM:\nSmallest measured value [mm]\nsince the count started.";
    case STATS_NUMMax: return "MAXIMUM:\nLargest measured value [mm]\nsince the count started.";
    case STATS_NUMInTol:
        return "IN TOLERANCE:\nShare of the frames whose value lay\nwithin the tolerance window "
               "(limits\nincluded), "
               "as its colour showed.";
    case STATS_NUMCp:
        return "CP:\nProcess capability: tolerance width\nover 6 standard deviations, in pixels.\nEmpty "
               "without spread or width.";
    case STATS_NUMCpk:
        return "CPK:\nDistance of the mean to the nearer\nlimit over 3 standard deviations.\nEmpty "
               "without spread or width.";
    case STATS_GRAPHHistogram:
        return "HISTOGRAM:\nShare of frames per value [px];\nthe green lines are the tolerance\nlimits, the "
               "dashed line the target.\nValues far outside gather in\nthe outermost bars.";
    default: return "";
    }
}

}  // namespace

int CC_TOGGBTN_Stats(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(
            PANEL_HelpText1, control, true, 10, -50,
            "STATISTICS-BUTTON:\nOpen a new Popup-Window with the\nstatistics and the histogram of\nthe "
            "measured value...");
    } else if (event == EVENT_VAL_CHANGED) {
        int on = 0;
        GetCtrlVal(pHandle, control, on);
        if (on)
            DisplayPanel(pStats);
        else
            HidePanel(pStats);
        StatsWindowShown(on != 0);
    }
    return 0;
}

// Closed, the window keeps its figures; nothing that runs is stopped.
int CC_STATS(int, int event, void*, int, int) {
    if (event == EVENT_CLOSE) {
        HidePanel(pStats);
        SetCtrlVal(pHandle, PANEL_TOGGBTN_Stats, 0);
        StatsWindowShown(false);
    }
    return 0;
}

int CC_BTNClear(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        StatsHelp(control, "CLEAR-BUTTON:\nStart the statistics afresh\nfrom the next frame on.");
    else if (event == EVENT_COMMIT)
        ClearStats();
    return 0;
}

int CC_STATSHelp(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        StatsHelp(control, HelpOf(control));
    return 0;
}

int CC_STATSHelpText(int, int, int event, void*, int, int) {
    if (event == EVENT_LEFT_CLICK || event == EVENT_RIGHT_CLICK)
        SetCtrlAttribute(pStats, STATS_HelpText, ATTR_VISIBLE, 0);
    return 0;
}
