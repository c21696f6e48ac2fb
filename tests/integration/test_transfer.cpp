// GET, SEND and TEACH from the main panel against the simulated sensor pair:
// what goes over the line, what the sensor ends up holding, what the panels
// show.

#include "app_fixture.h"

using namespace kbex_test;
using Transfer = ProgramTest;

static const std::string kFetched = "Parameter-frame received! - Line Ok!";

// The panels show the set the program holds: a field, and RESET, which the
// analogue mode shows or hides (the other controls are the mapping's).
static void ExpectShown() {
    EXPECT_EQ(
        Values(Val<unsigned short>(pPara1, PARA1_NUMTeachA), Attr(pHandle, PANEL_ButtonReset, ATTR_VISIBLE)),
        Values(parameter[core::kTeachA], parameter[core::kAnaMode] != 0));
}

TEST_F(Transfer, GetFetchesTheChosenMemoryTeachTheRamBothShownAndSendPacesThePages) {
    SimLine line({.paced = true, .seed = 7});  // at line speed, as a stray raw frame needs
    ASSERT_TRUE(line.Connect());
    for (bool eeprom : {true, false}) {
        SCOPED_TRACE(eeprom ? "EEPROM" : "RAM");
        const std::uint16_t k = eeprom ? 1 : 2;
        line.sensor.WithModel([&](sim::SensorModel& m) {
            Pages& pages = eeprom ? m.eeprom : m.ram;
            pages[0][2] = k;                // anaMode
            return pages[1][3] = 2220 + k;  // teachA
        });
        ASSERT_TRUE(Click(pHandle, eeprom ? PANEL_RBTEeprom : PANEL_RBTRam));
        ASSERT_TRUE(Click(pHandle, PANEL_BTNGet));
        // Each memory has its own values: the right one was asked for.
        EXPECT_EQ(ProgramPages(), Memory(line.sensor, eeprom));
        ExpectShown();
    }

    line.sensor.ClearRequests();
    status.texts.clear();
    ASSERT_TRUE(Click(pHandle, PANEL_ButtonTeach));
    EXPECT_EQ(line.Commands(), (std::vector<std::uint16_t>{6, 2, 2, 2}));
    const std::string waiting = "Waiting for parameter-frame ...", received = kFetched;
    EXPECT_EQ(status.texts, (std::vector<std::string>{"New setpoint value teached!", waiting, received,
                                                      waiting, received, waiting, received}));
    const auto ram = Memory(line.sensor, false);
    ExpectShown();
    const auto &master = Graph(PANEL_GRAPHBarMaster).cursors.at(1),
               &slave = Graph(PANEL_GRAPHBarSlave).cursors.at(1);
    EXPECT_EQ(Values(master.x, master.y, slave.x, slave.y), Values(ram[1][3], 0.75, ram[2][3], 0.75));

    // Which memory SEND writes, and the words of each page, are the fault
    // matrix's; how the panels become the set, the mapping's. Here SEND reads
    // the panels first and paces the pages.
    ASSERT_TRUE(Type(pPara2, PARA2_NUMTriggThresholdB, 991));  // on the last page
    line.sensor.ClearRequests();
    ASSERT_TRUE(Click(pHandle, PANEL_RBTEeprom));
    status.texts.clear();
    ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
    EXPECT_EQ(status.texts, (std::vector<std::string>{"Transmit...", "Sending Para-Frame 0 ...",
                                                      "Sending Para-Frame 1 ...", "Line Ok!"}));
    // The sensor does not answer page writes.
    ASSERT_TRUE(PumpUntil([&] { return Memory(line.sensor, true)[2][7] == 991; }, 2.0));
    const auto requests = line.sensor.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (std::size_t page = 1; page < 3; ++page)
        EXPECT_GE(requests[page].time - requests[page - 1].time, 0.09);
}

// A stray raw frame at line speed is dropped and the page behind it taken;
// the rest of an answer cut short is flushed before the next request, so two
// fragments never join into one answer.
TEST_F(Transfer, APageIsTakenPastAStrayRawFrameAndNeverMadeOfFragments) {
    SimLine line({.paced = true, .seed = 7});
    ASSERT_TRUE(line.Connect());
    line.sensor.SetFaults({.strayRaw = true});
    line.sensor.WithModel([](sim::SensorModel& m) { return m.ram[1][3] = 1717; });
    Pages expected = ProgramPages();
    expected[1] = Memory(line.sensor, false)[1];
    PushGET(1, 1);
    EXPECT_EQ(StatusLine(), kFetched);
    EXPECT_EQ(ProgramPages(), expected);
    line.sensor.SetFaults({.truncateTo = 20});
    PushGET(1, 0);
    EXPECT_EQ(StatusLine(), kLineDisturbedText);
    line.sensor.SetFaults({});
    line.sensor.WithModel([](sim::SensorModel& m) { return m.ram[2][7] = 4321; });
    PushGET(1, 2);
    EXPECT_EQ(ProgramPages()[2], Memory(line.sensor, false)[2]);
}
