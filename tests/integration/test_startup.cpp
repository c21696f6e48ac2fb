// Start-up and shutdown of the program: options, the port table, the whole
// opening sequence on the simulated sensor pair, and the close of the windows.
#include <gtest/gtest.h>

#include <QTimer>
#include <QWidget>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "platform/serial.h"
#include "platform/testing.h"

using namespace kbex_test;
using Startup = ProgramTest;

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

TEST(StartupOptions, PortsInOrderSimulationHelpAndTheRefusedOptionNamed) {
    ProgramOptions o;
    bool help = false;
    std::string msg;
    ASSERT_TRUE(Parse({"--port", "/dev/ttyUSB3", "--simulate", "--port=/dev/pts/9"}, o, help, msg));
    EXPECT_EQ(o.ports, (std::vector<std::string>{"/dev/ttyUSB3", "/dev/pts/9"}));
    EXPECT_TRUE(o.simulate);
    EXPECT_FALSE(help);
    for (const char* bad : {"--port", "--frobnicate"}) {
        ProgramOptions o2;
        EXPECT_FALSE(Parse({bad}, o2, help, msg));
        EXPECT_NE(msg.find(bad), std::string::npos) << msg;
    }
    ASSERT_TRUE(Parse({"--help"}, o, help, msg));
    EXPECT_TRUE(help);
}

TEST_F(Startup, GivenPortsThenTheSimulatedPairWhichIsConnectedShownAndClosedWithTheWindow) {
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
    EXPECT_EQ(Val<int>(pHandle, PANEL_DropDCom), 1);
    // COM1 does not exist: the sequence reports it and start-up goes on.
    InitRS232(1);
    EXPECT_EQ(StatusLine(), "No serial port found");

    com = 2;  // the operator's choice
    InitRS232(com);
    InitGUI();
    // The simulated sensor's own firmware text and parameter set.
    EXPECT_EQ(StatusLine(), sim::HardwareConfig{}.firmware);
    EXPECT_EQ(Val<unsigned short>(pPara1, PARA1_NUMTeachA), parameter[core::kTeachA]);
    EXPECT_NE(parameter[core::kTeachA], 512);  // not the start value: the sensor's
    EXPECT_EQ(Val<unsigned short>(pPara0, PARA0_DropEvalMode), parameter[core::kEvalMode]);

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

TEST_F(Startup, ClosingTheRecorderPopupHidesItAndStopsLoops) {
    DisplayPanel(pPopUp);
    SetCtrlVal(pHandle, PANEL_TOGGBTN_Recorder, 1);
    stop_flag = 0;
    platform::PanelWidget(pPopUp)->close();
    EXPECT_EQ(stop_flag, 1);
    EXPECT_FALSE(platform::PanelWidget(pPopUp)->isVisible());
    EXPECT_EQ(Val<int>(pHandle, PANEL_TOGGBTN_Recorder), 0);
}
