// The main panel's transfer buttons as the operator uses them: target radio
// buttons, right-click help, the parameter file through SEND and GET, and the
// sub-panel selector.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/testing.h"

#include <QWidget>

using namespace kbex_test;
using TargetButtons = ProgramTest;
using RightClickHelp = ProgramTest;
using ParameterFile = ProgramTest;
using SubPanelSelector = ProgramTest;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Numbers(int count, unsigned value) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += std::to_string(value) + "\r\n";
    return s;
}

// The three radio buttons, RAM, EEPROM, File.
std::vector<int> Radios() {
    return {Val<int>(pHandle, PANEL_RBTRam), Val<int>(pHandle, PANEL_RBTEeprom),
            Val<int>(pHandle, PANEL_RBTFile)};
}

}  // namespace

TEST_F(TargetButtons, ActAsOneGroupFallingBackToRam) {
    const struct {
        int click, target;
        std::vector<int> radios;
    } steps[] = {
        {PANEL_RBTFile, 3, {0, 0, 1}}, {PANEL_RBTEeprom, 2, {0, 1, 0}}, {PANEL_RBTFile, 3, {0, 0, 1}},
        {PANEL_RBTFile, 1, {1, 0, 0}},  // File off again: back to RAM, not to EEPROM
        {PANEL_RBTRam, 1, {1, 0, 0}},   // RAM cannot be switched off
    };
    for (const auto& s : steps) {
        ASSERT_TRUE(Click(pHandle, s.click));
        EXPECT_EQ(target, s.target) << "after a click on " << s.click;
        EXPECT_EQ(Radios(), s.radios) << "after a click on " << s.click;
    }
}

TEST_F(RightClickHelp, TogglesOneBoxBesideTheButtonWithItsTextAndRunsNoCommand) {
    const struct {
        int button;
        bool fromRight;
        int dx, dy;
        const char* text;
    } helps[] = {
        {PANEL_BTNGet, true, 20, -25,
         "GET-BUTTON:\nGet parameter-frame of K-BEX-\nsensor from EEPROM-memory\nor RAM-memory ..."},
        {PANEL_BTNSend, true, 20, -25,
         "SEND-BUTTON:\nSend parameter-frame to EEPROM-\nor RAM-memory of the K-BEX-sensor!"},
        {PANEL_ButtonTeach, false, -200, -20,
         "TEACH-BUTTON:\nStart teach procedure at K-BEX-\nsensor. The actual pixel-position ==\nnew teach "
         "value!"},
    };
    int shown = 0;
    for (const auto& h : helps) {
        int top = 0, left = 0, height = 0, width = 0;
        GetCtrlBoundingRect(pHandle, h.button, top, left, height, width);
        ASSERT_TRUE(RightClick(pHandle, h.button));
        shown = 1 - shown;  // a right click on another button toggles the same box
        EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_VISIBLE), shown);
        EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_LEFT), (h.fromRight ? left + width : left) + h.dx);
        EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_TOP), top + h.dy);
        EXPECT_EQ(Val<std::string>(pHandle, PANEL_HelpText1), h.text);
        if (h.button == PANEL_BTNGet) {
            // The box lies above everything else and fits its text.
            QWidget* box = platform::CtrlWidget(pHandle, PANEL_HelpText1);
            EXPECT_GE(box->height(), 4 * box->fontMetrics().height());
            EXPECT_TRUE(SavePanelImage(pHandle, "main-help.png"));
        }
    }
    // A click on the box closes it; no command ran for any of this.
    ASSERT_TRUE(RightClick(pHandle, PANEL_HelpText1));
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_VISIBLE), 0);
    EXPECT_EQ(StatusLine(), "InitVars");
}

TEST_F(ParameterFile, SaveAndLoadRestoreEveryWordExactlyWithoutSerialTraffic) {
    SimLine line;
    ASSERT_TRUE(line.Open());  // a sensor on the line hears nothing of it
    ScriptedPopups popups;
    const std::string path = TempDir() + "/KBEXpara.cfg";
    ASSERT_TRUE(Click(pHandle, PANEL_RBTFile));
    // Values on the panels, and words that only the set carries.
    ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, 1777));
    ASSERT_TRUE(Type(pCalib, CALIB_NUMCalibRef, 0x12345678));
    ASSERT_TRUE(Type(pCalib, CALIB_NUMCalibB, 1027 / 1024.0));
    parameter[12] = 11;
    parameter[16] = 65535;
    parameter[46] = 4646;
    core::Put32(parameter, core::kSetpointA, 0xDEADBEEF);
    popups.SelectFile(VAL_NEW_FILE_SELECTED, path);
    ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
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
    ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, 5));
    popups.SelectFile(VAL_EXISTING_FILE_SELECTED, path);
    ASSERT_TRUE(Click(pHandle, PANEL_BTNGet));
    for (int i = 4; i < 52; ++i) {
        if (i != 17 && i != 31 && i != 47) {
            EXPECT_EQ(parameter[i], expected[i]) << "entry " << i;
        }
    }
    EXPECT_EQ(parameter[3], 333);
    EXPECT_EQ(Val<unsigned short>(pPara1, PARA1_NUMTeachA), 1777);
    EXPECT_EQ(popups.seam().lastFileSelectTitle, "K-BEX-MS-Series-Parameter-File");
    EXPECT_TRUE(line.sensor().Requests().empty());
}

TEST_F(ParameterFile, SaveOverwritesOnlyWhenTheOperatorAgreesAndReportsAFailedWrite) {
    ScriptedPopups popups;
    const std::string path = TempDir() + "/old.cfg";
    WriteAll(path, "precious\n");
    ASSERT_TRUE(Click(pHandle, PANEL_RBTFile));
    popups.SelectFile(VAL_EXISTING_FILE_SELECTED, path);
    popups.Confirm(false);
    ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
    EXPECT_EQ(popups.seam().confirmCalls, 1);
    EXPECT_EQ(popups.seam().lastConfirmTitle, "ATTENTION!");
    EXPECT_EQ(popups.seam().lastConfirmMessage, "Output-File already exist! - Overwrite ?");
    EXPECT_EQ(popups.seam().lastFileSelectTitle, "K-BEX-MS-Series Parameter File");
    EXPECT_EQ(ReadAll(path), "precious\n");
    EXPECT_EQ(StatusLine(), "Transmit...");
    popups.Confirm(true);
    ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
    EXPECT_EQ(ReadAll(path).size(), 45u * 12u);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    // Cancelling the selection writes nothing and asks nothing.
    popups.SelectFile(VAL_NO_FILE_SELECTED, "");
    ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
    EXPECT_EQ(popups.seam().confirmCalls, 2);
    popups.SelectFile(VAL_NEW_FILE_SELECTED, TempDir() + "/no-such-folder/set.cfg");
    ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
    EXPECT_EQ(StatusLine(), "Error writing parameter-file!");
}

TEST_F(ParameterFile, LoadRejectsADamagedFileWholeKeepingTheOperatorsEditsAndTakesAWindowsFile) {
    ScriptedPopups popups;
    ASSERT_TRUE(Click(pHandle, PANEL_RBTFile));
    const std::string dir = TempDir();
    const std::string damaged[] = {
        Numbers(44, 7),
        Numbers(46, 7),
        Numbers(44, 7) + "12a\r\n",
        Numbers(44, 7) + "-5\r\n",
        Numbers(44, 7) + "1.5\r\n",
        "",
    };
    std::uint16_t n = 0;
    for (const std::string& content : damaged) {
        const std::string path = dir + "/bad" + std::to_string(++n) + ".cfg";
        WriteAll(path, content);
        SetCtrlVal(pHandle, PANEL_TXTStatus, "");
        ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, 2460 + n));  // typed, not yet sent
        std::uint16_t before[52];
        std::copy(std::begin(parameter), std::end(parameter), before);
        popups.SelectFile(VAL_EXISTING_FILE_SELECTED, path);
        ASSERT_TRUE(Click(pHandle, PANEL_BTNGet));
        EXPECT_EQ(StatusLine(), "Error reading parameter-file!") << "case " << n;
        EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(parameter))) << "case " << n;
        EXPECT_EQ(Val<unsigned short>(pPara1, PARA1_NUMTeachA), 2460 + n) << "case " << n;
    }
    // A cancelled selection stays silent and changes nothing either.
    SetCtrlVal(pHandle, PANEL_TXTStatus, "");
    ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, 2468));
    popups.SelectFile(VAL_NO_FILE_SELECTED, "");
    ASSERT_TRUE(Click(pHandle, PANEL_BTNGet));
    EXPECT_EQ(StatusLine(), "");
    EXPECT_EQ(Val<unsigned short>(pPara1, PARA1_NUMTeachA), 2468);

    // Blanks, tabs and CR LF are fine; a large number keeps its low word.
    std::string text;
    for (int i = 0; i < 45; ++i) {
        const unsigned v = i == 0 ? 2 : (i == 18 ? 70000u : 10u + i);  // line 19 = teachA
        text += "  " + std::to_string(v) + " \t\r\n";
    }
    WriteAll(dir + "/windows.cfg", text);
    popups.SelectFile(VAL_EXISTING_FILE_SELECTED, dir + "/windows.cfg");
    ASSERT_TRUE(Click(pHandle, PANEL_BTNGet));
    EXPECT_EQ(parameter[core::kEvalMode], 2);
    // 70000 is 4464 in 16 bits; shown limited to the line (4096 pixels).
    EXPECT_EQ(parameter[core::kTeachA], 4096 / 2);
    EXPECT_EQ(parameter[core::kTrigThdB], 10 + 37);
}

TEST_F(SubPanelSelector, ShowsOneSubPanelAtATimeLikeTabs) {
    SimLine line;  // the pictures show a sensor's set
    ASSERT_TRUE(line.Connect());
    const struct {
        int toggle, panel;
        const char* picture;
    } tabs[] = {
        {PANEL_TOGGBTN_Para1, pPara1, "main-master.png"},
        {PANEL_TOGGBTN_Calib, pCalib, "main-calibration.png"},
        {PANEL_TOGGBTN_Para0, pPara0, "main-general.png"},
        {PANEL_TOGGBTN_Para2, pPara2, "main-slave.png"},
    };
    for (const auto& t : tabs) {
        ASSERT_TRUE(Click(pHandle, t.toggle));
        for (const auto& o : tabs) {
            EXPECT_EQ(platform::PanelWidget(o.panel)->isVisible(), o.panel == t.panel) << t.picture;
            EXPECT_EQ(Val<int>(pHandle, o.toggle), o.toggle == t.toggle ? 1 : 0) << t.picture;
        }
        EXPECT_TRUE(SavePanelImage(pHandle, t.picture));
    }
    // The button of the shown sub-panel toggles off; the sub-panel stays.
    ASSERT_TRUE(Click(pHandle, PANEL_TOGGBTN_Para2));
    EXPECT_TRUE(platform::PanelWidget(pPara2)->isVisible());
    for (const auto& t : tabs)
        EXPECT_EQ(Val<int>(pHandle, t.toggle), 0);
}
