// The six panels as the program loads them: every control of the table with
// its kind, binding and accessible names; the start state; a picture of the
// main window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QWidget>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "platform/qt_access.h"
#include "platform/serial.h"

using namespace kbex_test;

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

int Attr(int panel, int ctrl, int attr) {
    int v = -1;
    GetCtrlAttribute(panel, ctrl, attr, v);
    return v;
}

}  // namespace

TEST(Panels, EveryTableControlExistsWithKindBindingAndAccessibleNames) {
    ResetProgram();
    int count = 0;
    for (const platform::CtrlDef& c : UirControls()) {
        const int panel = HandleOf(c.panelResource);
        QWidget* w = platform::CtrlWidget(panel, c.id);
        ASSERT_NE(w, nullptr) << c.constant;
        EXPECT_EQ(w->property("callback").toString().toStdString(), c.callback ? c.callback : "") << c.constant;
        EXPECT_EQ(w->accessibleDescription().toStdString(), c.constant);
        EXPECT_FALSE(w->accessibleName().isEmpty()) << c.constant;
        EXPECT_NE(w->accessibleName().toStdString(), c.objectName) << c.constant << " has no caption or label";
        ++count;
    }
    EXPECT_EQ(count, 81);
    // A button is named by its caption.
    auto* run = qobject_cast<QAbstractButton*>(platform::CtrlWidget(pHandle, PANEL_BTNRun));
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->accessibleName(), run->text().remove('&'));
}

TEST(Panels, SubPanelsSitInsideTheMainPanelAtTheirPlace) {
    ResetProgram();
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

TEST(Panels, StartStateAfterInitVarsAndInitGui) {
    ResetProgram();
    EXPECT_EQ(target, 1);
    EXPECT_EQ(com, 1);
    EXPECT_EQ(stop_flag, 1);
    EXPECT_EQ(ccdvirtpixel, 4096);
    EXPECT_EQ(ADCMAX, 256);
    EXPECT_EQ(YAXISMAX, 2048);
    int recorder = -1;
    GetCtrlVal(pHandle, PANEL_TOGGBTN_Recorder, recorder);
    EXPECT_EQ(recorder, 0);
    std::string line0;
    ASSERT_EQ(GetTextBoxLine(pPopUp, POPUP_TXTRecFile, 0, line0), 0);
    EXPECT_EQ(line0, proj_dir + "/KBexRecord.dat");
    EXPECT_EQ(recfile_name, line0);
    // anaMode 0: no RESET, no held max/min.
    EXPECT_EQ(parameter[core::kAnaMode], 0);
    EXPECT_EQ(Attr(pHandle, PANEL_ButtonReset, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(pHandle, PANEL_NUMAnaMax, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(pHandle, PANEL_NUMAnaMin, ATTR_VISIBLE), 0);
    // Help boxes and upload buttons hidden at rest.
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText1, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(pHandle, PANEL_HelpText2, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(pCalib, CALIB_BTNWriteXFSL, ATTR_VISIBLE), 0);
    // The parameter controls start with the start values of the set.
    EXPECT_EQ(parameter[core::kEvalMode], 1);
    EXPECT_EQ(parameter[core::kHardwareMode], 1);
    EXPECT_EQ(parameter[core::kTolUpPix], 100);
    EXPECT_EQ(parameter[core::kTeachA], 512);
    EXPECT_EQ(parameter[core::kPixEndB], 4096);
    EXPECT_EQ(core::Get32(parameter, core::kCalibRef), 37000u);
    EXPECT_EQ(core::Get32(parameter, core::kCalibA), 1024u);
    // hardwareMode 1 takes the tolerance from the sensor: fields dimmed.
    EXPECT_EQ(Attr(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED), 1);
}

TEST(Panels, MainWindowPicture) {
    ResetProgram();
    SetStatus("Echo Check - Line Ok!");
    ShowStatus();
    EXPECT_TRUE(SavePanelImage(pHandle, std::string(KBEX_BUILD_DIR) + "/screenshots/main-start.png"));
}

TEST(Panels, PicturesOfEverySubPanelOnTheSimulatedSensor) {
    ResetProgram();
    sim::Options o = FastSim();
    o.paced = true;
    SimLine line(o);
    line.Connect();
    InitGUI();
    const std::string dir = std::string(KBEX_BUILD_DIR) + "/screenshots/";
    const int toggles[] = {PANEL_TOGGBTN_Para0, PANEL_TOGGBTN_Para1, PANEL_TOGGBTN_Para2, PANEL_TOGGBTN_Calib};
    const char* names[] = {"main-general.png", "main-master.png", "main-slave.png", "main-calibration.png"};
    for (int i = 0; i < 4; ++i) {
        Click(pHandle, toggles[i]);
        EXPECT_TRUE(SavePanelImage(pHandle, dir + names[i]));
    }
    RightClick(pHandle, PANEL_BTNSend);
    EXPECT_TRUE(SavePanelImage(pHandle, dir + "main-help.png"));
}
