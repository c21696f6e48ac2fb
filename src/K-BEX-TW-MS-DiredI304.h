// Main module: process entry, start values, start-up rules, the main panel's
// callbacks. This header declares the globals the modules share.
#pragma once

#include <string>
#include <vector>

#include "platform/panels.h"
#include "platform/serial.h"
#include "uir.h"

// Panel handles.
extern int pHandle, pPara0, pPara1, pPara2, pCalib, pPopUp, pStats, pCompare;
// Transfer target of GET and SEND: 1 RAM, 2 EEPROM, 3 File.
extern int target;
// Default directory of every file the operator saves or chooses: the
// program's own where files can be made there, else the documents folder.
extern std::string proj_dir;
// The parameter or linearisation file last chosen; 260 bytes as the file
// selection fills it.
extern char file_name[260];
extern std::string recfile_name;
// Date and time of the recording start; szDate holds both, a space apart.
extern std::string szDate, szTime;
extern std::string szSoftVersion;
inline constexpr const char* kSoftName = "K-BEX-TW-MS-Zuvuv";
inline constexpr const char* kSoftVersion = "Version 3.04";
extern std::string szSoftName;

// What the program was started with.
struct ProgramOptions {
    std::vector<std::string> ports;  // --port PATH, in order
    bool simulate = false;           // --simulate
    bool version = false;            // --version
};

// Process entry: 0 after a normal end, -1 when the engine or a panel cannot
// be started; 2 for a bad command line.
int AppMain(int argc, char** argv);
// Parses the command line; false with a message on a bad option. `help` is
// set for --help. With `passEngineOptions`, Qt's standard options (-style,
// -platform, -reverse, ...) are passed over: read so before the engine has
// started, a command line answers --help, --version and a bad option without
// a display; once the engine has taken out the options it knows, whatever it
// left is the program's or unknown.
bool ParseOptions(int argc, char** argv, ProgramOptions& options, bool& help, std::string& message,
                  bool passEngineOptions = false);
// Builds the port table from the options (and starts the simulated sensor
// pair for --simulate); fills the port selector. False when the simulated
// sensor cannot start.
bool SetUpPorts(const ProgramOptions& options, std::string& message);
// Loads the panels in their order; false when any of them fails.
bool LoadPanels();
// The port table with the devices of `listed` it does not hold yet appended:
// known ports keep their numbers whatever comes and goes.
std::vector<PortEntry> MergePortList(std::vector<PortEntry> table, const std::vector<PortEntry>& listed);
// The port selector from the port table; a device that is gone is marked
// "(not present)" in its place.
void FillPortSelector();
// Runs as the port selector opens: devices plugged in since show up.
void RefreshPortSelector(int panel, int control);
// Closes the port in use and connects `port` from scratch (the whole
// sequence of start-up), its line health counted anew.
void ConnectPort(int port);
// Stops the simulated sensor pair, if one was started.
void StopSimulation();
// The --help text.
const char* UsageText();

// The compare view with no column fetched.
void ResetCompareView();
// Right-click help in a pop-up window, which has no help box: the text goes
// onto its status line `statusLine`. It is the tooltip all the same.
void PopupHelp(int panel, int statusLine, const char* text);

// Puts the main module's own globals back to their start values.
void InitMainVars();

void InitVars();
void InitGUI();

// What STOP and STOP-RECORD do: end whatever runs (every wait for an answer
// returns at once), release every button that starts an exchange, and give
// the loop `pause` seconds to end.
void StopAndRelease(double pause);
// Esc, Ctrl+S and Ctrl+E in the main window and the two pop-ups.
void InstallShortcuts();
// Asks for a file to write; an existing one only when the operator agrees to
// overwrite it. True with the path in `path` (260 bytes).
bool ChooseOutputFile(const char* defaultName, const char* filter, const char* title, char* path);

// Gives every control its right-click help text as its tooltip and its
// accessible description (asking each control's callback for it).
void InstallHelpTexts();
// The callback of the resource's table bound to `name`, or nullptr.
CtrlCallbackPtr CallbackNamed(const char* name);
// Right-click help: toggles `helpBox` at (left, top) of the main panel and
// puts `text` into it.
void ToggleHelp(int helpBox, int left, int top, const char* text);
// The same on another panel with a help box of its own (the statistics window).
void ToggleHelpOn(int panel, int helpBox, int left, int top, const char* text);
// The same beside `control`: offsets from its right edge (or its left edge)
// and from its top.
void HelpBeside(int helpBox, int control, bool fromRight, int dx, int dy, const char* text);

// --- callbacks of the main panel and of the pop-up -----------------------------------
int CC_PANEL(int panel, int event, void* callbackData, int eventData1, int eventData2);
int CC_POPUP(int panel, int event, void* callbackData, int eventData1, int eventData2);
int CC_COMPARE(int panel, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNCompare(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNFetchColumn(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNGet(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNSend(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_CHKVerifySend(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_ButtonTeach(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNRun(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNVideo(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNData(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNStop(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_ButtonReset(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_DropDCom(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNFindSensor(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_RBTRam(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_RBTEeprom(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_RBTFile(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_TOGGBTN_Para0(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_TOGGBTN_Para1(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_TOGGBTN_Para2(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_TOGGBTN_Calib(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_HelpText1(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_HelpText2(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_TOGBTN_Zoom(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_NEDITTolLeff(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// --- display controls ----------------------------------------------------------------------
int CC_SLIDEVideoTHD_A(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_SLIDEVideoTHD_B(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_NEDITeachA(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_NEDITeachB(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_DropEvalMode(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_DROPHardwareMode(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2);
int CC_DROPAnaMode(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_GRAPHVideoMaster(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2);
int CC_GRAPHVideoSlave(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_GRAPHDataMaster(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_GRAPHDataSlave(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// --- data recorder ---------------------------------------------------------------------------
int CC_TOGGBTN_Recorder(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2);
int CC_NEDITRecTime(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_NEDITRecSamples(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_RecordFileNameBtn(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);
int CC_BTNStartRecord(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNStopRecord(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// --- statistics window -------------------------------------------------------------------------
int CC_TOGGBTN_Stats(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_STATS(int panel, int event, void* callbackData, int eventData1, int eventData2);
int CC_BTNClear(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_STATSHelp(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CC_STATSHelpText(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// Registers every callback name the panel resource may bind.
void RegisterProgramCallbacks();
