// Start-up and shutdown of the program: options, the port table, the whole
// opening sequence on the simulated sensor pair, and the close of the window.
#include <gtest/gtest.h>

#include <QTimer>
#include <QWidget>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "platform/qt_access.h"
#include "platform/serial.h"

using namespace kbex_test;

namespace {

bool Parse(std::vector<std::string> args, ProgramOptions& o, bool& help, std::string& msg) {
    std::vector<char*> argv;
    static std::string prog = "kbex-tw-ms";
    argv.push_back(prog.data());
    for (std::string& a : args)
        argv.push_back(a.data());
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), o, help, msg);
}

}  // namespace

TEST(Startup, CommandLineOptions) {
    ProgramOptions o;
    bool help = false;
    std::string msg;
    ASSERT_TRUE(Parse({"--port", "/dev/ttyUSB3", "--simulate", "--port=/dev/pts/9"}, o, help, msg));
    EXPECT_EQ(o.ports, (std::vector<std::string>{"/dev/ttyUSB3", "/dev/pts/9"}));
    EXPECT_TRUE(o.simulate);
    EXPECT_FALSE(help);
    ProgramOptions o2;
    EXPECT_FALSE(Parse({"--port"}, o2, help, msg));
    EXPECT_NE(msg.find("--port"), std::string::npos);
    EXPECT_FALSE(Parse({"--frobnicate"}, o2, help, msg));
    EXPECT_NE(msg.find("--frobnicate"), std::string::npos);
    ASSERT_TRUE(Parse({"--help"}, o2, help, msg));
    EXPECT_TRUE(help);
}

TEST(Startup, PortTableListsGivenPortsThenTheSimulationInTheSelector) {
    ResetProgram();
    ProgramOptions o;
    o.ports = {"/dev/ttyFAKE0"};
    o.simulate = true;
    std::string msg;
    ASSERT_TRUE(SetUpPorts(o, msg)) << msg;
    const auto& table = GetPortTable();
    ASSERT_GE(table.size(), 2u);
    EXPECT_EQ(table[0].path, "/dev/ttyFAKE0");
    EXPECT_EQ(table[1].description, "simulated K-BEX sensor pair");
    std::string label;
    GetLabelFromIndex(pHandle, PANEL_DropDCom, 1, label);
    EXPECT_EQ(label, "COM2  " + table[1].path + "  simulated K-BEX sensor pair");
    int selected = 0;
    GetCtrlVal(pHandle, PANEL_DropDCom, selected);
    EXPECT_EQ(selected, 1);
    // COM1 does not exist: the sequence reports it and start-up goes on.
    InitRS232(1);
    EXPECT_EQ(StatusLine(), "No serial port found");
    StopSimulation();
    SetPortTable({});
}

TEST(Startup, SimulatedPairIsConnectedIdentifiedAndShownThenCloseEndsTheLoop) {
    ResetProgram();
    ProgramOptions o;
    o.simulate = true;
    std::string msg;
    ASSERT_TRUE(SetUpPorts(o, msg)) << msg;
    InitRS232(com);
    InitGUI();
    // The simulated sensor's own firmware text and parameter set.
    EXPECT_EQ(StatusLine(), sim::HardwareConfig{}.firmware);
    unsigned short teachA = 0, evalMode = 9;
    GetCtrlVal(pPara1, PARA1_NUMTeachA, teachA);
    GetCtrlVal(pPara0, PARA0_DropEvalMode, evalMode);
    EXPECT_EQ(teachA, parameter[core::kTeachA]);
    EXPECT_NE(teachA, 512);  // not the start value: the sensor's
    EXPECT_EQ(evalMode, parameter[core::kEvalMode]);

    // Closing the main window ends the event loop and closes the port; the
    // second close at exit fails quietly.
    QTimer::singleShot(50, [] { platform::PanelWidget(pHandle)->close(); });
    EXPECT_EQ(RunUserInterface(), 0);
    EXPECT_EQ(stop_flag, 1);
    EXPECT_LT(GetInQLen(com), 0);
    EXPECT_LT(CloseCom(com), 0);
    EXPECT_TRUE(platform::PanelWidget(pHandle)->isVisible());  // the window itself stays until discarded
    StopSimulation();
    SetPortTable({});
}

TEST(Startup, ClosingTheRecorderPopupHidesItAndStopsLoops) {
    ResetProgram();
    DisplayPanel(pPopUp);
    SetCtrlVal(pHandle, PANEL_TOGGBTN_Recorder, 1);
    stop_flag = 0;
    platform::PanelWidget(pPopUp)->close();
    EXPECT_EQ(stop_flag, 1);
    EXPECT_FALSE(platform::PanelWidget(pPopUp)->isVisible());
    int toggle = -1;
    GetCtrlVal(pHandle, PANEL_TOGGBTN_Recorder, toggle);
    EXPECT_EQ(toggle, 0);
}
