// Main module: process entry, start values, start-up rules, the callbacks of
// the main panel's transfer buttons and of the two panels' close events.
#include "K-BEX-TW-MS-DiredI304.h"

#include <cstdio>

#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "logo.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/serial.h"

int pHandle, pPara0, pPara1, pPara2, pCalib, pPopUp, pStats, pCompare;
int target;
std::string proj_dir;
char file_name[260];
std::string recfile_name;
std::string szSoftVersion;
std::string szSoftName;

bool LoadPanels() {
    RegisterResource(kUirFileName, UirPanels(), UirControls());
    RegisterProgramCallbacks();
    if ((pHandle = LoadPanel(0, kUirFileName, PANEL)) < 0)
        return false;
    if ((pPara0 = LoadPanel(pHandle, kUirFileName, PARA0)) < 0)
        return false;
    if ((pPara1 = LoadPanel(pHandle, kUirFileName, PARA1)) < 0)
        return false;
    if ((pPara2 = LoadPanel(pHandle, kUirFileName, PARA2)) < 0)
        return false;
    if ((pCalib = LoadPanel(pHandle, kUirFileName, CALIB)) < 0)
        return false;
    if ((pPopUp = LoadPanel(0, kUirFileName, POPUP)) < 0)
        return false;
    if ((pStats = LoadPanel(0, kUirFileName, STATS)) < 0)
        return false;
    if ((pCompare = LoadPanel(0, kUirFileName, COMPARE)) < 0)
        return false;
    InstallShortcuts();
    InstallHelpTexts();
    return true;
}

void InitMainVars() {
    target = 1;
    file_name[0] = '\0';
    recfile_name.clear();
    szSoftVersion = kSoftVersion;
    szSoftName = kSoftName;
    ResetCompareView();
}

void InitVars() {
    InitCom232Vars();
    InitGuiVars();
    InitMainVars();
    // From here on the sensor link speaks through the window.
    SetObserver(&WindowObserver());
    ForgetLostPort();
    // The line health follows the counts twice a second, whatever runs.
    static int health = 0;
    StopRepeating(health);
    health = StartRepeating(0.5, &ShowLineHealth);
    ShowLineHealth();

    SetStatus("InitVars");
    ShowStatus();
    SetCtrlVal(pHandle, PANEL_TOGGBTN_Recorder, 0);
    SetCtrlVal(pHandle, PANEL_TOGGBTN_Stats, 0);
    StatsWindowShown(false);
    ShowStats();

    MakePathname(proj_dir.c_str(), "KBexRecord.dat", recfile_name);
    ResetTextBox(pPopUp, POPUP_TXTRecFile, "");
    ReplaceTextBoxLine(pPopUp, POPUP_TXTRecFile, 0, recfile_name.c_str());
    CalcRecTime();
    ShowLogo(2);
    GetPanelValues();

    DeleteGraphPlot(pHandle, PANEL_GRAPHBarMaster, -1, 0);
    DeleteGraphPlot(pHandle, PANEL_GRAPHBarSlave, -1, 0);
    SetGraphCursor(pHandle, PANEL_GRAPHBarMaster, 1, 0.0, 1.0);
    SetGraphCursor(pHandle, PANEL_GRAPHBarSlave, 1, 0.0, 1.0);
    SetCursorAttribute(pHandle, PANEL_GRAPHBarMaster, 2, ATTR_CURSOR_POINT_STYLE, VAL_NO_POINT);
    SetCursorAttribute(pHandle, PANEL_GRAPHBarSlave, 2, ATTR_CURSOR_POINT_STYLE, VAL_NO_POINT);
    PlotTOLWindow(parameter[core::kEvalMode], 0, 0);

    // The video threshold lines were drawn up by GetPanelValues above, from
    // the controls' values; the trigger lines start at their own level
    // whatever the set says.
    ResetTriggerLines();
}

void InitGUI() {
    for (int panel : {pPara0, pPara1, pPara2, pCalib}) {
        SetPanelAttribute(panel, ATTR_LEFT, 8);
        SetPanelAttribute(panel, ATTR_TOP, 98);
    }
    ApplyModeRules();
    SetCtrlAttribute(pPara1, PARA1_SLIDEVideoTHD_A, ATTR_DIMMED, 0);
    SetCtrlAttribute(pPara2, PARA2_SLIDEVideoTHD_B, ATTR_DIMMED, 0);
}

int AppMain(int argc, char** argv) {
    ProgramOptions options;
    bool help = false;
    std::string message;
    const auto refused = [&] {
        std::fprintf(stderr, "kbex-tw-ms: %s\n%s", message.c_str(), UsageText());
        return 2;
    };
    if (!ParseOptions(argc, argv, options, help, message, true))
        return refused();
    if (help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("kbex-tw-ms (%s) %s\n", kSoftName, kSoftVersion);
        return 0;
    }
    if (!StartEngine(argc, argv))
        return -1;
    // Qt took out what it knows on this platform (-geometry only where there
    // is X11); a Qt option it left would otherwise be silently ignored.
    options = {};
    if (!ParseOptions(argc, argv, options, help, message))
        return refused();
    SetProgramIdentity("kbex-tw-ms");
    if (!LoadPanels())
        return -1;
    // Installed, the program's own folder is not the operator's to write.
    proj_dir = DefaultFileDir(GetProjectDir());
    InitVars();
    if (!SetUpPorts(options, message)) {
        std::fprintf(stderr, "kbex-tw-ms: %s\n", message.c_str());
        SetStatus(message.c_str());
        ShowStatus();
    }
    InitRS232(com);
    InitGUI();
    DisplayPanel(pHandle);
    DisplayPanel(pPara0);
    RunUserInterface();
    CloseCom(com);
    for (int panel : {pPara0, pPara1, pPara2, pCalib, pPopUp, pStats, pCompare, pHandle})
        DiscardPanel(panel);
    StopSimulation();
    return 0;
}

// --- close events ------------------------------------------------------------------------

// Whatever runs is aborted; the port is closed and the program ends once it
// has unwound, within a wait's slice, however many answers were still due.
int CC_PANEL(int /*panel*/, int event, void*, int, int) {
    if (event == EVENT_CLOSE) {
        stop_flag = 1;
        AbortOperations();
        WhenLineFree([] {
            CloseCom(com);
            QuitUserInterface(0);
        });
    }
    return 0;
}

int CC_POPUP(int /*panel*/, int event, void*, int, int) {
    if (event == EVENT_CLOSE) {
        stop_flag = 1;
        HidePanel(pPopUp);
        SetCtrlVal(pHandle, PANEL_TOGGBTN_Recorder, 0);
        SetCtrlVal(pHandle, PANEL_TOGGBTN_Stats, 0);
        StatsWindowShown(false);
        ShowStats();
    }
    return 0;
}

// --- right-click help -------------------------------------------------------------------------

namespace {

// The control whose right click is asked for its help text, while
// InstallHelpTexts goes round them.
struct Asked {
    int panel = 0, control = 0;
};
Asked* asked = nullptr;

int PanelHandle(int resource) {
    switch (resource) {
    case PANEL: return pHandle;
    case PARA0: return pPara0;
    case PARA1: return pPara1;
    case PARA2: return pPara2;
    case CALIB: return pCalib;
    case STATS: return pStats;
    case COMPARE: return pCompare;
    default: return pPopUp;
    }
}

}  // namespace

void InstallHelpTexts() {
    for (const platform::CtrlDef& c : UirControls()) {
        const CtrlCallbackPtr callback = c.callback ? CallbackNamed(c.callback) : nullptr;
        if (!callback)
            continue;
        Asked now{PanelHandle(c.panelResource), c.id};
        asked = &now;
        callback(now.panel, now.control, EVENT_RIGHT_CLICK, nullptr, 0, 0);
        asked = nullptr;
    }
}

void ToggleHelp(int helpBox, int left, int top, const char* text) {
    ToggleHelpOn(pHandle, helpBox, left, top, text);
}

void ToggleHelpOn(int panel, int helpBox, int left, int top, const char* text) {
    // The help text a right click shows is also the control's tooltip and
    // what assistive technology describes it with: one text, one place.
    if (asked) {
        SetCtrlHelp(asked->panel, asked->control, text);
        return;
    }
    SetCtrlAttribute(panel, helpBox, ATTR_LEFT, left);
    SetCtrlAttribute(panel, helpBox, ATTR_TOP, top);
    int visible = 0;
    GetCtrlAttribute(panel, helpBox, ATTR_VISIBLE, visible);
    SetCtrlAttribute(panel, helpBox, ATTR_VISIBLE, visible ? 0 : 1);
    SetCtrlVal(panel, helpBox, text);
}

void PopupHelp(int panel, int statusLine, const char* text) {
    if (asked)
        SetCtrlHelp(asked->panel, asked->control, text);
    else
        SetCtrlVal(panel, statusLine, text);
}

void HelpBeside(int helpBox, int control, bool fromRight, int dx, int dy, const char* text) {
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pHandle, control, top, left, height, width);
    ToggleHelp(helpBox, (fromRight ? left + width : left) + dx, top + dy, text);
}

// --- transfer buttons ----------------------------------------------------------------------------

int CC_BTNGet(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(
            PANEL_HelpText1, control, true, 20, -25,
            "GET-BUTTON:\nGet parameter-frame of K-BEX-\nsensor from EEPROM-memory\nor RAM-memory ...");
        return 0;
    }
    if (event != EVENT_COMMIT || LineBusy())
        return 0;
    TransferScope transfer;
    LineOperation operation;
    // A file that was not loaded (cancelled, or refused as damaged) leaves
    // the panels as they are, with whatever the operator has typed there.
    if (target == 3 && !ReadParaFromFile())
        return 0;
    FetchParameterSet(static_cast<std::uint16_t>(target));
    return 0;
}

int CC_BTNSend(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(PANEL_HelpText1, control, true, 20, -25,
                   "SEND-BUTTON:\nSend parameter-frame to EEPROM-\nor RAM-memory of the K-BEX-sensor!");
        return 0;
    }
    if (event != EVENT_COMMIT || LineBusy())
        return 0;
    TransferScope transfer;
    ShowStatusText("Transmit...");
    if (target == 3) {
        // The old file is replaced only once the new one is written, so a
        // failed write never costs the operator the file he had.
        if (ChooseOutputFile("KBEXpara.cfg", "*.cfg", "K-BEX-MS-Series Parameter File", file_name))
            SendParaToFile();
        return 0;
    }
    GetPanelValues();
    const auto memory = static_cast<std::uint16_t>(target);
    int verify = 0;
    GetCtrlVal(pHandle, PANEL_CHKVerifySend, verify);
    // The read-back is asked only once every page went out: after an abort
    // or a lost line there is nothing to verify.
    if (SendParameterSet(memory) == Outcome::Answered && verify)
        VerifyParameterSet(memory);
    return 0;
}

int CC_CHKVerifySend(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        HelpBeside(PANEL_HelpText1, control, false, -200, -60,
                   "VERIFY AFTER SEND:\nRead the parameter-frames back\nafter SEND to EEPROM or RAM\nand "
                   "compare them with\nwhat was sent.");
    return 0;
}

int CC_ButtonTeach(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(PANEL_HelpText1, control, false, -200, -20,
                   "TEACH-BUTTON:\nStart teach procedure at K-BEX-\nsensor. The actual pixel-position "
                   "==\nnew teach value!");
        return 0;
    }
    if (event != EVENT_COMMIT || LineBusy())
        return 0;
    TransferScope transfer;
    LineOperation operation;
    GetPanelValues();  // the teach request carries the general page as the panels show it
    switch (const Outcome outcome = TeachSetpoint()) {
    case Outcome::Answered:
        // The sensor has taken the spot as its set-point; fetch the set it now holds.
        FetchParameterSet(1);
        break;
    default:
        if (const char* text = MissedText(outcome, "Timeout RS232-Line!")) {
            ShowStatusText(text);
            stop_flag = 1;
        }
        break;
    }
    SetGraphCursor(pHandle, PANEL_GRAPHBarMaster, 1, parameter[core::kTeachA], 0.75);
    SetGraphCursor(pHandle, PANEL_GRAPHBarSlave, 1, parameter[core::kTeachB], 0.75);
    return 0;
}

// --- acquisition buttons ---------------------------------------------------------------------------

int CC_BTNRun(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        HelpBeside(
            PANEL_HelpText1, control, true, 10, -20,
            "START-BUTTON:\nStart the continuous serial RS232\ndata-transfer between PC and K-BEX\nsensor. "
            "16 words are transferred!");
    else if (event == EVENT_COMMIT && !LineBusy() && !LiveLoopRunning()) {
        ClearStats();  // the statistics describe this run
        PushRUN();
    }
    return 0;
}

namespace {

// VIDEO and DATA: the captures always read the sensor's RAM, and no
// recording may start meanwhile.
int CaptureButton(int control, int event, const char* help, void (*capture)()) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(PANEL_HelpText1, control, true, 10, -20, help);
    } else if (event == EVENT_COMMIT && !LineBusy()) {
        SetCtrlAttribute(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED, 1);
        SetCtrlVal(pHandle, PANEL_RBTRam, 1);
        target = 1;
        SetCtrlVal(pHandle, PANEL_RBTEeprom, 0);
        SetCtrlVal(pHandle, PANEL_RBTFile, 0);
        capture();
    }
    return 0;
}

}  // namespace

int CC_BTNVideo(int, int control, int event, void*, int, int) {
    return CaptureButton(
        control, event,
        "VIDEO-BUTTON:\nTransfer video-signal (pixel-info)\n= intensity profile at CCD-line,\nvia "
        "RS232 communication to PC.",
        &PushVIDEO);
}

int CC_BTNData(int, int control, int event, void*, int, int) {
    return CaptureButton(control, event,
                         "DATA-BUTTON:\nTransfer measurement-curve\nof MASTER and SLAVE via RS-232 to PC.",
                         &PushDATA);
}

// Acts on the mouse press, so that a loop busy in its pass sees it at once.
int CC_BTNStop(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(PANEL_HelpText1, control, true, 10, -20,
                   "STOP-BUTTON:\nStops the serial RS232-data-\ntransfer between PC and\nK-BEX sensor.");
    } else if (event == EVENT_LEFT_CLICK) {
        StopAndRelease(0.2);
    }
    return 0;
}

void StopAndRelease(double pause) {
    stop_flag = 1;
    AbortOperations();
    for (int button : {PANEL_BTNVideo, PANEL_BTNData, PANEL_BTNRun, PANEL_ButtonTeach, PANEL_ButtonReset})
        SetCtrlAttribute(pHandle, button, ATTR_DIMMED, 0);
    SetCtrlAttribute(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED, 0);
    Delay(pause);
}

int CC_ButtonReset(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        HelpBeside(PANEL_HelpText1, control, true, 10, -60,
                   "RESET-BUTTON:\nReset the actual maxima und minima\nvalues at the K-BEX-hardware.\nNo "
                   "software/hardware reset is done !");
    else if (event == EVENT_COMMIT && !LineBusy()) {
        // Its wait runs events: a second click, or another transfer, waits
        // for its answer instead of running inside it.
        TransferScope transfer;
        ResetMaxMin();
    }
    return 0;
}

// --- transfer target ---------------------------------------------------------------------------

namespace {

// The three radio buttons act as one group; switching the chosen one off
// falls back to RAM, and RAM itself cannot be switched off. While a transfer
// runs the target it uses stays. Either way the buttons show the target in force.
void ChooseTarget(int value, int newTarget) {
    if (!TransferInProgress())
        target = value ? newTarget : 1;
    SetCtrlVal(pHandle, PANEL_RBTRam, target == 1 ? 1 : 0);
    SetCtrlVal(pHandle, PANEL_RBTEeprom, target == 2 ? 1 : 0);
    SetCtrlVal(pHandle, PANEL_RBTFile, target == 3 ? 1 : 0);
}

int RadioValue(int control) {
    int v = 0;
    GetCtrlVal(pHandle, control, v);
    return v;
}

}  // namespace

int CC_RBTRam(int, int control, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED)
        ChooseTarget(RadioValue(control), 1);
    return 0;
}

int CC_RBTEeprom(int, int control, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED)
        ChooseTarget(RadioValue(control), 2);
    return 0;
}

int CC_RBTFile(int, int control, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED)
        ChooseTarget(RadioValue(control), 3);
    return 0;
}
