// The main panel's transfer buttons as the operator uses them without a
// sensor: target radio buttons, right-click help, the parameter file through
// SEND and GET, and the sub-panel selector.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/qt_access.h"

#include <QWidget>

using namespace kbex_test;

namespace {

int Value(int panel, int control) {
    int v = -1;
    GetCtrlVal(panel, control, v);
    return v;
}

int Attr(int panel, int control, int attr) {
    int v = -1;
    GetCtrlAttribute(panel, control, attr, v);
    return v;
}

std::string Text(int panel, int control) {
    std::string s;
    GetCtrlVal(panel, control, s);
    return s;
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

std::string Numbers(int count, unsigned value) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += std::to_string(value) + "\r\n";
    return s;
}

}  // namespace

TEST(TargetButtons, ActAsOneGroupFallingBackToRam) {
    ResetProgram();
    Click(pHandle, PANEL_RBTFile);
    EXPECT_EQ(target, 3);
    EXPECT_EQ(Value(pHandle, PANEL_RBTRam), 0);
    EXPECT_EQ(Value(pHandle, PANEL_RBTEeprom), 0);
    EXPECT_EQ(Value(pHandle, PANEL_RBTFile), 1);
    Click(pHandle, PANEL_RBTEeprom);
    EXPECT_EQ(target, 2);
    EXPECT_EQ(Value(pHandle, PANEL_RBTFile), 0);
    // File after EEPROM, then File off again: back to RAM, not to EEPROM.
    Click(pHandle, PANEL_RBTFile);
    Click(pHandle, PANEL_RBTFile);
    EXPECT_EQ(target, 1);
    EXPECT_EQ(Value(pHandle, PANEL_RBTRam), 1);
    EXPECT_EQ(Value(pHandle, PANEL_RBTFile), 0);
    EXPECT_EQ(Value(pHandle, PANEL_RBTEeprom), 0);
    // RAM cannot be switched off.
    Click(pHandle, PANEL_RBTRam);
    EXPECT_EQ(target, 1);
    EXPECT_EQ(Value(pHandle, PANEL_RBTRam), 1);
}

TEST(RightClickHelp, TogglesTheBoxBesideTheButtonWithItsText) {
    ResetProgram();
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pHandle, PANEL_BTNGet, top, left, height, width);
    RightClick(pHandle, PANEL_BTNGet);
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_LEFT), left + width + 20);
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_TOP), top - 25);
    EXPECT_EQ(Text(pHandle, PANEL_HelpText1),
              "GET-BUTTON:\nGet parameter-frame of K-BEX-\nsensor from EEPROM-memory\nor RAM-memory ...");
    // The box lies above everything else and fits its text.
    QWidget* box = platform::CtrlWidget(pHandle, PANEL_HelpText1);
    EXPECT_GE(box->height(), 4 * box->fontMetrics().height());
    // A right click on another button moves the box and toggles it off,
    // with that button's text in it.
    RightClick(pHandle, PANEL_BTNSend);
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_VISIBLE), 0);
    EXPECT_EQ(Text(pHandle, PANEL_HelpText1),
              "SEND-BUTTON:\nSend parameter-frame to EEPROM-\nor RAM-memory of the K-BEX-sensor!");
    GetCtrlBoundingRect(pHandle, PANEL_ButtonTeach, top, left, height, width);
    RightClick(pHandle, PANEL_ButtonTeach);
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_LEFT), left - 200);
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_TOP), top - 20);
    EXPECT_EQ(Text(pHandle, PANEL_HelpText1),
              "TEACH-BUTTON:\nStart teach procedure at K-BEX-\nsensor. The actual pixel-position ==\nnew teach value!");
    // A click on the box closes it; no command ran for any of this.
    RightClick(pHandle, PANEL_HelpText1);
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_VISIBLE), 0);
    EXPECT_EQ(StatusLine(), "InitVars");
}

TEST(ParameterFile, SaveAndLoadRestoreEveryWordExactly) {
    ResetProgram();
    ScriptedPopups popups;
    const std::string path = TempDir() + "/KBEXpara.cfg";
    Click(pHandle, PANEL_RBTFile);
    // Values on the panels, and words that only the set carries.
    Type(pPara1, PARA1_NUMTeachA, 1777);
    Type(pCalib, CALIB_NUMCalibRef, 0x12345678);
    Type(pCalib, CALIB_NUMCalibB, 1027 / 1024.0);
    parameter[12] = 11;
    parameter[16] = 65535;
    parameter[46] = 4646;
    core::Put32(parameter, core::kSetpointA, 0xDEADBEEF);
    popups.SelectFile(VAL_NEW_FILE_SELECTED, path);
    Click(pHandle, PANEL_BTNSend);
    EXPECT_EQ(StatusLine(), "Transmit...");
    std::uint16_t expected[52];
    std::copy(std::begin(parameter), std::end(parameter), expected);

    // A plain text file: 45 lines, each number right-aligned in 10 places.
    const std::string text = ReadAll(path);
    ASSERT_EQ(text.size(), 45u * 12u);
    EXPECT_EQ(text.substr(18 * 12, 12), "      1777\r\n");  // line 19: teachA

    for (int i : {12, 16, 46, 34, 35, 23, 18, 19, 48})
        parameter[i] = 0;
    parameter[3] = 333;  // in no page: must survive the load
    Type(pPara1, PARA1_NUMTeachA, 5);
    popups.SelectFile(VAL_EXISTING_FILE_SELECTED, path);
    Click(pHandle, PANEL_BTNGet);
    for (int i = 4; i < 52; ++i) {
        if (i != 17 && i != 31 && i != 47) {
            EXPECT_EQ(parameter[i], expected[i]) << "entry " << i;
        }
    }
    EXPECT_EQ(parameter[3], 333);
    unsigned short teach = 0;
    GetCtrlVal(pPara1, PARA1_NUMTeachA, teach);
    EXPECT_EQ(teach, 1777);
    EXPECT_EQ(popups.seam().lastFileSelectTitle, "K-BEX-MS-Series-Parameter-File");
}

TEST(ParameterFile, ExistingFileIsOverwrittenOnlyWhenTheOperatorAgrees) {
    ResetProgram();
    ScriptedPopups popups;
    const std::string path = TempDir() + "/old.cfg";
    WriteAll(path, "precious\n");
    Click(pHandle, PANEL_RBTFile);
    popups.SelectFile(VAL_EXISTING_FILE_SELECTED, path);
    popups.Confirm(false);
    Click(pHandle, PANEL_BTNSend);
    EXPECT_EQ(popups.seam().confirmCalls, 1);
    EXPECT_EQ(popups.seam().lastConfirmTitle, "ATTENTION!");
    EXPECT_EQ(popups.seam().lastConfirmMessage, "Output-File already exist! - Overwrite ?");
    EXPECT_EQ(popups.seam().lastFileSelectTitle, "K-BEX-MS-Series Parameter File");
    EXPECT_EQ(ReadAll(path), "precious\n");
    EXPECT_EQ(StatusLine(), "Transmit...");
    popups.Confirm(true);
    Click(pHandle, PANEL_BTNSend);
    EXPECT_EQ(ReadAll(path).size(), 45u * 12u);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    // Cancelling the selection writes nothing and asks nothing.
    popups.SelectFile(VAL_NO_FILE_SELECTED, "");
    Click(pHandle, PANEL_BTNSend);
    EXPECT_EQ(popups.seam().confirmCalls, 2);
}

TEST(ParameterFile, UnwritableFileIsReportedNotPassedOffAsDone) {
    ResetProgram();
    ScriptedPopups popups;
    Click(pHandle, PANEL_RBTFile);
    popups.SelectFile(VAL_NEW_FILE_SELECTED, TempDir() + "/no-such-folder/set.cfg");
    Click(pHandle, PANEL_BTNSend);
    EXPECT_EQ(StatusLine(), "Error writing parameter-file!");
}

TEST(ParameterFile, DamagedFilesAreRejectedWholeAndTheOperatorsEditsStay) {
    ResetProgram();
    ScriptedPopups popups;
    Click(pHandle, PANEL_RBTFile);
    const std::string dir = TempDir();
    const std::string cases[] = {
        Numbers(44, 7), Numbers(46, 7), Numbers(44, 7) + "12a\r\n", Numbers(44, 7) + "-5\r\n",
        Numbers(44, 7) + "1.5\r\n", "",
    };
    int n = 0;
    for (const std::string& content : cases) {
        const std::string path = dir + "/bad" + std::to_string(++n) + ".cfg";
        WriteAll(path, content);
        ResetProgram();
        Click(pHandle, PANEL_RBTFile);
        Type(pPara1, PARA1_NUMTeachA, 2468);  // typed, not yet sent
        std::uint16_t before[52];
        std::copy(std::begin(parameter), std::end(parameter), before);
        popups.SelectFile(VAL_EXISTING_FILE_SELECTED, path);
        Click(pHandle, PANEL_BTNGet);
        EXPECT_EQ(StatusLine(), "Error reading parameter-file!") << "case " << n;
        EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(parameter))) << "case " << n;
        unsigned short teach = 0;
        GetCtrlVal(pPara1, PARA1_NUMTeachA, teach);
        EXPECT_EQ(teach, 2468) << "case " << n;
    }
    // A cancelled selection stays silent and changes nothing either.
    ResetProgram();
    Click(pHandle, PANEL_RBTFile);
    Type(pPara1, PARA1_NUMTeachA, 2468);
    popups.SelectFile(VAL_NO_FILE_SELECTED, "");
    Click(pHandle, PANEL_BTNGet);
    EXPECT_EQ(StatusLine(), "InitVars");
    unsigned short teach = 0;
    GetCtrlVal(pPara1, PARA1_NUMTeachA, teach);
    EXPECT_EQ(teach, 2468);
}

TEST(ParameterFile, WindowsFileWithBlanksLoadsAndLargeNumbersKeepTheirLowWord) {
    ResetProgram();
    ScriptedPopups popups;
    Click(pHandle, PANEL_RBTFile);
    std::string text;
    for (int i = 0; i < 45; ++i) {
        unsigned v = i == 0 ? 2 : (i == 18 ? 70000u : 10u + i);  // line 19 = teachA
        text += "  " + std::to_string(v) + " \t\r\n";
    }
    const std::string path = TempDir() + "/windows.cfg";
    WriteAll(path, text);
    popups.SelectFile(VAL_EXISTING_FILE_SELECTED, path);
    Click(pHandle, PANEL_BTNGet);
    EXPECT_EQ(parameter[core::kEvalMode], 2);
    // 70000 is 4464 in 16 bits; shown limited to the line (4096 pixels).
    EXPECT_EQ(parameter[core::kTeachA], 4096 / 2);
    EXPECT_EQ(parameter[core::kTrigThdB], 10 + 37);
}

TEST(SubPanelSelector, ShowsOneSubPanelAtATimeLikeTabs) {
    ResetProgram();
    auto shown = [](int panel) { return platform::PanelWidget(panel)->isVisible(); };
    Click(pHandle, PANEL_TOGGBTN_Para1);
    EXPECT_TRUE(shown(pPara1));
    EXPECT_FALSE(shown(pPara0));
    EXPECT_FALSE(shown(pPara2));
    EXPECT_FALSE(shown(pCalib));
    EXPECT_EQ(Value(pHandle, PANEL_TOGGBTN_Para1), 1);
    EXPECT_EQ(Value(pHandle, PANEL_TOGGBTN_Para0), 0);
    Click(pHandle, PANEL_TOGGBTN_Calib);
    EXPECT_TRUE(shown(pCalib));
    EXPECT_FALSE(shown(pPara1));
    EXPECT_EQ(Value(pHandle, PANEL_TOGGBTN_Para1), 0);
    // The button of the shown sub-panel toggles off; the sub-panel stays.
    Click(pHandle, PANEL_TOGGBTN_Calib);
    EXPECT_TRUE(shown(pCalib));
    for (int t : {PANEL_TOGGBTN_Para0, PANEL_TOGGBTN_Para1, PANEL_TOGGBTN_Para2, PANEL_TOGGBTN_Calib})
        EXPECT_EQ(Value(pHandle, t), 0);
}
