// Start-up and shutdown of the program: options, the port table, the whole
// opening sequence on the simulated sensor pair, and the close of the windows.

#include <QComboBox>
#include <QTimer>
#include <QWidget>

#include "app_fixture.h"

using namespace kbex_test;
using Startup = ProgramTest;

TEST(StartupOptions, PortsInOrderSimulationHelpAndTheRefusedOptionNamed) {
    ProgramOptions o;
    bool help = false;
    std::string msg;
    auto parse = [&](std::vector<const char*> args) {
        args.insert(args.begin(), "kbex-tw-ms");
        o = {};
        return ParseOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o, help, msg);
    };
    ASSERT_TRUE(parse({"--port", "/dev/ttyUSB3", "--simulate", "--port=/dev/pts/9"}));
    EXPECT_EQ(o.ports, (std::vector<std::string>{"/dev/ttyUSB3", "/dev/pts/9"}));
    EXPECT_TRUE(o.simulate && !help);
    for (const char* bad : {"--port", "--frobnicate"}) {
        EXPECT_FALSE(parse({bad}));
        EXPECT_NE(msg.find(bad), std::string::npos) << msg;
    }
    EXPECT_TRUE(parse({"--help"}) && help);
}

TEST_F(Startup, GivenPortsThenTheSimulatedPairWhichIsConnectedShownAndClosedWithTheWindow) {
    std::string msg;
    ASSERT_TRUE(SetUpPorts({.ports = {"/dev/ttyFAKE0"}, .simulate = true}, msg)) << msg;
    const auto& table = GetPortTable();
    ASSERT_GE(table.size(), 2u);
    const std::size_t ports = table.size();
    EXPECT_EQ(table[0].path, "/dev/ttyFAKE0");
    std::string label;
    GetLabelFromIndex(pHandle, PANEL_DropDCom, 1, label);
    EXPECT_EQ(label, "COM2  " + table[1].path + "  simulated K-BEX sensor pair");
    EXPECT_EQ(Val<int>(pHandle, PANEL_DropDCom), 1);
    GetLabelFromIndex(pHandle, PANEL_DropDCom, 0, label);
    EXPECT_EQ(label, "COM1  /dev/ttyFAKE0  given with --port  (not present)");
    com = 2;  // the operator's choice: the simulated sensor answers with its own firmware text
    InitRS232(com);
    EXPECT_EQ(StatusLine(), sim::HardwareConfig{}.firmware);
    // Opening the list again reads the system's ports; those known keep
    // their numbers, new ones go to the end, the port in use stays chosen.
    auto* ring = qobject_cast<QComboBox*>(platform::CtrlWidget(pHandle, PANEL_DropDCom));
    ring->showPopup();
    ring->hidePopup();
    EXPECT_EQ(Values(GetPortTable().size(), Val<int>(pHandle, PANEL_DropDCom)), Values(ports, 2));
    const auto merged = MergePortList({{"/a", ""}, {"/b", ""}}, {{"/c", "new"}, {"/a", ""}});
    EXPECT_EQ(Values(merged.size(), merged[0].path == "/a", merged[2].path == "/c"), Values(3, 1, 1));

    // Closing the main window ends the event loop and closes the port.
    stop_flag = 0;
    QTimer::singleShot(50, [] { platform::PanelWidget(pHandle)->close(); });
    EXPECT_EQ(RunUserInterface(), 0);
    EXPECT_EQ(stop_flag, 1);
    EXPECT_LT(GetInQLen(com), 0);
    EXPECT_TRUE(platform::PanelWidget(pHandle)->isVisible());  // the window itself stays until discarded
    StopSimulation();
}
