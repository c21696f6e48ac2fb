// The data recorder: its pop-up, the total recording time, the file choice
// and the recording loop, which runs like RUN and appends a record to the
// file each time the interval has passed.
#include <cstdint>
#include <string>
#include <utility>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "core/recfile.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/panels.h"

std::string szDate, szTime;

namespace {

// Entered in the interval field, it reveals the X-FLASH upload buttons.
constexpr unsigned short kServiceCode = 6173;

unsigned short PopupValue(int control) {
    unsigned short v = 0;
    GetCtrlVal(pPopUp, control, v);
    return v;
}

void SetRecStatus(const char* text, int background, int colour) {
    ResetTextBox(pPopUp, POPUP_TXTRecStatus, text);
    SetCtrlAttribute(pPopUp, POPUP_TXTRecStatus, ATTR_TEXT_BGCOLOR, background);
    SetCtrlAttribute(pPopUp, POPUP_TXTRecStatus, ATTR_TEXT_COLOR, colour);
}

// Record timing counts whole seconds in 16 bits; differences wrap consistently.
std::uint16_t WholeSeconds() {
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(Timer()) & 0xFFFF);
}

constexpr int kHeldByRecording[] = {PANEL_BTNRun, PANEL_BTNVideo, PANEL_ButtonTeach, PANEL_BTNData};

// Every button the recording dimmed usable again; without `all`, as a
// recording that ended by itself leaves them: VIDEO and TEACH wait for a STOP.
void ReleaseRecordingButtons(bool all) {
    for (int button : kHeldByRecording)
        if (all || button == PANEL_BTNRun || button == PANEL_BTNData)
            SetCtrlAttribute(pHandle, button, ATTR_DIMMED, 0);
    SetCtrlAttribute(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED, 0);
}

// Set when the operator has just agreed in the file chooser to replace the
// file: the next START then does not ask again.
bool replaceConfirmed = false;

// One recording, from the header to the last record. Records go to the file
// the header went to, whatever file the operator picks meanwhile. A record
// that cannot be written ends the recording: the count never shows a record
// that is not in the file.
void Record() {
    const std::string path = recfile_name;
    // A file the operator did not agree to replace is never replaced.
    if (FileExists(path.c_str()) && !replaceConfirmed &&
        !ConfirmPopup("ATTENTION!", "Output-File already exist! - Overwrite ?"))
        return;
    replaceConfirmed = false;

    LineOperation operation;
    ClearStats();  // the statistics describe this recording
    for (int graph : {PANEL_STRIPRaw, PANEL_GRAPHBarMaster, PANEL_GRAPHBarSlave})
        SetCtrlAttribute(pHandle, graph, ATTR_VISIBLE, 1);
    // The DATA graphs lie where the strip chart is, as the VIDEO graphs do.
    for (int graph :
         {PANEL_GRAPHVideoMaster, PANEL_GRAPHVideoSlave, PANEL_GRAPHDataMaster, PANEL_GRAPHDataSlave})
        SetCtrlAttribute(pHandle, graph, ATTR_VISIBLE, 0);
    // DATA too: a RUN started by a capture inside the recording would hold
    // the line, unrecorded, until STOP.
    for (int button : kHeldByRecording)
        SetCtrlAttribute(pHandle, button, ATTR_DIMMED, 1);
    SetCtrlAttribute(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED, 1);
    SetRecStatus("DATA-RECORDER active ...", VAL_RED, VAL_WHITE);

    const unsigned short records = PopupValue(POPUP_NEDITRecSamples);
    const unsigned short interval = PopupValue(POPUP_NEDITRecTime);
    ResetTextBox(pPopUp, POPUP_TXTRecFile, path.c_str());
    // The count is this recording's from the start, also when it writes nothing.
    SetCtrlVal(pPopUp, POPUP_NUMRecCount, 0);

    DeleteFile(path.c_str());  // every recording starts a new file
    szTime = TimeStr();
    szDate = DateStr() + " " + szTime;
    bool fileError =
        WriteFileBytes(path.c_str(),
                       core::RecorderHeader(szDate, interval, Get32(parameter, core::kSetpointA)), true) != 0;

    unsigned short count = 0;
    bool lineLost = false;
    if (!fileError) {
        LiveRun run(TIMEOUT);
        std::uint16_t reference = WholeSeconds();
        // Recorded, as drawn, while the next request is on the line.
        run.onFrame = [&] {
            const std::uint16_t elapsed = static_cast<std::uint16_t>(WholeSeconds() - reference);
            if (elapsed < interval)
                return;
            const core::RecorderValues values{Aval,   Bval,  Mvalue, static_cast<std::uint32_t>(umValue),
                                              edcntA, edcntB};
            if (AppendFileBytes(path.c_str(), core::RecorderRecord(values)) != 0) {
                fileError = true;
                stop_flag = 1;
                return;
            }
            ++count;
            SetCtrlVal(pPopUp, POPUP_NUMRecCount, count);
            reference = WholeSeconds();
        };
        // Once the last record is in, the request just sent is not waited for.
        run.done = [&] { return count >= records; };
        stop_flag = 0;
        graph_flag = 0;
        const char* progress = "Line Ok!";
        Outcome outcome;
        do
            outcome = run.Next(std::exchange(progress, nullptr));
        while (outcome == Outcome::Answered && stop_flag == 0);
        if (const char* text = MissedText(outcome, "Timeout RS232-Line!")) {
            ShowStatusText(text);
            stop_flag = 1;
        }
        lineLost = outcome == Outcome::LineLost;
    } else {
        stop_flag = 1;
    }

    // A recording does not go on by itself when a lost line returns: it ended
    // at the loss, with every record counted in its file, and says so.
    if (fileError) {
        ShowStatusText("Error writing recorder-file!");
        SetRecStatus("Error writing recorder-file!", VAL_LT_GRAY, VAL_BLACK);
    } else {
        SetRecStatus(lineLost ? "Recording ended: RS232-Line lost!" : "DATA-RECORDER", VAL_LT_GRAY,
                     VAL_BLACK);
    }
    ReleaseRecordingButtons(fileError || lineLost);
}

}  // namespace

int CC_TOGGBTN_Recorder(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(PANEL_HelpText1, control, true, 10, -50,
                   "RECORDER-BUTTON:\nOpen a new Popup-Window for\nthe K-BEX data recorder...");
    } else if (event == EVENT_VAL_CHANGED) {
        int on = 0;
        GetCtrlVal(pHandle, control, on);
        if (on)
            DisplayPanel(pPopUp);
        else
            HidePanel(pPopUp);
    }
    return 0;
}

int CC_NEDITRecTime(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    CalcRecTime();
    if (PopupValue(POPUP_NEDITRecTime) == kServiceCode) {
        SetCtrlAttribute(pCalib, CALIB_BTNWriteXFSL, ATTR_VISIBLE, 1);
        SetCtrlAttribute(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE, 1);
    }
    return 0;
}

int CC_NEDITRecSamples(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        CalcRecTime();
    return 0;
}

// An existing file is deleted at once, but only once the operator has said
// so; whatever is not taken leaves the previous file in place.
int CC_RecordFileNameBtn(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    char path[260] = "";
    const int r = FileSelectPopup(proj_dir.c_str(), "KBEXrecord.dat", "*.dat",
                                  "K-BEX-Series Recorder-File:", VAL_OK_BUTTON, 0, 1, 1, 1, path);
    if (r == VAL_EXISTING_FILE_SELECTED) {
        if (!ConfirmPopup("ATTENTION!", "Output-File already exist! - Overwrite ?"))
            return 0;
        DeleteFile(path);
    } else if (r != VAL_NEW_FILE_SELECTED) {
        return 0;
    }
    replaceConfirmed = true;
    recfile_name = path;
    ResetTextBox(pPopUp, POPUP_TXTRecFile, recfile_name.c_str());
    return 0;
}

int CC_BTNStartRecord(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT && !LineBusy() && !LiveLoopRunning())
        Record();
    return 0;
}

int CC_BTNStopRecord(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    StopAndRelease(0.1);
    return 0;
}
