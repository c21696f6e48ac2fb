// The main panel's transfer buttons as the operator uses them: target radio
// buttons, right-click help, the parameter file through SEND and GET, and the
// sub-panel selector.

#include <QWidget>

#include "app_fixture.h"
#include "platform/files.h"

using namespace kbex_test;
using TargetButtons = ProgramTest;
using RightClickHelp = ProgramTest;
using ParameterFile = ProgramTest;
using SubPanelSelector = ProgramTest;

static std::vector<std::uint16_t> Set() {
    return {std::begin(parameter), std::end(parameter)};
}

TEST_F(TargetButtons, ActAsOneGroupFallingBackToRam) {
    // In fives: a click, then the target and the RAM, EEPROM and File buttons.
    // File off again falls back to RAM, not to EEPROM; RAM cannot be switched off.
    const int steps[] = {PANEL_RBTFile, 3, 0, 0, 1, PANEL_RBTEeprom, 2, 0, 1, 0, PANEL_RBTFile, 3, 0, 0, 1,
                         PANEL_RBTFile, 1, 1, 0, 0, PANEL_RBTRam,    1, 1, 0, 0};
    for (const int* s = steps; s != std::end(steps); s += 5) {
        ASSERT_TRUE(Click(pHandle, s[0]));
        EXPECT_EQ(Values(target, Val<int>(pHandle, PANEL_RBTRam), Val<int>(pHandle, PANEL_RBTEeprom),
                         Val<int>(pHandle, PANEL_RBTFile)),
                  Values(s[1], s[2], s[3], s[4]))
            << "after a click on " << s[0];
    }
}

TEST_F(RightClickHelp, TogglesOneBoxBesideTheButtonWithItsTextAndRunsNoCommand) {
    // Panel, control, help box, placed from the control's right edge or its
    // left, dx, dy, heading. A sub-panel's field is placed in main-panel
    // coordinates, a curve graph's box inside the graph.
    const std::tuple<int, int, int, bool, int, int, const char*> helps[] = {
        {pHandle, PANEL_BTNGet, PANEL_HelpText1, true, 20, -25, "GET-BUTTON:\n"},
        {pHandle, PANEL_BTNSend, PANEL_HelpText1, true, 20, -25, "SEND-BUTTON:\n"},
        {pHandle, PANEL_ButtonTeach, PANEL_HelpText1, false, -200, -20, "TEACH-BUTTON:\n"},
        {pHandle, PANEL_BTNRun, PANEL_HelpText1, true, 10, -20, "START-BUTTON:\n"},
        {pHandle, PANEL_BTNVideo, PANEL_HelpText1, true, 10, -20, "VIDEO-BUTTON:\n"},
        {pHandle, PANEL_BTNData, PANEL_HelpText1, true, 10, -20, "DATA-BUTTON:\n"},
        {pHandle, PANEL_BTNStop, PANEL_HelpText1, true, 10, -20, "STOP-BUTTON:\n"},
        {pHandle, PANEL_ButtonReset, PANEL_HelpText1, true, 10, -60, "RESET-BUTTON:\n"},
        {pHandle, PANEL_TOGGBTN_Recorder, PANEL_HelpText1, true, 10, -50, "RECORDER-BUTTON:\n"},
        {pPara0, PARA0_NUMToleranceLO, PANEL_HelpText1, true, 20, -10, "TOLERANCE-LO:\n"},
        {pPara1, PARA1_NUMTriggThresholdA, PANEL_HelpText1, true, 30, -10, "TRIGGER-THRESHOLD:\n"},
        {pHandle, PANEL_DropDCom, PANEL_HelpText2, true, 20, -120, "DROP-DOWN-CONNECT:\n"},
        {pHandle, PANEL_GRAPHVideoSlave, PANEL_HelpText2, false, 60, 30, "VIDEO-GRAPH-SLAVE:\n"},
        {pHandle, PANEL_GRAPHVideoMaster, PANEL_HelpText2, false, 40, 30, "VIDEO-GRAPH-MASTER:\n"},
        {pHandle, PANEL_GRAPHDataMaster, PANEL_HelpText2, false, 40, 30, "DATA-GRAPH-MASTER:\n"},
        {pHandle, PANEL_GRAPHDataSlave, PANEL_HelpText2, false, 40, 30, "DATA-GRAPH-SLAVE:\n"}};
    int shown[2] = {0, 0};
    for (const auto& [panel, button, box, fromRight, dx, dy, heading] : helps) {
        int px = 0, py = 0, top = 0, left = 0, height = 0, width = 0;
        if (panel != pHandle) {
            GetPanelAttribute(panel, ATTR_LEFT, px);
            GetPanelAttribute(panel, ATTR_TOP, py);
        }
        GetCtrlBoundingRect(panel, button, top, left, height, width);
        ASSERT_TRUE(RightClick(panel, button));
        int& s = shown[box == PANEL_HelpText2];
        s = 1 - s;  // a right click on another control toggles the same box
        EXPECT_EQ(Values(Attr(pHandle, box, ATTR_VISIBLE), Attr(pHandle, box, ATTR_LEFT),
                         Attr(pHandle, box, ATTR_TOP), Val<std::string>(pHandle, box).starts_with(heading)),
                  Values(s, px + (fromRight ? left + width : left) + dx, py + top + dy, true))
            << heading;
    }
    // The box lies above everything else and fits its text.
    QWidget* box = platform::CtrlWidget(pHandle, PANEL_HelpText1);
    EXPECT_GE(box->height(), 4 * box->fontMetrics().height());
    EXPECT_TRUE(SavePanelImage(pHandle, "main-help.png"));
    // A click on the box closes it; no command ran for any of this.
    ASSERT_TRUE(RightClick(pHandle, PANEL_HelpText1));
    EXPECT_EQ(std::tuple(Attr(pHandle, PANEL_HelpText1, ATTR_VISIBLE), StatusLine(), stop_flag),
              std::tuple(0, "InitVars", 1));
}

TEST_F(ParameterFile, SaveAndLoadRestoreEveryWordSaveOverwritesOnlyWithConsentAndLoadRejectsADamagedFile) {
    SimLine line;
    ASSERT_TRUE(line.Open());  // a sensor on the line hears nothing of it
    const std::string path = TempDir() + "/KBEXpara.cfg";
    ASSERT_TRUE(Click(pHandle, PANEL_RBTFile));
    // Values on the panels, and words that only the set carries.
    ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, 1777));
    ASSERT_TRUE(Type(pCalib, CALIB_NUMCalibRef, 0x12345678));
    ASSERT_TRUE(Type(pCalib, CALIB_NUMCalibB, 1027 / 1024.0));
    for (auto [entry, value] : {std::pair{12, 11}, {16, 65535}, {46, 4646}})
        parameter[entry] = static_cast<std::uint16_t>(value);
    core::Put32(parameter, core::kSetpointA, 0xDEADBEEF);
    ASSERT_TRUE(ClickChoosing(pHandle, PANEL_BTNSend, VAL_NEW_FILE_SELECTED, path));
    auto expected = Set();
    // A plain text file: 45 lines (as the overwrite below shows), each number
    // right-aligned in 10 places.
    EXPECT_EQ(FileText(path).substr(18 * 12, 12), "      1777\r\n");  // line 19: teachA

    for (int i : {12, 16, 46, 34, 35, 23, 18, 19, 48})
        parameter[i] = 0;
    parameter[3] = expected[3] = 333;  // in no page: must survive the load
    ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, 5));
    ASSERT_TRUE(ClickChoosing(pHandle, PANEL_BTNGet, VAL_EXISTING_FILE_SELECTED, path));
    EXPECT_EQ(std::tuple(Set(), Val<unsigned short>(pPara1, PARA1_NUMTeachA), line.sensor.Requests().size()),
              std::tuple(expected, 1777, 0u));

    const std::string dir = TempDir();  // a fresh one
    ASSERT_EQ(WriteFileBytes((dir + "/old.cfg").c_str(), "precious\n", false), 0);
    ASSERT_TRUE(ClickChoosing(pHandle, PANEL_BTNSend, VAL_EXISTING_FILE_SELECTED, dir + "/old.cfg"));
    EXPECT_EQ(std::tuple(popups.confirmCalls, FileText(dir + "/old.cfg"), StatusLine()),
              std::tuple(1, "precious\n", "Transmit..."));
    confirmYes = true;
    ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
    EXPECT_EQ(FileText(dir + "/old.cfg").size(), 45u * 12u);
    // Cancelling the selection writes nothing and asks nothing.
    ASSERT_TRUE(ClickChoosing(pHandle, PANEL_BTNSend, VAL_NO_FILE_SELECTED, ""));
    EXPECT_EQ(popups.confirmCalls, 2);
    ASSERT_TRUE(
        ClickChoosing(pHandle, PANEL_BTNSend, VAL_NEW_FILE_SELECTED, dir + "/no-such-folder/set.cfg"));
    EXPECT_EQ(StatusLine(), "Error writing parameter-file!");
    ASSERT_TRUE(ClickChoosing(pHandle, PANEL_BTNSend, VAL_NEW_FILE_SELECTED, dir + "/set.cfg"));
    EXPECT_EQ(StatusLine(), "Parameter-file written!");  // the earlier error does not stand

    // A damaged file (which are damaged is the reader's unit test's) is
    // rejected whole, keeping the operator's edits; a cancelled selection is
    // silent. A Windows file is taken.
    ASSERT_EQ(WriteFileBytes((dir + "/bad.cfg").c_str(), "7\r\n12a\r\n", false), 0);
    for (bool cancel : {false, true}) {
        SetCtrlVal(pHandle, PANEL_TXTStatus, "");
        ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, 2460 + cancel));  // typed, not yet sent
        const auto before = Set();
        ASSERT_TRUE(ClickChoosing(pHandle, PANEL_BTNGet,
                                  cancel ? VAL_NO_FILE_SELECTED : VAL_EXISTING_FILE_SELECTED,
                                  dir + "/bad.cfg"));
        EXPECT_EQ(std::tuple(StatusLine(), Set(), Val<unsigned short>(pPara1, PARA1_NUMTeachA)),
                  std::tuple(cancel ? "" : "Error reading parameter-file!", before, 2460 + cancel))
            << "cancelled " << cancel;
    }

    // Blanks, tabs and CR LF are fine; a number past 16 bits keeps its low word
    // (65538 is evaluation mode 2, where a clamp would be out of range). Line 1
    // is the evaluation mode, line 38 channel B's trigger threshold.
    std::string text;
    for (int i = 0; i < 45; ++i)
        text += "  " + std::to_string(i == 0 ? 65538 : i == 37 ? 47 : 10) + " \t\r\n";
    ASSERT_EQ(WriteFileBytes((dir + "/windows.cfg").c_str(), text, false), 0);
    ASSERT_TRUE(ClickChoosing(pHandle, PANEL_BTNGet, VAL_EXISTING_FILE_SELECTED, dir + "/windows.cfg"));
    EXPECT_EQ(std::tuple(StatusLine(), parameter[core::kEvalMode], parameter[core::kTrigThdB]),
              std::tuple("Parameter-file loaded!", 2, 47));
}

TEST_F(SubPanelSelector, ShowsOneSubPanelAtATimeLikeTabs) {
    SimLine line;  // the pictures show a sensor's set
    ASSERT_TRUE(line.Connect());
    // Toggle button, sub-panel, picture.
    const std::tuple<int, int, const char*> tabs[] = {{PANEL_TOGGBTN_Para1, pPara1, "main-master.png"},
                                                      {PANEL_TOGGBTN_Calib, pCalib, "main-calibration.png"},
                                                      {PANEL_TOGGBTN_Para0, pPara0, "main-general.png"},
                                                      {PANEL_TOGGBTN_Para2, pPara2, "main-slave.png"}};
    for (const auto& [toggle, panel, picture] : tabs) {
        ASSERT_TRUE(Click(pHandle, toggle));
        for (const auto& [otherToggle, other, _] : tabs)
            EXPECT_EQ(Values(platform::PanelWidget(other)->isVisible(), Val<int>(pHandle, otherToggle)),
                      Values(other == panel, otherToggle == toggle))
                << picture;
        EXPECT_TRUE(SavePanelImage(pHandle, picture));
    }
    // The button of the shown sub-panel toggles off; the sub-panel stays.
    ASSERT_TRUE(Click(pHandle, PANEL_TOGGBTN_Para2));
    EXPECT_TRUE(platform::PanelWidget(pPara2)->isVisible());
    for (const auto& [toggle, panel, picture] : tabs)
        EXPECT_EQ(Val<int>(pHandle, toggle), 0);
}
