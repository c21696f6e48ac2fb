// Keys of the main window and the two pop-ups: Esc stops as the STOP button
// does; Ctrl+S saves a picture of the main window and Ctrl+E the last VIDEO
// and DATA captures and the statistics window's figures as tables, each into
// a file the operator picks.
#include <string>
#include <vector>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/exportfile.h"
#include "gui.h"
#include "platform/files.h"
#include "platform/panels.h"

namespace {

void PressStop(int) {
    CC_BTNStop(pHandle, PANEL_BTNStop, EVENT_LEFT_CLICK, nullptr, 0, 0);
}

// A file dialog would hold a running loop until it closes, and the loop
// would then take the pause for a silent line; a transfer would lose its
// answers the same way. The operator stops first.
bool ReadyToExport() {
    if (stop_flag == 0 || OperationRunning()) {
        ShowStatusText("Press STOP (Esc) before saving or exporting!");
        return false;
    }
    return true;
}

void Written(int result) {
    ShowStatusText(result == 0 ? "Export-file written!" : "Error writing export-file!");
}

void SavePicture(int) {
    char path[260] = "";
    if (ReadyToExport() &&
        ChooseOutputFile("K-BEX-TW-MS.png", "*.png", "K-BEX-TW-MS Picture of the main window", path))
        Written(SavePanelPicture(pHandle, path));
}

// Only captures that were taken: a buffer never filled would go out as rows
// of zeros that look like a measurement.
void ExportCaptures(int) {
    char path[260] = "";
    if (!ReadyToExport())
        return;
    std::vector<core::CaptureView> captures;
    if (VideoCaptured())
        captures.push_back({"VIDEO", xArray8, adcbufA, adcbufB, thdArrayA, thdArrayB});
    if (DataCaptured())
        captures.push_back({"DATA", xArrayMVAL, mvalBUFA, mvalBUFB});
    const bool stats = Statistics().Count() > 0;
    if (captures.empty() && !stats) {
        ShowStatusText("No VIDEO or DATA capture to export!");
        return;
    }
    const bool onlyStats = captures.empty();
    if (!ChooseOutputFile(onlyStats ? "K-BEX-TW-MS-statistics.csv" : "K-BEX-TW-MS-captures.csv", "*.csv",
                          onlyStats ? "K-BEX-TW-MS Statistics" : "K-BEX-TW-MS Captures", path))
        return;
    std::string text = onlyStats ? std::string() : core::FormatCaptureCsv(captures, MAXPOINT);
    if (stats)
        text += (onlyStats ? "" : "\r\n") + core::FormatStatisticsCsv(Statistics());
    Written(ReplaceFileBytes(path, text));
}

}  // namespace

void InstallShortcuts() {
    for (int panel : {pHandle, pPopUp, pStats}) {
        SetPanelShortcut(panel, "Esc", &PressStop);
        SetPanelShortcut(panel, "Ctrl+S", &SavePicture);
        SetPanelShortcut(panel, "Ctrl+E", &ExportCaptures);
    }
}

bool ChooseOutputFile(const char* defaultName, const char* filter, const char* title, char* path) {
    const int r =
        FileSelectPopup(proj_dir.c_str(), defaultName, filter, title, VAL_OK_BUTTON, 0, 1, 1, 1, path);
    if (r == VAL_EXISTING_FILE_SELECTED)
        return ConfirmPopup("ATTENTION!", "Output-File already exist! - Overwrite ?") != 0;
    return r == VAL_NEW_FILE_SELECTED;
}
