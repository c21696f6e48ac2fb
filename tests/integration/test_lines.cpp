// Real lines: answers damaged on the way, an adapter pulled and plugged back,
// a sensor on a port nobody knows, and the line's health beside the status line.
#include <QWidget>
#include <ctime>

#include "app_fixture.h"
#include "core/linfile.h"
#include "platform/clock.h"
#include "popup.h"

using namespace kbex_test;
using RealLine = ProgramTest;
using FindSensor = ProgramTest;

// Every third answer damaged: GET, DATA and the upload each ask again for
// what came damaged and end as on a sound line, with nothing damaged taken.
TEST_F(RealLine, GetDataAndTheUploadAskAgainForDamagedAnswersAndTakeNoneOfThem) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    std::array<std::uint16_t, core::kLinTableWords> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint16_t>(i * 7 + 1);
    for (const sim::Faults& f : {sim::Faults{.lostByteEvery = 3}, sim::Faults{.noiseByteEvery = 3},
                                 sim::Faults{.badSyncEvery = 3}}) {
        line.sensor.SetFaults(f);
        ResetHealth();
        status.texts.clear();
        ASSERT_TRUE(Click(pHandle, PANEL_BTNGet));
        EXPECT_EQ(ProgramPages(), Memory(line.sensor, false));
        ASSERT_TRUE(Click(pHandle, PANEL_BTNData));
        EXPECT_EQ(UploadLinTable(table.data(), 1), Outcome::Answered);
        EXPECT_EQ(line.sensor.WithModel([](sim::SensorModel& m) { return m.flash; }), table);
        for (const char* failure : {"Timeout-RS-232...", kLineDisturbedText, "Error reading 64 data-words!",
                                    "Timeout-RS-232 while reading 64 data-words!"})
            EXPECT_FALSE(status.Showed(failure)) << failure;
        EXPECT_EQ(Graph(PANEL_GRAPHDataMaster).plots.back().y, std::vector<double>(mvalBUFA, mvalBUFA + 128));
        EXPECT_GE(Health().resyncs, 90u);  // a third of some 270 answers
    }
}

// The adapter pulled during RUN: RUN ends at once with the lost line's text,
// the values go grey; plugged back at its path, the port opens again with
// the line check and the identification but no fetch (an edit typed
// meanwhile stays), and RUN goes on.
TEST_F(RealLine, APulledAdapterGreysTheValuesAndRunGoesOnWhenItIsBackWithoutAFetch) {
    SimLine line({.paced = true, .seed = 7});
    ASSERT_TRUE(line.Connect());
    line.sensor.SetFaults({.vanishAfter = 20, .returnAfter = 0.6});
    line.sensor.ClearRequests();
    double gone = 0, lostShown = 0, cpuWhileLost = -1;
    std::clock_t cpuAtLoss = 0;
    std::vector<int> whileLost;
    Once([&] { return StatusLine() == kLineLostText; },
         [&] {
             cpuAtLoss = std::clock();
             lostShown = sim::Now();
             EXPECT_TRUE(SavePanelImage(pHandle, "line-lost.png"));
             gone = line.sensor.Requests().back().time;  // the request the device went away at
             whileLost = {Attr(pHandle, PANEL_NUMMvalue, ATTR_TEXT_COLOR),
                          Attr(pHandle, PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR)};
             EXPECT_TRUE(Type(pPara1, PARA1_NUMTriggThresholdA, 321));
             line.sensor.ClearRequests();
         });
    // Waiting for the port costs next to nothing: no spinning on the lost line.
    Once([&] { return lostShown > 0 && sim::Now() > lostShown + 0.4; },
         [&] { cpuWhileLost = double(std::clock() - cpuAtLoss) / CLOCKS_PER_SEC; });
    Once([&] { return Health().reconnects == 1 && line.Count(core::kCmdRaw) >= 10; },
         [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));
    ASSERT_TRUE(PumpUntil([&] { return Health().reconnects == 1 && line.Count(core::kCmdRaw) >= 10; }, 5.0));
    ASSERT_TRUE(PumpUntil([] { return !LiveLoopRunning(); }, 2.0));

    EXPECT_LT(lostShown - gone, 1.0);
    EXPECT_TRUE(cpuWhileLost >= 0 && cpuWhileLost < 0.1) << cpuWhileLost;
    EXPECT_EQ(whileLost, (std::vector<int>{VAL_GRAY, VAL_LT_GRAY}));
    const auto commands = line.Commands();
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ(std::vector<std::uint16_t>(commands.begin(), commands.begin() + 4),
              (std::vector<std::uint16_t>{5, 10, 7, 8}));
    EXPECT_EQ(Val<int>(pPara1, PARA1_NUMTriggThresholdA), 321);
    EXPECT_NE(Attr(pHandle, PANEL_NUMMvalue, ATTR_TEXT_COLOR), VAL_GRAY);
    EXPECT_NE(Val<std::string>(pHandle, PANEL_TXTLineHealth).find("reconnects 1"), std::string::npos);
}

// Find sensor tries the listed ports one after the other (a silent one, one
// that is not there, the sensor) and connects the first that answers, with
// the whole sequence of start-up and its health counted anew; with no sensor
// anywhere it says so and keeps the port it had; STOP ends the search.
TEST_F(FindSensor, ConnectsTheFirstPortThatAnswersSaysWhenNoneDoesAndStopsOnStop) {
    SimLine silent(FastSim({.mute = true})), sensor;
    SetPortTable(
        {{silent.sensor.Path(), "silent"}, {"/dev/kbex-no-such-port", ""}, {sensor.sensor.Path(), ""}});
    FillPortSelector();
    ASSERT_TRUE(Click(pHandle, PANEL_BTNFindSensor));
    EXPECT_EQ(std::tuple(com, Val<int>(pHandle, PANEL_DropDCom), StatusLine(), silent.Commands()),
              std::tuple(3, 3, sim::HardwareConfig{}.firmware, std::vector<std::uint16_t>{5}));
    EXPECT_EQ(sensor.Commands(), (std::vector<std::uint16_t>{5, 5, 10, 2, 2, 2, 7}));
    EXPECT_NE(Val<std::string>(pHandle, PANEL_TXTLineHealth).find("frames 6"), std::string::npos);

    sensor.sensor.SetFaults({.mute = true});
    ASSERT_TRUE(Click(pHandle, PANEL_BTNFindSensor));
    const std::string none = "No sensor found on " + std::to_string(GetPortTable().size()) + " ports";
    EXPECT_EQ(std::tuple(com, StatusLine(), GetInQLen(com) >= 0), std::tuple(3, none, true));
    Once([] { return StatusLine().starts_with("Find sensor: COM3"); },
         [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNFindSensor));
    EXPECT_EQ(StatusLine(), "Find sensor stopped!");
}
