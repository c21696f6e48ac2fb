// Start-up and shutdown of the program: options, the port table, the whole
// opening sequence on the simulated sensor pair (the line check, the
// identification of sensors of different builds), and the close of the windows.

#include <QComboBox>
#include <QTimer>
#include <QWidget>

#include "app_fixture.h"
#include "core/texts.h"
#include "platform/clock.h"
#include "platform/files.h"

using namespace kbex_test;
using Startup = ProgramTest;
using LineCheck = ProgramTest;

TEST_F(Startup, OptionsThenGivenPortsAndTheSimulatedPairWhichIsConnectedAndShown) {
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
    for (const char* bad : {"--port", "--frobnicate", "-reverse"})
        EXPECT_TRUE(!parse({bad}) && msg.find(bad) != std::string::npos) << msg;
    EXPECT_TRUE(parse({"--help"}) && help);
    // Before the engine has started, Qt's options pass beside the program's own.
    const auto run = [](std::vector<const char*> args) {
        args.insert(args.begin(), "kbex-tw-ms");
        return AppMain(static_cast<int>(args.size()), const_cast<char**>(args.data()));
    };
    EXPECT_EQ(Values(run({"-style", "fusion", "--platform", "offscreen", "-stylesheet=a.qss", "-reverse",
                          "-qwindowgeometry", "9x9", "--version"}),
                     run({"-reverse", "--frobnicate"}), run({"--port", "/p", "-display", ":9", "--help"})),
              Values(0, 2, 0));

    ASSERT_TRUE(SetUpPorts({.ports = {"/dev/ttyFAKE0"}, .simulate = true}, msg)) << msg;
    const auto& table = GetPortTable();
    ASSERT_GE(table.size(), 2u);
    const std::size_t ports = table.size();
    EXPECT_EQ(Label(pHandle, PANEL_DropDCom, 1), "COM2  " + table[1].path + "  simulated K-BEX sensor pair");
    EXPECT_EQ(Val<int>(pHandle, PANEL_DropDCom), 1);
    EXPECT_EQ(Label(pHandle, PANEL_DropDCom, 0), "COM1  /dev/ttyFAKE0  given with --port  (not present)");
    com = 2;  // the operator's choice: the simulated sensor answers with its own firmware text
    InitRS232(com);
    EXPECT_EQ(StatusLine(), sim::HardwareConfig{}.firmware);
    // Opening the list again reads the system's ports; those known keep
    // their numbers, new ones go to the end, the port in use stays chosen.
    auto* ring = qobject_cast<QComboBox*>(platform::CtrlWidget(pHandle, PANEL_DropDCom));
    ring->showPopup();
    ring->hidePopup();
    EXPECT_EQ(Values(GetPortTable().size(), Val<int>(pHandle, PANEL_DropDCom)), Values(ports, 2));
    // A known port learns what the system knows of its device and keeps its description.
    const auto merged = MergePortList({{"/a", "given"}, {"/b", ""}}, {{"/c", "new"}, {"/a", "", "", "FTDI"}});
    EXPECT_EQ(Values(merged.size(), merged[0].maker == "FTDI", merged[0].description == "given",
                     merged[2].path == "/c"),
              Values(3, 1, 1, 1));

    StopSimulation();
}

TEST_F(LineCheck, OpenErrorsShowTheirTexts) {
    // The one entry of the port table (/dev/null is no terminal at all), or
    // none; the port opened; the result of the open, whose text the status
    // line shows.
    const std::tuple<const char*, int, int> rows[] = {{nullptr, 1, kComNoSerialPort},
                                                      {"/dev/null-does-not-exist", 2, kComInvalidPort},
                                                      {"/dev/null-does-not-exist", 1, kComNoSerialPort},
                                                      {"/dev/null", 1, kComCannotOpen}};
    for (const auto& [path, port, code] : rows) {
        SetPortTable(path ? std::vector<PortEntry>{{path, ""}} : std::vector<PortEntry>{});
        SetCtrlAttribute(pPara1, PARA1_SLIDEVideoTHD_A, ATTR_DIMMED, 1);
        InitRS232(port);
        EXPECT_EQ(StatusLine(), core::OpenErrorText(code)) << port << " " << (path ? path : "(none)");
        EXPECT_EQ(Attr(pPara1, PARA1_SLIDEVideoTHD_A, ATTR_DIMMED), 0);
    }
}

TEST_F(LineCheck, TheDescriptionSetsTheBoxTheRingsAndTheScalesAndTheFirmwareTextIsShown) {
    // CCD type, hardware type, virtual pixels, ADC full scale, board type, firmware text.
    const std::tuple<std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t, std::string>
        builds[] = {
            {1, 10080, 4096, 256, 1, "K-BEX-TW-MS V2.17"},
            {4, 10037, 4096, 256, 0, "KBEX BOARD-0 FW 1.05"},       // range not listed; word-wise text
            {1, 10037, 3000, 256, 1, std::string(70, 'x') + "YZ"},  // 72 bytes, no zero; unlisted count
            {7, 10080, 1024, 1024, 1, "unlisted CCD"},              // default scales, rings kept
            {1, 10055, 8192, 1024, 1, "ten-bit converter"},
        };
    const std::pair<int, int> rings[] = {{pPara1, PARA1_RINGGain}, {pPara2, PARA2_RINGGain}};
    for (const auto& [ccd, hw, virt, adc, pcb, firmware] : builds) {
        SCOPED_TRACE(testing::Message() << "CCD " << ccd << " hw " << hw << " pixels " << virt);
        ResetTextBox(pCalib, CALIB_TXTBOXCcdInfo, "\n\n\n");
        for (auto [panel, ring] : rings)
            for (int i : {0, 1})
                ReplaceListItem(panel, ring, i, "before", i);
        sim::Options o = FastSim();
        o.hw = {.ccdType = ccd, .pcbType = pcb, .virtPixels = virt, .hwType = hw, .adcMax = adc};
        o.hw.firmware = firmware;
        SimLine line(o);
        ASSERT_TRUE(line.Open());
        // Without the fetch that follows at start-up, which sets the strip
        // chart's axis again from the evaluation mode.
        ASSERT_EQ(GetHARDWAREInfo(), 1);
        EXPECT_EQ(GetVERSIONInfo(), 72);

        const core::CcdInfo info = core::DescribeCcd(ccd, hw);
        EXPECT_EQ(Val<std::string>(pCalib, CALIB_TXTBOXCcdInfo),
                  info.lines[0] + "\n" + info.lines[1] + "\n" + info.lines[2] + "\n" + info.lines[3]);
        for (auto [panel, ring] : rings)
            EXPECT_EQ(Label(panel, ring, 0) + "/" + Label(panel, ring, 1),
                      info.knownCcd ? info.gainLow + "/" + info.gainHigh : "before/before");
        // The video axes span the count as reported; the 128 points spread
        // over the count the program works with.
        const std::uint16_t cvp = core::NormaliseVirtPixels(virt);
        const core::ScaleRule scale = core::ScaleFor(ccd, adc, cvp);
        EXPECT_EQ(Values(ccdvirtpixel, ADCMAX, YAXISMAX, xArray8[127]),
                  Values(cvp, scale.adcMax, scale.yAxisMax, 127.0 * cvp / 128));
        for (int graph : {PANEL_GRAPHVideoMaster, PANEL_GRAPHVideoSlave})
            EXPECT_EQ(Range(Graph(graph).xAxis), (std::array{double(VAL_MANUAL), 1.0, double(virt)}));

        EXPECT_EQ(StatusLine(), firmware);
        EXPECT_STREQ(szVersion, pcb == 0 ? firmware.c_str() : "");
    }
}

// A good line: the start-value frame, then identification and the fetch, a tenth apart.
TEST_F(LineCheck, TheStartValueFrameGoesFirstAndTheStepsATenthApart) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    // Echo, hardware, the three RAM pages, firmware: the order is checked
    // where a port change runs the same sequence, the pages by every fetch
    // the fault matrix compares; here the bytes and pace.
    const auto requests = line.sensor.Requests();
    ASSERT_EQ(requests.size(), 6u);
    const std::array<std::uint8_t, 36> startValueEcho = {
        0x00, 0x55, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x64, 0x00, 0x64, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x88, 0x00, 0x00};
    EXPECT_EQ(requests[0].bytes, startValueEcho);
    for (std::size_t i = 1; i < requests.size(); ++i)
        EXPECT_GE(requests[i].time - requests[i - 1].time, 0.09) << "step " << i;
    EXPECT_TRUE(SavePanelImage(pHandle, "main-start.png"));  // the window as it looks once connected
    // After a missing firmware answer (its text is the fault matrix's) the
    // next exchange works (its text is the link's).
    line.sensor.SetFaults({.noFirmware = true});
    ASSERT_TRUE(line.Connect());
    EXPECT_EQ(CheckComLine(com), 1);
}

// Closing the window aborts whatever runs: the program ends within half a
// second, its port closed, also against a sensor an operation would wait on
// answer by answer, and also while the start-up's connection runs.
TEST_F(Startup, ClosingTheWindowEndsWhateverRunsWithinHalfASecond) {
    std::string zeros;
    for (int i = 0; i < 2048; ++i)
        zeros += "0\n";
    const std::string table = TempDir() + "/XF-LINEAR.DAT";
    ASSERT_EQ(WriteFileBytes(table.c_str(), zeros, false), 0);
    fileAnswer = {VAL_EXISTING_FILE_SELECTED, table};
    const std::tuple<const char*, sim::Faults, int, int> rows[] = {
        {"upload to a silent sensor", {.mute = true}, pCalib, CALIB_BTNWriteXFMA},
        {"RUN", {}, pHandle, PANEL_BTNRun},
        {"VIDEO without blocks", {.noBlocks = true}, pHandle, PANEL_BTNVideo},
        {"GET from a slow sensor", {.lateAnswer = 1.0}, pHandle, PANEL_BTNGet},
        {"start-up without firmware text", {.noFirmware = true}, 0, 0},
    };
    for (const auto& [name, faults, panel, button] : rows) {
        SCOPED_TRACE(name);
        SimLine line;
        if (button) {
            ASSERT_TRUE(line.Connect());
            SetCtrlAttribute(panel, button, ATTR_VISIBLE, 1);
            QTimer::singleShot(0, [panel = panel, button = button] { EXPECT_TRUE(Click(panel, button)); });
        }
        line.sensor.SetFaults(faults);
        double closedAt = 0;
        QTimer::singleShot(300, [&] {
            closedAt = Timer();
            platform::PanelWidget(pHandle)->close();
        });
        if (!button)  // as at start-up: the connection runs before the window's loop
            InitRS232(com);
        EXPECT_EQ(RunUserInterface(), 0);
        EXPECT_GT(closedAt, 0.0);
        EXPECT_LT(Timer() - closedAt, 0.5);
        EXPECT_LT(GetInQLen(com), 0);
    }
}
