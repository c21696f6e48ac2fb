// Verify after SEND and the compare view against the simulated sensor pair:
// what is read back over the line, what the status line and the view say,
// and that neither ever changes the set on the panels.

#include "app_fixture.h"

using namespace kbex_test;
using Verify = ProgramTest;

namespace {

constexpr const char* kVerified = "Parameter-frames verified!";

struct VerifyCase {
    const char* name;
    bool eeprom;
    sim::Faults faults;
    std::string last;  // the status line at the end
};

}  // namespace

// Each SEND writes a trigger threshold typed on the panel, so a read-back
// from the other memory (which still holds the old one) would differ.
TEST_F(Verify, ReadsTheSentMemoryBackAndSaysWhetherItHoldsTheSetWithoutChangingIt) {
    const VerifyCase cases[] = {
        {"RAM", false, {}, kVerified},
        {"EEPROM", true, {}, kVerified},
        // teachA is page 1 word 3; the sensor's 1500 has the top bit clear.
        {"worn EEPROM cell",
         true,
         {.stuckEepromWord = 18, .stuckEepromBits = 0x8000},
         "Verify failed: 1 words differ (first: teachA)"},
        {"silent sensor", true, {.mute = true}, "Timeout-RS-232..."},
    };
    for (const VerifyCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimLine line;
        ASSERT_TRUE(line.Connect());
        if (!Val<int>(pHandle, PANEL_CHKVerifySend)) {
            ASSERT_TRUE(Click(pHandle, PANEL_CHKVerifySend));
        }
        ASSERT_TRUE(Click(pHandle, PANEL_RBTRam));  // RAM stays chosen; EEPROM clicked twice would not
        if (c.eeprom) {
            ASSERT_TRUE(Click(pHandle, PANEL_RBTEeprom));
        }
        ASSERT_TRUE(Type(pPara2, PARA2_NUMTriggThresholdB, 991));
        line.sensor.SetFaults(c.faults);
        line.sensor.ClearRequests();
        status.texts.clear();
        ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
        const std::uint16_t write = c.eeprom ? 3 : 1, read = c.eeprom ? 4 : 2;
        const auto expected = c.faults.mute
                                  ? std::vector<std::uint16_t>{write, write, write, read}
                                  : std::vector<std::uint16_t>{write, write, write, read, read, read};
        EXPECT_EQ(line.Commands(), expected);
        EXPECT_EQ(StatusLine(), c.last);
        EXPECT_EQ(status.Showed(kVerified), c.last == kVerified);
        // What was sent stays the set and stays on the panels.
        EXPECT_EQ(Values(parameter[core::kTeachA], parameter[core::kTrigThdB], parameter[core::kCommand]),
                  Values(1500, 991, write));
        EXPECT_EQ(Val<unsigned short>(pPara1, PARA1_NUMTeachA), 1500);
    }
}

// Unticked, SEND is what it always was: three page writes, byte for byte,
// and nothing read back.
TEST_F(Verify, UntickedSendWritesTheThreePagesAndReadsNothing) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    EXPECT_EQ(Val<int>(pHandle, PANEL_CHKVerifySend), 0);
    ASSERT_TRUE(Click(pHandle, PANEL_RBTEeprom));
    line.sensor.ClearRequests();
    status.texts.clear();
    ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
    const Pages pages = ProgramPages();
    const auto requests = line.sensor.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (std::uint16_t page = 0; page < 3; ++page) {
        std::array<std::uint8_t, core::kFrameLen> frame{};
        core::FillTxBuf(frame, 3, page, pages[page]);
        EXPECT_EQ(requests[page].bytes, frame) << "page " << page;
    }
    EXPECT_EQ(status.texts, (std::vector<std::string>{"Transmit...", "Sending Para-Frame 0 ...",
                                                      "Sending Para-Frame 1 ...", "Line Ok!"}));
}
