// The fields and rings that act at once and the recorder's pop-up: what the
// operator sees change, and that none of it says a word to the sensor.
#include <QAbstractSpinBox>
#include <QTest>
#include <QWidget>
#include <tuple>

#include "app_fixture.h"
#include "platform/files.h"
#include "platform/panels_internal.h"

using namespace kbex_test;
using ParameterFields = ProgramTest;
using ModeControls = ProgramTest;
using RecorderPopup = ProgramTest;

static bool HasFlatLine(int graph, double level) {
    const auto& plots = Graph(graph).plots;
    return std::any_of(plots.begin(), plots.end(),
                       [&](const auto& p) { return p.y == std::vector<double>(MAXPOINT, level); });
}

// The commits the recorder's interval field raises, passed on to the program.
static int intervalCommits = 0;
static int CountIntervalCommits(int panel, int control, int event, void* data, int data1, int data2) {
    intervalCommits += event == EVENT_COMMIT;
    return CC_NEDITRecTime(panel, control, event, data, data1, data2);
}

// Teach 1000 on 2048 pixels: 1048 still fits, 1100 is set back to 1047; a
// teach value at the line's end leaves 0 rather than a wrapped 65535.
TEST_F(ParameterFields, ToleranceStaysOnTheLineAndShowsItInMillimetres) {
    ccdvirtpixel = 2048;
    parameter[core::kTeachA] = 1000;
    core::Put32(parameter, core::kCalibA, 2048);  // 2 µm a pixel
    for (auto [field, mm] :
         {std::pair{PARA0_NUMToleranceUP, PANEL_NUMTolUpMM}, {PARA0_NUMToleranceLO, PANEL_NUMTolLoMM}}) {
        ASSERT_TRUE(Type(pPara0, field, 1100));
        EXPECT_EQ(Val<int>(pPara0, field), 1047);
        EXPECT_NEAR(Val<double>(pHandle, mm), 2.094, 1e-9);
        ASSERT_TRUE(Type(pPara0, field, 1048));
        EXPECT_EQ(Val<int>(pPara0, field), 1048);
    }
    parameter[core::kTeachA] = 2048;
    ASSERT_TRUE(Type(pPara0, PARA0_NUMToleranceUP, 5));
    EXPECT_EQ(Val<int>(pPara0, PARA0_NUMToleranceUP), 0);
}

// The teach lines use the set's tolerances (not the fields'), held to the
// start's line of 4096 pixels.
TEST_F(ParameterFields, TriggerAndTeachRedrawTheDataCurveWithTheirLines) {
    std::tie(parameter[core::kTolLoPix], parameter[core::kTolUpPix]) = std::pair(50, 100);
    SetCtrlVal(pPara0, PARA0_NUMToleranceLO, 7);
    ASSERT_TRUE(Type(pPara1, PARA1_NUMTriggThresholdA, 333));
    // Strip chart, VIDEO master, DATA master, DATA slave.
    EXPECT_EQ(Attrs({PANEL_STRIPRaw, PANEL_GRAPHVideoMaster, PANEL_GRAPHDataMaster, PANEL_GRAPHDataSlave}),
              (std::vector<int>{0, 0, 1, 0}));
    EXPECT_TRUE(HasFlatLine(PANEL_GRAPHDataMaster, 333));
    for (auto [typed, held, lo, up] :
         {std::tuple{0, 1, 0, 101}, {5000, 4095, 4045, 4096}, {10, 10, 0, 110}}) {
        ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, typed));
        EXPECT_EQ(Values(Val<int>(pPara1, PARA1_NUMTeachA), refTHDA[0], loTHDA[127], upTHDA[64]),
                  Values(held, held, lo, up));
    }
    EXPECT_EQ(Attrs({PANEL_STRIPRaw, PANEL_GRAPHVideoMaster, PANEL_GRAPHDataMaster, PANEL_GRAPHDataSlave}),
              (std::vector<int>{0, 0, 1, 1}));
    EXPECT_TRUE(HasFlatLine(PANEL_GRAPHDataMaster, 110));
}

TEST_F(ModeControls, RingsAndSlidesChangeOnlyTheDisplay) {
    SimLine line;
    ASSERT_TRUE(line.Open());  // on the start's line of 4096 pixels
    // Mode, traces switch -> teach A and B dimmed, point style, y axis.
    const std::array<int, 6> rows[] = {
        {3, 1, 1, 1, VAL_SOLID_SQUARE, 8192}, {0, 1, 1, 0, VAL_NO_POINT, 4096},
        {2, 1, 0, 0, VAL_NO_POINT, 8192},     {2, 0, 0, 0, VAL_NO_POINT, 4096},
        {1, 1, 0, 1, VAL_NO_POINT, 4096},     {4, 1, 0, 0, VAL_SOLID_SQUARE, 8192}};
    for (const auto& [mode, traces, dimA, dimB, pointStyle, yAxisMax] : rows) {
        SetCursorAttribute(pHandle, PANEL_GRAPHBarSlave, 2, ATTR_CURSOR_POINT_STYLE, VAL_SOLID_SQUARE);
        SetCtrlVal(pHandle, PANEL_SWITCHRawTraces, traces);
        ASSERT_TRUE(Choose(pPara0, PARA0_DropEvalMode, mode));
        EXPECT_EQ(
            Values(Attr(pPara1, PARA1_NUMTeachA, ATTR_DIMMED), Attr(pPara2, PARA2_NUMTeachB, ATTR_DIMMED),
                   Graph(PANEL_GRAPHBarSlave).cursors.at(2).pointStyle, YAXISMAX),
            Values(dimA, dimB, pointStyle, yAxisMax))
            << "mode " << mode << " traces " << traces;
    }
    // Ring, value chosen; then a control it acts on, the attribute and what it reads.
    for (auto [ringPanel, ring, value, panel, control, attribute, expected] :
         {std::tuple{pPara0, PARA0_DROPHardwareMode, 3, pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED, 1},
          {pPara0, PARA0_DROPHardwareMode, 1, pPara0, PARA0_NUMToleranceLO, ATTR_DIMMED, 1},
          {pPara0, PARA0_DROPHardwareMode, 2, pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED, 0},
          {pPara0, PARA0_DROPAnaMode, 0, pHandle, PANEL_ButtonReset, ATTR_VISIBLE, 0},
          {pPara0, PARA0_DROPAnaMode, 0, pHandle, PANEL_NUMAnaMin, ATTR_VISIBLE, 0},
          {pPara0, PARA0_DROPAnaMode, 2, pHandle, PANEL_NUMAnaMax, ATTR_VISIBLE, 1},
          {pPara1, PARA1_DROPpmodeA, 1, pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED, 1},
          {pPara1, PARA1_DROPpmodeA, 0, pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED, 0}}) {
        ASSERT_TRUE(Choose(ringPanel, ring, value));
        EXPECT_EQ(Attr(panel, control, attribute), expected) << "ring " << ring << " value " << value;
    }

    // The video threshold in percent of the signal's full scale.
    for (auto [adcMax, panel, slide, graph] :
         {std::tuple{256, pPara1, PARA1_SLIDEVideoTHD_A, PANEL_GRAPHVideoMaster},
          {1024, pPara2, PARA2_SLIDEVideoTHD_B, PANEL_GRAPHVideoSlave}}) {
        ADCMAX = static_cast<std::uint16_t>(adcMax);
        SetCtrlVal(panel, slide, 0);
        ASSERT_TRUE(Type(panel, slide, 50));
        EXPECT_TRUE(HasFlatLine(graph, adcMax / 2));
    }
    // The teach cursor follows the teach field, whichever field's commit moves it.
    SetCtrlVal(pPara1, PARA1_NUMTeachA, 777);
    ASSERT_TRUE(Type(pPara1, PARA1_NUMPixStartA, 9));
    const auto& teach = Graph(PANEL_GRAPHBarMaster).cursors.at(2);
    EXPECT_EQ(Values(teach.x, teach.y), Values(777, 1.0));

    Pump(0.05);
    EXPECT_TRUE(line.Commands().empty());
}

// 5 s x 20000 = 1 d 3 h 46 min 40 s, and a new total starts the count again;
// only the service code shows the upload buttons; an existing file is taken
// (and deleted) only once the operator agrees, and nothing else moves the path.
TEST_F(RecorderPopup, TotalTimeServiceCodeAndFileChoice) {
    ASSERT_TRUE(Type(pPopUp, POPUP_NEDITRecTime, 5));
    SetCtrlVal(pPopUp, POPUP_NUMRecCount, 9);
    ASSERT_TRUE(Type(pPopUp, POPUP_NEDITRecSamples, 20000));
    EXPECT_EQ(Values(Val<int>(pPopUp, POPUP_NUMRecDays), Val<int>(pPopUp, POPUP_NUMRecHours),
                     Val<int>(pPopUp, POPUP_NUMRecMinutes), Val<int>(pPopUp, POPUP_NUMRecSeconds),
                     Val<int>(pPopUp, POPUP_NUMRecCount)),
              Values(1, 3, 46, 40, 0));
    for (auto [code, shown] : {std::pair{6172, 0}, {6173, 1}}) {
        ASSERT_TRUE(Type(pPopUp, POPUP_NEDITRecTime, code));
        EXPECT_EQ(Values(Attr(pCalib, CALIB_BTNWriteXFSL, ATTR_VISIBLE),
                         Attr(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE)),
                  Values(shown, shown));
    }

    for (bool shown : {true, false}) {
        ASSERT_TRUE(Click(pHandle, PANEL_TOGGBTN_Recorder));
        EXPECT_EQ(platform::PanelWidget(pPopUp)->isVisible(), shown);
    }

    const std::string dir = TempDir(), before = recfile_name, existing = dir + "/old.dat";
    ASSERT_EQ(WriteFileBytes(existing.c_str(), "kept", false), 0);
    ASSERT_TRUE(ClickChoosing(pPopUp, POPUP_RecordFileNameBtn, VAL_EXISTING_FILE_SELECTED, existing));
    EXPECT_EQ(Values(recfile_name == before, FileExists(existing.c_str())), Values(1, 1));
    EXPECT_EQ(popups.lastConfirmTitle + popups.lastConfirmMessage,
              "ATTENTION!Output-File already exist! - Overwrite ?");
    confirmYes = true;
    ASSERT_TRUE(Click(pPopUp, POPUP_RecordFileNameBtn));
    EXPECT_EQ(Values(recfile_name == existing, FileExists(existing.c_str())), Values(1, 0));
    EXPECT_EQ(Val<std::string>(pPopUp, POPUP_TXTRecFile), existing);
    ASSERT_TRUE(ClickChoosing(pPopUp, POPUP_RecordFileNameBtn, VAL_NO_FILE_SELECTED, dir + "/cancelled.dat"));
    EXPECT_EQ(recfile_name, existing);
    ASSERT_TRUE(ClickChoosing(pPopUp, POPUP_RecordFileNameBtn, VAL_NEW_FILE_SELECTED, dir + "/new.dat"));
    EXPECT_EQ(Values(recfile_name == dir + "/new.dat", popups.confirmCalls), Values(1, 2));
}

// Enter commits the interval whether or not the operator changed it: the
// service code entered again shows the upload button that an upload hid. A
// value typed and entered is one commit, so is each Enter on it afterwards.
TEST_F(RecorderPopup, EnterCommitsTheIntervalOnceWhetherOrNotItChanged) {
    intervalCommits = 0;
    platform::FindControl(pPopUp, POPUP_NEDITRecTime)->callback = &CountIntervalCommits;
    DisplayPanel(pPopUp);
    auto* field = qobject_cast<QAbstractSpinBox*>(platform::CtrlWidget(pPopUp, POPUP_NEDITRecTime));
    ASSERT_NE(field, nullptr);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "6173");
    EXPECT_EQ(intervalCommits, 0);
    for (auto [key, commits] : {std::pair{Qt::Key_Return, 1}, {Qt::Key_Enter, 2}, {Qt::Key_Return, 3}}) {
        SetCtrlAttribute(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE, 0);  // as its upload leaves it
        QTest::keyClick(field, key);
        EXPECT_EQ(Values(intervalCommits, Val<int>(pPopUp, POPUP_NEDITRecTime),
                         Attr(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE)),
                  Values(commits, 6173, 1))
            << "Enter " << commits;
    }
}
