// The six panels as the program loads them: every control of the table with
// its kind, binding and accessible names, the sub-panels in place, and the
// start state every module returns to.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QWidget>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/serial.h"
#include "platform/testing.h"

using namespace kbex_test;
using Panels = ProgramTest;
using StartState = ProgramTest;

namespace {

int HandleOf(int resource) {
    switch (resource) {
    case PANEL: return pHandle;
    case PARA0: return pPara0;
    case PARA1: return pPara1;
    case PARA2: return pPara2;
    case CALIB: return pCalib;
    case POPUP: return pPopUp;
    default: return -1;
    }
}

}  // namespace

TEST_F(Panels, EveryTableControlExistsWithKindBindingAndAccessibleNames) {
    int count = 0;
    for (const platform::CtrlDef& c : UirControls()) {
        QWidget* w = platform::CtrlWidget(HandleOf(c.panelResource), c.id);
        ASSERT_NE(w, nullptr) << c.constant;
        EXPECT_EQ(w->property("callback").toString().toStdString(), c.callback ? c.callback : "")
            << c.constant;
        EXPECT_EQ(w->accessibleDescription().toStdString(), c.constant);
        EXPECT_FALSE(w->accessibleName().isEmpty()) << c.constant;
        EXPECT_NE(w->accessibleName().toStdString(), c.objectName)
            << c.constant << " has no caption or label";
        ++count;
    }
    EXPECT_EQ(count, 81);
    // A button is named by its caption.
    auto* run = qobject_cast<QAbstractButton*>(platform::CtrlWidget(pHandle, PANEL_BTNRun));
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->accessibleName(), run->text().remove('&'));
}

TEST_F(Panels, SubPanelsSitInsideTheMainPanelAtTheirPlace) {
    for (int p : {pPara0, pPara1, pPara2, pCalib}) {
        int left = 0, top = 0;
        GetPanelAttribute(p, ATTR_LEFT, left);
        GetPanelAttribute(p, ATTR_TOP, top);
        EXPECT_EQ(left, 8);
        EXPECT_EQ(top, 98);
        EXPECT_EQ(platform::PanelWidget(p)->parentWidget(), platform::PanelWidget(pHandle));
    }
    EXPECT_TRUE(platform::PanelWidget(pPopUp)->isWindow());
    EXPECT_FALSE(platform::PanelWidget(pPopUp)->isVisible());
}

TEST_F(StartState, InitVarsPutsEveryModuleBackAndInitGuiAppliesTheStartUpRules) {
    // What a session leaves behind in each module.
    parameter[core::kTeachA] = 7;  // has a control: comes back from it
    parameter[12] = 7;             // has none
    core::Put32(parameter, core::kSetpointA, 7);
    stop_flag = 0;
    Aval = 9;
    ccdvirtpixel = 1024;
    ADCMAX = 1024;
    YAXISMAX = 1;
    std::strcpy(szVersion, "old");
    tVal = curposA = 9;
    mvalBUFA[0] = trgBUFA[0] = 9;
    xArrayMVAL[1] = 9;
    target = 3;
    com = 4;
    std::strcpy(file_name, "old.cfg");
    recfile_name = "old.dat";
    SetCtrlVal(pHandle, PANEL_TOGGBTN_Recorder, 1);
    SetCtrlAttribute(pHandle, PANEL_ButtonReset, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED, 0);
    SetCtrlAttribute(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED, 0);

    InitVars();
    InitGUI();
    const struct {
        const char* name;
        long long is, start;
    } values[] = {
        {"teachA", parameter[core::kTeachA], 512},
        {"entry 12", parameter[12], 0},
        {"setpointA", core::Get32(parameter, core::kSetpointA), 37000},
        {"stop_flag", stop_flag, 1},
        {"Aval", Aval, 0},
        {"ccdvirtpixel", ccdvirtpixel, 4096},
        {"ADCMAX", ADCMAX, 256},
        {"YAXISMAX", YAXISMAX, 2048},
        {"tVal", tVal, 0},
        {"curposA", curposA, 0},
        {"mvalBUFA", mvalBUFA[0], 0},
        {"trgBUFA", trgBUFA[0], 100},
        {"xArrayMVAL", static_cast<long long>(xArrayMVAL[1]), 2},
        {"target", target, 1},
        {"com", com, 1},
        {"recorder button", Val<int>(pHandle, PANEL_TOGGBTN_Recorder), 0},
        // anaMode 0: no RESET, no held max/min; hardwareMode 1 takes the
        // tolerance from the sensor; pmode 1 has no value of its own.
        {"RESET shown", Attr(pHandle, PANEL_ButtonReset, ATTR_VISIBLE), 0},
        {"max shown", Attr(pHandle, PANEL_NUMAnaMax, ATTR_VISIBLE), 0},
        {"tolerance dimmed", Attr(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED), 1},
        {"pmode value dimmed", Attr(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED), 1},
        // The flash upload waits for the calibration sub-panel's request.
        {"upload shown", Attr(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE), 0},
    };
    for (const auto& v : values)
        EXPECT_EQ(v.is, v.start) << v.name;
    EXPECT_STREQ(szVersion, "");
    EXPECT_STREQ(file_name, "");
    EXPECT_EQ(recfile_name, proj_dir + "/KBexRecord.dat");
    std::string line0;
    EXPECT_EQ(GetTextBoxLine(pPopUp, POPUP_TXTRecFile, 0, line0), 0);
    EXPECT_EQ(line0, recfile_name);
}
