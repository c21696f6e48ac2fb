// Identification at port opening: hardware description and firmware text from
// simulated sensors of different builds.

#include "app_fixture.h"
#include "core/texts.h"

using namespace kbex_test;
using Identification = ProgramTest;

TEST_F(Identification, DescriptionSetsBoxRingsScalesAndAxesAndTheFirmwareTextEndsOnTheStatusLine) {
    const struct {
        std::uint16_t ccd, hw, virt, adc, pcb;
        std::string firmware;
    } builds[] = {
        {1, 10080, 4096, 256, 1, "K-BEX-TW-MS V2.17"},
        {4, 10037, 4096, 256, 0, "KBEX BOARD-0 FW 1.05"},       // range not listed; word-wise text
        {1, 10037, 3000, 256, 1, std::string(70, 'x') + "YZ"},  // 72 bytes, no zero; unlisted count
        {7, 10080, 1024, 1024, 1, "unlisted CCD"},              // default scales, rings kept
        {1, 10055, 8192, 1024, 1, "ten-bit converter"},
    };
    const std::pair<int, int> rings[] = {{pPara1, PARA1_RINGGain}, {pPara2, PARA2_RINGGain}};
    for (const auto& b : builds) {
        SCOPED_TRACE(testing::Message() << "CCD " << b.ccd << " hw " << b.hw << " pixels " << b.virt);
        ResetTextBox(pCalib, CALIB_TXTBOXCcdInfo, "\n\n\n");
        for (auto [panel, ring] : rings)
            for (int i : {0, 1})
                ReplaceListItem(panel, ring, i, "before", i);
        sim::Options o = FastSim();
        o.hw = {.ccdType = b.ccd, .pcbType = b.pcb, .virtPixels = b.virt, .hwType = b.hw, .adcMax = b.adc};
        o.hw.firmware = b.firmware;
        SimLine line(o);
        ASSERT_TRUE(line.Open());
        // Without the fetch that follows at start-up, which sets the strip
        // chart's axis again from the evaluation mode.
        ASSERT_EQ(GetHARDWAREInfo(), 1);
        EXPECT_EQ(GetVERSIONInfo(), 72);

        const core::CcdInfo info = core::DescribeCcd(b.ccd, b.hw);
        for (int l = 0; l < 4; ++l) {
            std::string text;
            GetTextBoxLine(pCalib, CALIB_TXTBOXCcdInfo, l, text);
            EXPECT_EQ(text, info.lines[l]) << "line " << l;
        }
        for (auto [panel, ring] : rings) {
            std::string low, high;
            GetLabelFromIndex(panel, ring, 0, low);
            GetLabelFromIndex(panel, ring, 1, high);
            EXPECT_EQ(low + "/" + high, info.knownCcd ? info.gainLow + "/" + info.gainHigh : "before/before");
        }
        // The video axes span the count as reported; the 128 points spread
        // over the count the program works with.
        const std::uint16_t cvp = core::NormaliseVirtPixels(b.virt);
        const core::ScaleRule scale = core::ScaleFor(b.ccd, b.adc, cvp);
        EXPECT_EQ(Values(ccdvirtpixel, ADCMAX, YAXISMAX, xArray8[127]),
                  Values(cvp, scale.adcMax, scale.yAxisMax, 127.0 * cvp / 128));
        for (int graph : {PANEL_GRAPHVideoMaster, PANEL_GRAPHVideoSlave})
            EXPECT_EQ(Range(Graph(graph).xAxis), (std::array{double(VAL_MANUAL), 1.0, double(b.virt)}));

        EXPECT_EQ(StatusLine(), b.firmware);
        EXPECT_STREQ(szVersion, b.pcb == 0 ? b.firmware.c_str() : "");
    }
}

TEST_F(Identification, MissingFirmwareAnswerIsReportedAndTheLineStaysUsable) {
    SimLine line(FastSim({.noFirmware = true}));
    ASSERT_TRUE(line.Connect());
    EXPECT_EQ(StatusLine(), "Error reading firmware-info!");
    // The receive callback is back on: the next exchange works.
    EXPECT_EQ(CheckComLine(com), 1);
}
