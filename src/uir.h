// Panels and controls of "K-BEX-TW-MS-DiredI304.uir": the one table of names,
// ids, kinds and callback bindings. The constants below are what the code uses;
// the loader checks each row against the Designer files when a panel loads.
#pragma once

#include <span>

#include "platform/uir_types.h"

// X(panel, resource number, panel callback-or-empty)
#define KBEX_PANELS(X)    \
    X(CALIB, 1, )         \
    X(PANEL, 2, CC_PANEL) \
    X(PARA0, 3, )         \
    X(PARA1, 4, )         \
    X(PARA2, 5, )         \
    X(POPUP, 6, CC_POPUP) \
    X(STATS, 7, CC_STATS) \
    X(COMPARE, 8, CC_COMPARE)

// X(panel, control, id, kind, callback-or-empty)
#define KBEX_CONTROLS(X)                                                  \
    X(PANEL, TXTStatus, 2, TextMsg, )                                     \
    X(PANEL, BTNRun, 3, CommandButton, CC_BTNRun)                         \
    X(PANEL, BTNStop, 4, CommandButton, CC_BTNStop)                       \
    X(PANEL, BTNVideo, 5, CommandButton, CC_BTNVideo)                     \
    X(PANEL, BTNData, 6, CommandButton, CC_BTNData)                       \
    X(PANEL, ButtonReset, 7, CommandButton, CC_ButtonReset)               \
    X(PANEL, ButtonTeach, 8, CommandButton, CC_ButtonTeach)               \
    X(PANEL, BTNGet, 9, CommandButton, CC_BTNGet)                         \
    X(PANEL, BTNSend, 10, CommandButton, CC_BTNSend)                      \
    X(PANEL, RBTRam, 11, RadioButton, CC_RBTRam)                          \
    X(PANEL, RBTEeprom, 12, RadioButton, CC_RBTEeprom)                    \
    X(PANEL, RBTFile, 13, RadioButton, CC_RBTFile)                        \
    X(PANEL, DropDCom, 14, Ring, CC_DropDCom)                             \
    X(PANEL, GRAPHVideoMaster, 15, Graph, CC_GRAPHVideoMaster)            \
    X(PANEL, GRAPHVideoSlave, 16, Graph, CC_GRAPHVideoSlave)              \
    X(PANEL, GRAPHDataMaster, 17, Graph, CC_GRAPHDataMaster)              \
    X(PANEL, GRAPHDataSlave, 18, Graph, CC_GRAPHDataSlave)                \
    X(PANEL, GRAPHBarMaster, 19, Graph, )                                 \
    X(PANEL, GRAPHBarSlave, 20, Graph, )                                  \
    X(PANEL, STRIPRaw, 21, StripChart, )                                  \
    X(PANEL, SWITCHRawTraces, 22, BinarySwitch, )                         \
    X(PANEL, TOGBTN_Zoom, 23, ToggleButton, CC_TOGBTN_Zoom)               \
    X(PANEL, NUMAval, 24, Numeric, )                                      \
    X(PANEL, NUMBval, 25, Numeric, )                                      \
    X(PANEL, NUMMvalue, 26, Numeric, )                                    \
    X(PANEL, NUMValueMM, 27, NumericDouble, )                             \
    X(PANEL, NUMAnaMax, 28, Numeric, )                                    \
    X(PANEL, NUMAnaMin, 29, Numeric, )                                    \
    X(PANEL, NUMTolUpMM, 30, NumericDouble, )                             \
    X(PANEL, NUMTolLoMM, 31, NumericDouble, )                             \
    X(PANEL, TOGGBTN_Para0, 32, ToggleButton, CC_TOGGBTN_Para0)           \
    X(PANEL, TOGGBTN_Para1, 33, ToggleButton, CC_TOGGBTN_Para1)           \
    X(PANEL, TOGGBTN_Para2, 34, ToggleButton, CC_TOGGBTN_Para2)           \
    X(PANEL, TOGGBTN_Calib, 35, ToggleButton, CC_TOGGBTN_Calib)           \
    X(PANEL, TOGGBTN_Recorder, 36, ToggleButton, CC_TOGGBTN_Recorder)     \
    X(PANEL, HelpText1, 37, TextMsg, CC_HelpText1)                        \
    X(PANEL, HelpText2, 38, TextMsg, CC_HelpText2)                        \
    X(PANEL, DECOHeader, 39, Decoration, )                                \
    X(PANEL, PICTLogo, 40, Picture, )                                     \
    X(PANEL, BTNFindSensor, 41, CommandButton, CC_BTNFindSensor)          \
    X(PANEL, TXTLineHealth, 42, TextMsg, )                                \
    X(PANEL, TOGGBTN_Stats, 43, ToggleButton, CC_TOGGBTN_Stats)           \
    X(PANEL, CHKVerifySend, 44, BinarySwitch, CC_CHKVerifySend)           \
    X(PANEL, BTNCompare, 45, CommandButton, CC_BTNCompare)                \
    X(PARA0, DropEvalMode, 102, Ring, CC_DropEvalMode)                    \
    X(PARA0, ModeSelect, 103, Ring, )                                     \
    X(PARA0, DROPAnaMode, 104, Ring, CC_DROPAnaMode)                      \
    X(PARA0, DROPHardwareMode, 105, Ring, CC_DROPHardwareMode)            \
    X(PARA0, NUMCountSetting, 106, Numeric, CC_NEDITTolLeff)              \
    X(PARA0, FlagSetting, 107, BinarySwitch, )                            \
    X(PARA0, NUMToleranceUP, 108, Numeric, CC_NUMToleranceUP)             \
    X(PARA0, NUMToleranceLO, 109, Numeric, CC_NUMToleranceLO)             \
    X(PARA1, SLIDEVideoTHD_A, 202, Slide, CC_SLIDEVideoTHD_A)             \
    X(PARA1, NUMTeachA, 203, Numeric, CC_NUMTeachA)                       \
    X(PARA1, NUMTriggThresholdA, 204, Numeric, CC_NUMTriggThresholdA)     \
    X(PARA1, DROPpmodeA, 205, Ring, CC_DROPpmodeA)                        \
    X(PARA1, NUMPmodeValA, 206, Numeric, )                                \
    X(PARA1, NUMPixStartA, 207, Numeric, CC_NEDITeachA)                   \
    X(PARA1, NUMPixEndA, 208, Numeric, )                                  \
    X(PARA1, RINGGain, 209, Ring, )                                       \
    X(PARA2, SLIDEVideoTHD_B, 302, Slide, CC_SLIDEVideoTHD_B)             \
    X(PARA2, NUMTeachB, 303, Numeric, CC_NUMTeachB)                       \
    X(PARA2, NUMTriggThresholdB, 304, Numeric, CC_NUMTriggThresholdB)     \
    X(PARA2, DROPpmodeB, 305, Ring, CC_DROPpmodeB)                        \
    X(PARA2, NUMPmodeValB, 306, Numeric, )                                \
    X(PARA2, NUMPixStartB, 307, Numeric, CC_NEDITeachB)                   \
    X(PARA2, NUMPixEndB, 308, Numeric, )                                  \
    X(PARA2, RINGGain, 309, Ring, )                                       \
    X(CALIB, NUMCalibRef, 402, Numeric, )                                 \
    X(CALIB, NUMCalibA, 403, NumericDouble, )                             \
    X(CALIB, NUMCalibB, 404, NumericDouble, )                             \
    X(CALIB, TXTBOXCcdInfo, 405, TextBox, )                               \
    X(CALIB, BTNWriteXFMA, 406, CommandButton, CC_BTNWriteXFMA)           \
    X(CALIB, BTNWriteXFSL, 407, CommandButton, CC_BTNWriteXFSL)           \
    X(POPUP, TXTRecFile, 502, TextBox, )                                  \
    X(POPUP, RecordFileNameBtn, 503, CommandButton, CC_RecordFileNameBtn) \
    X(POPUP, NEDITRecTime, 504, Numeric, CC_NEDITRecTime)                 \
    X(POPUP, NEDITRecSamples, 505, Numeric, CC_NEDITRecSamples)           \
    X(POPUP, NUMRecDays, 506, Numeric, )                                  \
    X(POPUP, NUMRecHours, 507, Numeric, )                                 \
    X(POPUP, NUMRecMinutes, 508, Numeric, )                               \
    X(POPUP, NUMRecSeconds, 509, Numeric, )                               \
    X(POPUP, NUMRecCount, 510, Numeric, )                                 \
    X(POPUP, TXTRecStatus, 511, TextBox, )                                \
    X(POPUP, BTNStartRecord, 512, CommandButton, CC_BTNStartRecord)       \
    X(POPUP, BTNStopRecord, 513, CommandButton, CC_BTNStopRecord)         \
    X(STATS, NUMCount, 602, Numeric, CC_STATSHelp)                        \
    X(STATS, NUMMean, 603, NumericDouble, CC_STATSHelp)                   \
    X(STATS, NUMStdDev, 604, NumericDouble, CC_STATSHelp)                 \
    X(STATS, NUMMin, 605, NumericDouble, CC_STATSHelp)                    \
    X(STATS, NUMMax, 606, NumericDouble, CC_STATSHelp)                    \
    X(STATS, NUMInTol, 607, NumericDouble, CC_STATSHelp)                  \
    X(STATS, NUMCp, 608, NumericDouble, CC_STATSHelp)                     \
    X(STATS, NUMCpk, 609, NumericDouble, CC_STATSHelp)                    \
    X(STATS, BTNClear, 610, CommandButton, CC_BTNClear)                   \
    X(STATS, GRAPHHistogram, 611, Graph, CC_STATSHelp)                    \
    X(STATS, HelpText, 612, TextMsg, CC_STATSHelpText)                    \
    X(COMPARE, TABLEWords, 702, Table, )                                  \
    X(COMPARE, BTNFetchPanels, 703, CommandButton, CC_BTNFetchColumn)     \
    X(COMPARE, BTNFetchRam, 704, CommandButton, CC_BTNFetchColumn)        \
    X(COMPARE, BTNFetchEeprom, 705, CommandButton, CC_BTNFetchColumn)     \
    X(COMPARE, BTNFetchFile, 706, CommandButton, CC_BTNFetchColumn)       \
    X(COMPARE, TXTDiffPanels, 707, TextMsg, )                             \
    X(COMPARE, TXTDiffRam, 708, TextMsg, )                                \
    X(COMPARE, TXTDiffEeprom, 709, TextMsg, )                             \
    X(COMPARE, TXTDiffFile, 710, TextMsg, )                               \
    X(COMPARE, TXTStatus, 711, TextMsg, )

#define KBEX_PANEL_ENUM(p, n, cb) p = n,
enum : int { KBEX_PANELS(KBEX_PANEL_ENUM) };
#undef KBEX_PANEL_ENUM

#define KBEX_CTRL_ENUM(p, c, id, kind, cb) p##_##c = id,
enum : int { KBEX_CONTROLS(KBEX_CTRL_ENUM) };
#undef KBEX_CTRL_ENUM

inline constexpr const char* kUirFileName = "K-BEX-TW-MS-DiredI304.uir";

// The tables of the resource, for the panel loader and for the checks of the tests.
std::span<const platform::PanelDef> UirPanels();
std::span<const platform::CtrlDef> UirControls();
