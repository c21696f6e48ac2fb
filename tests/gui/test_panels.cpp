// The six panels as the program loads them: every control of the table with
// its kind, binding and accessible names, the sub-panels in place, and the
// start state every module returns to.

#include <QAbstractButton>
#include <QWidget>
#include <cstring>
#include <map>

#include "app_fixture.h"

using namespace kbex_test;
using Panels = ProgramTest;
using StartState = ProgramTest;

TEST_F(Panels, EveryTableControlExistsWithKindBindingAndAccessibleNames) {
    const std::map<int, int> handle = {{PANEL, pHandle}, {PARA0, pPara0}, {PARA1, pPara1},
                                       {PARA2, pPara2},  {CALIB, pCalib}, {POPUP, pPopUp}};
    EXPECT_EQ(UirControls().size(), 81u);
    for (const platform::CtrlDef& c : UirControls()) {
        QWidget* w = platform::CtrlWidget(handle.at(c.panelResource), c.id);
        ASSERT_NE(w, nullptr) << c.constant;
        EXPECT_EQ(w->property("callback").toString().toStdString(), c.callback ? c.callback : "")
            << c.constant;
        EXPECT_EQ(w->accessibleDescription().toStdString(), c.constant);
        EXPECT_FALSE(w->accessibleName().isEmpty()) << c.constant;
        EXPECT_NE(w->accessibleName().toStdString(), c.objectName)
            << c.constant << " has no caption or label";
    }
    // A button is named by its caption.
    auto* run = qobject_cast<QAbstractButton*>(platform::CtrlWidget(pHandle, PANEL_BTNRun));
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->accessibleName(), run->text().remove('&'));
}

TEST_F(StartState, InitVarsPutsEveryModuleBackAndInitGuiAppliesTheStartUpRules) {
    // What a session leaves behind in each module. teachA has a control and
    // comes back from it; entry 12 has none.
    parameter[core::kTeachA] = parameter[12] = 7;
    core::Put32(parameter, core::kSetpointA, 7);
    stop_flag = 0;
    Aval = tVal = curposA = mvalBUFA[0] = trgBUFA[0] = 9;
    ccdvirtpixel = ADCMAX = YAXISMAX = 1024;
    xArrayMVAL[1] = 9;
    target = 3;
    com = 4;
    std::strcpy(szVersion, "old");
    std::strcpy(file_name, "old.cfg");
    recfile_name = "old.dat";
    SetCtrlVal(pHandle, PANEL_TOGGBTN_Recorder, 1);
    SetCtrlAttribute(pHandle, PANEL_ButtonReset, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED, 0);
    SetCtrlAttribute(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED, 0);

    InitVars();
    InitGUI();
    // In this order: the set (teachA, entry 12, setpointA), the sensor link
    // (stop_flag, Aval, ccdvirtpixel, ADCMAX, YAXISMAX), the panels (tVal,
    // curposA, mvalBUFA, trgBUFA, xArrayMVAL), the main module (target, com,
    // the recorder button), and the start-up rules: anaMode 0 hides RESET and
    // the held max, hardwareMode 1 dims the tolerance, pmode 1 dims its value,
    // the flash upload waits for the calibration sub-panel's request.
    EXPECT_EQ(
        Values(parameter[core::kTeachA], parameter[12], core::Get32(parameter, core::kSetpointA), stop_flag,
               Aval, ccdvirtpixel, ADCMAX, YAXISMAX, tVal, curposA, mvalBUFA[0], trgBUFA[0], xArrayMVAL[1],
               target, com, Val<int>(pHandle, PANEL_TOGGBTN_Recorder),
               Attr(pHandle, PANEL_ButtonReset, ATTR_VISIBLE), Attr(pHandle, PANEL_NUMAnaMax, ATTR_VISIBLE),
               Attr(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED), Attr(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED),
               Attr(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE)),
        Values(512, 0, 37000, 1, 0, 4096, 256, 2048, 0, 0, 0, 100, 2, 1, 1, 0, 0, 0, 1, 1, 0));
    EXPECT_STREQ(szVersion, "");
    EXPECT_STREQ(file_name, "");
    EXPECT_EQ(recfile_name, proj_dir + "/KBexRecord.dat");
    std::string line0;
    EXPECT_EQ(GetTextBoxLine(pPopUp, POPUP_TXTRecFile, 0, line0), 0);
    EXPECT_EQ(line0, recfile_name);
}
