// RUN, VIDEO, DATA, STOP and the port change against the simulated sensor
// pair, and the block and maintenance requests beneath them: what goes over
// the line, what the operator sees, which buttons are usable afterwards.
#include <QWidget>

#include "app_fixture.h"
#include "platform/clock.h"

using namespace kbex_test;
using Acquisition = ProgramTest;

TEST_F(Acquisition, RunShowsEveryRawFrameUntilStopReleasesTheButtons) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    // RUN holds only itself and START; STOP releases whatever was held. The
    // start-up asked for no raw frame: every one counted is RUN's.
    for (int b : {PANEL_BTNVideo, PANEL_BTNData, PANEL_ButtonTeach, PANEL_ButtonReset})
        SetCtrlAttribute(pHandle, b, ATTR_DIMMED, 1);
    std::vector<int> during;
    Once([&] { return line.Count(core::kCmdRaw) >= 120; },
         [&] {
             during = Held();
             EXPECT_TRUE(SavePanelImage(pHandle, "run.png"));
             EXPECT_TRUE(Click(pHandle, PANEL_BTNStop));
         });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));

    EXPECT_EQ(std::pair(during, Held()), std::pair(std::vector<int>(6, 1), std::vector<int>(6, 0)));
    EXPECT_EQ(Attrs({PANEL_STRIPRaw, PANEL_GRAPHBarMaster, PANEL_SWITCHRawTraces, PANEL_GRAPHVideoMaster,
                     PANEL_GRAPHDataSlave}),
              (std::vector<int>{1, 1, 1, 0, 0}));
    EXPECT_EQ(StatusLine(), "Line Ok!");
    // Every answer was drawn before the next request went out: at most the
    // last request of the pass that saw STOP is left unshown.
    const auto& strip = Graph(PANEL_STRIPRaw);
    EXPECT_GE(strip.stripCalls, static_cast<long long>(line.Count(core::kCmdRaw)) - 1);
    // The newest sample is the last frame's.
    EXPECT_EQ(Values(strip.traceData.at(1).back(), strip.traceData.at(6).back()), Values(Mvalue, Bval));
    // The requests carry the general page as the panels hold it: word 7 is tolUpPix.
    EXPECT_EQ(core::GetWordBE(&line.sensor.Requests().back().bytes[6 + 2 * 7]), parameter[core::kTolUpPix]);

    // Every frame shown counts in the statistics; the next RUN starts them
    // afresh: no more frames than it asked for.
    EXPECT_EQ(Statistics().Count(), static_cast<std::uint64_t>(strip.stripCalls));
    const auto before = line.Count(core::kCmdRaw);
    Once([&] { return line.Count(core::kCmdRaw) >= before + 3; },
         [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));
    EXPECT_GE(Statistics().Count(), 2u);
    EXPECT_LE(Statistics().Count(), line.Count(core::kCmdRaw) - before);
}

// An answer that is no raw frame brings the next request at once and is not
// drawn; a sensor that falls silent ends RUN 3 s after the last request.
TEST_F(Acquisition, RunSkipsAnswersThatAreNoRawFrameAndEndsThreeSecondsIntoSilence) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    long long drawn = 0;
    std::size_t switched = 0;
    Once([&] { return line.Count(core::kCmdRaw) >= 10; },
         [&] {
             line.sensor.SetFaults({.nonRaw = true});
             drawn = Graph(PANEL_STRIPRaw).stripCalls;
             switched = line.Count(core::kCmdRaw);
         });
    Once([&] { return switched && line.Count(core::kCmdRaw) >= switched + 30; },
         [&] { line.sensor.SetFaults({.mute = true}); });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));
    // One raw answer may have been on its way when the sensor changed.
    EXPECT_LE(Graph(PANEL_STRIPRaw).stripCalls, drawn + 1);
    // The sensor stamps a request once it has read it all, a moment after the
    // program started waiting, later still on a busy machine.
    const double silentFor = sim::Now() - line.sensor.Requests().back().time;
    EXPECT_TRUE(silentFor > 2 * TIMEOUT - 0.25 && silentFor < 2 * TIMEOUT + 1.0) << silentFor;
    EXPECT_EQ(std::tuple(StatusLine(), stop_flag, Attr(pHandle, PANEL_BTNRun, ATTR_DIMMED)),
              std::tuple("Timeout RS232-Line!", 1, 0));
}

TEST_F(Acquisition, VideoRepeatsUntilStopOnRamDrawingOnlyCompleteCaptures) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    ASSERT_TRUE(Click(pHandle, PANEL_RBTFile));
    for (bool blocks : {false, true}) {
        SCOPED_TRACE(blocks ? "sensor sends blocks" : "sensor never sends blocks");
        line.sensor.SetFaults({.noBlocks = !blocks});
        line.sensor.ClearRequests();
        std::fill_n(adcbufA, MAXPOINT, 7);
        const auto before = Graph(PANEL_GRAPHVideoMaster).plots.size();
        Once([&] { return line.Count(core::kCmdRaw) >= (blocks ? 3u : 2u); },
             [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
        ASSERT_TRUE(Click(pHandle, PANEL_BTNVideo));

        EXPECT_EQ(Values(target, Val<int>(pHandle, PANEL_RBTRam), Val<int>(pHandle, PANEL_RBTFile)),
                  Values(1, 1, 0));
        EXPECT_EQ(Attrs({PANEL_GRAPHVideoMaster, PANEL_GRAPHVideoSlave, PANEL_GRAPHDataMaster,
                         PANEL_GRAPHDataSlave, PANEL_STRIPRaw, PANEL_SWITCHRawTraces}),
                  (std::vector<int>{1, 1, 0, 0, 0, 0}));
        EXPECT_EQ(Held(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
        const auto& video = Graph(PANEL_GRAPHVideoMaster);
        if (!blocks) {
            // A block time-out each pass (its text is the block read's): one
            // block request per raw request, nothing drawn.
            EXPECT_EQ(Values(line.Count(core::kCmdBlock), video.plots.size(), adcbufA[0]),
                      Values(line.Count(core::kCmdRaw), before, 7));
            continue;
        }
        // STOP ends the pass in progress at once: four blocks a pass, but the last.
        const std::size_t raw = line.Count(core::kCmdRaw), blockRequests = line.Count(core::kCmdBlock);
        EXPECT_TRUE(blockRequests <= 4 * raw && blockRequests >= 4 * (raw - 1))
            << raw << " " << blockRequests;
        ASSERT_EQ(video.plots.size(), 2u);
        EXPECT_TRUE(SavePanelImage(pHandle, "video.png"));
        EXPECT_EQ(Range(video.xAxis), (std::array<double, 3>{VAL_MANUAL, 1.0, double(ccdvirtpixel)}));
        EXPECT_EQ(std::count(video.plots[0].y.begin(), video.plots[0].y.end(), 7.0), 0);
    }
}

// DATA fetches both measurement curves once, every time it is clicked.
TEST_F(Acquisition, DataFetchesBothMeasurementCurvesOnceAClick) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    for (int round = 0; round < 2; ++round) {
        line.sensor.ClearRequests();
        ASSERT_TRUE(Click(pHandle, PANEL_BTNData));
        EXPECT_EQ(line.Commands(), (std::vector<std::uint16_t>{8, 9, 9, 9, 9}));
        const auto requests = line.sensor.Requests();
        for (std::size_t i = 1; i < 5; ++i)
            EXPECT_EQ(Values(requests[i].second(), core::GetWordBE(&requests[i].bytes[6])),
                      Values(i % 2 ? 0 : 64, i < 3 ? 2 : 3));
    }
    EXPECT_EQ(Attrs({PANEL_GRAPHDataMaster, PANEL_GRAPHDataSlave, PANEL_GRAPHVideoMaster,
                     PANEL_GRAPHVideoSlave, PANEL_STRIPRaw}),
              (std::vector<int>{1, 1, 0, 0, 0}));
    // The lines themselves are the curve drawing's, the curve drawn from the
    // buffer DATA inside RUN's; here each graph is drawn once, not twice.
    for (int graph : {PANEL_GRAPHDataMaster, PANEL_GRAPHDataSlave})
        EXPECT_EQ(Graph(graph).plots.size(), 5u);
}

TEST_F(Acquisition, ResetAndTheFlashRequestsSayWhatTheAnswersSayAndARawFrameIsNoAnswer) {
    SimLine line;
    ASSERT_TRUE(line.Open());
    ccdvirtpixel = 2048;
    const std::array<std::uint16_t, 2048> table{};  // where its words land is the upload's test

    ASSERT_TRUE(Click(pHandle, PANEL_ButtonReset));
    EXPECT_EQ(StatusLine(), "Reset Max/Min OK!");
    EXPECT_EQ(ClearXFLASH(), 1);
    EXPECT_EQ(StatusLine(), "X-FLASH-cleared!");
    auto sent = line.sensor.Requests().back().bytes;
    EXPECT_EQ(Values(core::GetWordBE(&sent[2]), core::GetWordBE(&sent[4]), core::GetWordBE(&sent[6]),
                     core::GetWordBE(&sent[34])),
              Values(0x65, 0, 0xAA, 0xAA));

    WriteXFLASH(8, 2, table.data(), 1);
    EXPECT_EQ(std::tuple(Val<int>(pHandle, PANEL_NUMAnaMax), StatusLine(),
                         Rects(Graph(PANEL_GRAPHBarMaster)).back()),
              std::tuple(8, "X-FLASH-write OK: PAGE2 ...", Rect{1, 0, 8, 1, VAL_GREEN, VAL_GREEN}));

    WriteXFLASH(248, 9, table.data(), 0);
    // Bytes 24-35 went out as the clear left them.
    EXPECT_EQ(core::GetWordBE(&line.sensor.Requests().back().bytes[24]), 0xAA);
    EXPECT_EQ(Rects(Graph(PANEL_GRAPHBarSlave)).back(), (Rect{1, 0, 2048, 1, VAL_GRAY, VAL_GRAY}));
    // The same block unanswered is no success, whatever the last answer said.
    line.sensor.SetFaults({.mute = true});
    WriteXFLASH(248, 9, table.data(), 0);
    EXPECT_EQ(std::tuple(Rects(Graph(PANEL_GRAPHBarSlave)).back(), StatusLine()),
              std::tuple(Rect{1, 0, 2040, 1, VAL_GREEN, VAL_GREEN}, "Timeout-RS-232..."));
    line.sensor.SetFaults({});

    // A raw frame of a run still on its way is no answer to the reset.
    line.sensor.SetFaults({.lateAnswer = 0.05});
    Exchange({.command = core::kCmdRaw, .words = pp}, {.kind = Expect::None}, 0);
    Delay(0.02);
    ResetMaxMin();
    EXPECT_EQ(core::GetWordBE(szReadBuf + 2), core::kCmdResetMaxMin);
    line.sensor.SetFaults({.mute = true});
    ResetMaxMin();
    EXPECT_EQ(StatusLine(), "Timeout-RS-232...");
}

// A block read stores only a whole block, where it was asked for.
TEST_F(Acquisition, ABlockLandsWholeWhereAskedOrNotAtAll) {
    SimLine line;
    ASSERT_TRUE(line.Open());
    szWriteBuf[34] = 0xAB;  // left by the previous request
    std::fill_n(mvalBUFB, MAXPOINT, 0x5555);
    ASSERT_EQ(ReadData64(64, 3), 1);
    std::array<std::uint8_t, 36> expected{0x00, 0x55, 0x00, 0x09, 0x00, 0x40, 0x00, 0x03};
    expected[34] = 0xAB;
    EXPECT_EQ(line.sensor.Requests().back().bytes, expected);
    for (int i = 0; i < MAXPOINT; ++i)
        ASSERT_EQ(mvalBUFB[i], i < 64 ? 0x5555 : core::GetWordBE(szReadBuf + 2 * (i - 64))) << i;

    // A buffer number beyond the four stores nothing, yet the block came.
    std::fill_n(mvalBUFB, MAXPOINT, 0x5555);
    EXPECT_EQ(ReadData64(0, 5), 1);
    EXPECT_EQ(StatusLine(), "Data[64] block received!");
    // A block that keeps coming cut short, or with noise ahead of it, keeps
    // the words there were, and the status line says it failed.
    for (const sim::Faults& faults : {sim::Faults{.truncateTo = 100}, sim::Faults{.garbageBytes = 5}}) {
        line.sensor.SetFaults(faults);
        EXPECT_EQ(ReadData64(0, 3), 0);
        EXPECT_EQ(StatusLine(), "Error reading 64 data-words!");
        EXPECT_EQ(std::count(mvalBUFB, mvalBUFB + MAXPOINT, 0x5555), MAXPOINT);
    }
}

// The port is changed only once what ran has unwound: no wait of the old port
// reports over the new port's outcome, and a port chosen again is checked only
// once the rest of an answer still on its way has come and gone.
TEST_F(Acquisition, PortChangeDuringRunOrVideoStopsItAndConnectsTheChosenPortFromScratch) {
    // Paced: answers take their time on the line, as on a real one.
    SimLine first({.paced = true, .seed = 7}), second({.paced = true, .seed = 7});
    SetPortTable({{first.sensor.Path(), "first"}, {second.sensor.Path(), "second"}});
    FillPortSelector();
    ASSERT_TRUE(first.Connect());
    const std::tuple<int, SimLine*, int> rows[] = {
        {PANEL_BTNRun, &first, 1}, {PANEL_BTNVideo, &second, 2}, {PANEL_BTNRun, &second, 2}};
    for (const auto& [button, chosen, port] : rows) {
        SCOPED_TRACE(testing::Message()
                     << "to COM" << port << (button == PANEL_BTNRun ? " in RUN" : " in VIDEO"));
        SimLine& running = com == 1 ? first : second;
        running.sensor.ClearRequests();
        chosen->sensor.ClearRequests();
        status.texts.clear();
        Once([&] { return running.Count(core::kCmdRaw) >= 3; },
             [port = port] { EXPECT_TRUE(Choose(pHandle, PANEL_DropDCom, port)); });
        ASSERT_TRUE(Click(pHandle, button));
        ASSERT_TRUE(PumpUntil([&] { return com == port && !OperationRunning(); }, 5.0));

        // Nothing was shown between the choice and the new port's sequence.
        const auto init = std::find(status.texts.begin(), status.texts.end(), "Init COM-Port ...");
        ASSERT_NE(init, status.texts.end());
        EXPECT_EQ(std::count(init, status.texts.end(), "Timeout RS232-Line!"), 0);
        EXPECT_EQ(StatusLine(), sim::HardwareConfig{}.firmware);
        const auto sequence = chosen->Commands();
        ASSERT_GE(sequence.size(), 6u);
        EXPECT_EQ(std::vector<std::uint16_t>(sequence.end() - 6, sequence.end()),
                  (std::vector<std::uint16_t>{5, 10, 2, 2, 2, 7}));
        EXPECT_EQ(ProgramPages(), Memory(chosen->sensor, false));
        EXPECT_EQ(Attr(pHandle, PANEL_BTNRun, ATTR_DIMMED), 0);
    }
    // The old port is closed: nothing more can reach the first sensor.
    EXPECT_LT(ComWrt(1, szWriteBuf, 36), 0);
}

// Closing the recorder's window ends whatever loop runs, RUN too, at once.
TEST_F(Acquisition, ClosingTheRecorderWindowEndsRun) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    ASSERT_TRUE(Click(pHandle, PANEL_TOGGBTN_Recorder));
    double closed = 0;
    Once([&] { return line.Count(core::kCmdRaw) >= 5; },
         [&] {
             closed = Timer();
             platform::PanelWidget(pPopUp)->close();
         });
    // Should RUN go on, STOP ends the test rather than the clock.
    Once([&] { return closed > 0 && Timer() > closed + 2.0; },
         [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));
    EXPECT_LT(Timer() - closed, 0.5);
    EXPECT_EQ(Values(Val<int>(pHandle, PANEL_TOGGBTN_Recorder), Attr(pHandle, PANEL_BTNRun, ATTR_DIMMED)),
              Values(0, 0));
}

// A capture's block reads are never shared: the buttons that would start an
// exchange of their own are dimmed while it runs and ignore the operator.
TEST_F(Acquisition, VideoHoldsTheButtonsThatWouldTalkToTheSensorUntilItEnds) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    const std::pair<int, int> held[] = {{pHandle, PANEL_BTNGet},      {pHandle, PANEL_BTNSend},
                                        {pHandle, PANEL_ButtonTeach}, {pHandle, PANEL_ButtonReset},
                                        {pCalib, CALIB_BTNWriteXFMA}, {pPopUp, POPUP_BTNStartRecord}};
    SetCtrlAttribute(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE, 1);
    line.sensor.ClearRequests();
    std::vector<int> during, after;
    Once([&] { return line.Count(core::kCmdRaw) >= 2; },
         [&] {
             EXPECT_TRUE(SavePanelImage(pHandle, "video-holds-buttons.png"));
             for (auto [panel, button] : held) {
                 during.push_back(Attr(panel, button, ATTR_DIMMED));
                 EXPECT_TRUE(Click(panel, button));
             }
             Once([&] { return line.Count(core::kCmdRaw) >= 4; },
                  [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
         });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNVideo));
    for (auto [panel, button] : held)
        after.push_back(Attr(panel, button, ATTR_DIMMED));
    EXPECT_EQ(std::pair(during, after), std::pair(std::vector<int>(6, 1), std::vector<int>(6, 0)));
    for (std::uint16_t c : line.Commands())
        EXPECT_TRUE(c == core::kCmdRaw || c == core::kCmdBlock) << c;
    EXPECT_FALSE(status.Showed("Timeout-RS-232 while reading 64 data-words!"));
}

// DATA clicked during RUN runs inside it: RUN goes on afterwards, its button
// still dimmed, and never reports a time-out for answers that did come.
TEST_F(Acquisition, DataDuringRunLeavesRunGoingWithItsButtonDimmed) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    line.sensor.ClearRequests();
    std::size_t rawAfterData = 0;
    int runDimmed = -1;
    Once([&] { return line.Count(core::kCmdRaw) >= 5; },
         [&] {
             EXPECT_TRUE(Click(pHandle, PANEL_BTNData));
             runDimmed = Attr(pHandle, PANEL_BTNRun, ATTR_DIMMED);
             rawAfterData = line.Count(core::kCmdRaw);
             EXPECT_TRUE(Click(pHandle, PANEL_BTNRun));  // dimmed: no second RUN inside the first
         });
    Once([&] { return rawAfterData && line.Count(core::kCmdRaw) >= rawAfterData + 20; },
         [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));
    EXPECT_EQ(std::tuple(runDimmed, line.Count(core::kCmdBlock), status.Showed("Timeout RS232-Line!")),
              std::tuple(1, 4u, false));
    EXPECT_EQ(Graph(PANEL_GRAPHDataMaster).plots.back().y,
              std::vector<double>(mvalBUFA, mvalBUFA + MAXPOINT));
    EXPECT_EQ(Attr(pHandle, PANEL_BTNRun, ATTR_DIMMED), 0);
}
