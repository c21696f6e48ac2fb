// The line check and the port-opening sequence against the simulated sensor
// pair over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <QTimer>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "platform/clock.h"
#include "platform/serial.h"

using namespace kbex_test;

namespace {

std::vector<std::uint16_t> Commands(sim::SimulatedSensor& s) {
    std::vector<std::uint16_t> out;
    for (const sim::RequestRecord& r : s.Requests())
        out.push_back(r.command());
    return out;
}

}  // namespace

TEST(LineCheck, GoodSensorAnswersEchoAndTheRequestIsTheStartValueFrame) {
    ResetProgram();
    SimLine line;
    ASSERT_EQ(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    InstallComCallback(com, eventMask, 36, 0x55, RX_Receive_Function, nullptr);
    EXPECT_EQ(CheckComLine(com), 1);
    EXPECT_EQ(StatusLine(), "Echo Check - Line Ok!");
    const auto requests = line.sensor().Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::array<std::uint8_t, 36> expected = {
        0x00, 0x55, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x64, 0x00, 0x64, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x88, 0x00, 0x00};
    EXPECT_EQ(requests[0].bytes, expected);
}

TEST(LineCheck, GoodSensorIsIdentifiedAndFetchedInOrder) {
    ResetProgram();
    SimLine line;
    line.Connect();
    // Echo, hardware, the three RAM pages, firmware.
    EXPECT_EQ(Commands(line.sensor()), (std::vector<std::uint16_t>{5, 10, 2, 2, 2, 7}));
    const auto requests = line.sensor().Requests();
    ASSERT_EQ(requests.size(), 6u);
    for (int page = 0; page < 3; ++page)
        EXPECT_EQ(requests[2 + page].second(), page);
    // Pauses of a tenth of a second separate the steps.
    for (std::size_t i = 1; i < requests.size(); ++i)
        EXPECT_GE(requests[i].time - requests[i - 1].time, 0.09) << "step " << i;
}

TEST(LineCheck, WrongSyncWordIsReportedAndNothingElseIsAsked) {
    ResetProgram();
    sim::Options o = FastSim();
    o.faults.wrongSync = true;
    SimLine line(o);
    line.Connect();
    EXPECT_EQ(StatusLine(), "read error - not sync byte 0xAA!");
    EXPECT_EQ(Commands(line.sensor()), (std::vector<std::uint16_t>{5}));
}

TEST(LineCheck, MuteSensorTimesOutWhileTheWindowKeepsWorking) {
    ResetProgram();
    sim::Options o = FastSim();
    o.faults.mute = true;
    SimLine line(o);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(100);
    const double t0 = Timer();
    line.Connect();
    const double waited = Timer() - t0;
    timer.stop();
    EXPECT_EQ(StatusLine(), "Timeout-RS-232...");
    EXPECT_GE(waited, TIMEOUT);
    // Timer events ran during the wait: the window did not freeze.
    EXPECT_GE(ticks, 5);
    EXPECT_EQ(Commands(line.sensor()), (std::vector<std::uint16_t>{5}));
}

TEST(LineCheck, GarbageAheadOfTheAnswerIsTakenAsTheFrame) {
    // The receive callback takes whatever 36 bytes come first; garbage in
    // front of the echo therefore fails the sync test, as on a real line.
    ResetProgram();
    sim::Options o = FastSim();
    o.faults.garbageBytes = 5;
    SimLine line(o);
    ASSERT_EQ(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    InstallComCallback(com, eventMask, 36, 0x55, RX_Receive_Function, nullptr);
    CheckComLine(com);
    EXPECT_NE(StatusLine(), "Echo Check - Line Ok!");
}

TEST(LineCheck, TruncatedEchoEndsInTimeout) {
    ResetProgram();
    sim::Options o = FastSim();
    o.faults.truncateTo = 20;
    SimLine line(o);
    ASSERT_EQ(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    InstallComCallback(com, eventMask, 36, 0x55, RX_Receive_Function, nullptr);
    EXPECT_EQ(CheckComLine(com), 0);
    EXPECT_EQ(StatusLine(), "Timeout-RS-232...");
}

TEST(LineCheck, OpenErrorsShowTheirTexts) {
    ResetProgram();
    SetPortTable({});
    InitRS232(1);
    EXPECT_EQ(StatusLine(), "No serial port found");
    SetPortTable({{"/dev/null-does-not-exist", ""}});
    InitRS232(2);
    EXPECT_EQ(StatusLine(), "Invalid port number");
    InitRS232(1);
    EXPECT_EQ(StatusLine(), "No serial port found");
    // Not a terminal at all.
    SetPortTable({{"/dev/null", ""}});
    InitRS232(1);
    EXPECT_EQ(StatusLine(), "Cannot open port");
    SetPortTable({});
    // The sliders are released on every path.
    int dimmed = -1;
    GetCtrlAttribute(pPara1, PARA1_SLIDEVideoTHD_A, ATTR_DIMMED, dimmed);
    EXPECT_EQ(dimmed, 0);
}

TEST(LineCheck, VanishedDeviceTimesOutWithoutCrashing) {
    ResetProgram();
    sim::Options o = FastSim();
    o.faults.vanishAfter = 1;
    SimLine line(o);
    ASSERT_EQ(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    InstallComCallback(com, eventMask, 36, 0x55, RX_Receive_Function, nullptr);
    CheckComLine(com);  // the one request the device still takes
    ASSERT_TRUE(PumpUntil([&] { return line.sensor().Vanished(); }, 2.0));
    EXPECT_EQ(CheckComLine(com), 0);
    EXPECT_EQ(StatusLine(), "Timeout-RS-232...");
    EXPECT_LT(ComWrt(com, szWriteBuf, 36), 0);
    EXPECT_LT(GetInQLen(com), 0);
    EXPECT_EQ(CloseCom(com), 0);
    EXPECT_LT(CloseCom(com), 0);  // the second close fails quietly
}
