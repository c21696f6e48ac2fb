// Identification at port opening: hardware description and firmware text from
// simulated sensors of different builds.
#include <gtest/gtest.h>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/texts.h"
#include "platform/serial.h"
#include "platform/testing.h"

using namespace kbex_test;
using Identification = ProgramTest;

namespace {

std::string Line(int panel, int control, int line) {
    std::string s;
    EXPECT_EQ(GetTextBoxLine(panel, control, line, s), 0) << "line " << line;
    return s;
}

std::string Item(int panel, int ring, int index) {
    std::string s;
    EXPECT_EQ(GetLabelFromIndex(panel, ring, index, s), 0) << "item " << index;
    return s;
}

}  // namespace

TEST_F(Identification, DescriptionSetsBoxRingsScalesAndAxesAndTheFirmwareTextEndsOnTheStatusLine) {
    struct Build {
        std::uint16_t ccd, hw, virt, adc, pcb;
        std::string firmware;
        std::uint16_t cvp, adcMax, yAxisMax;  // what the program works with
    };
    const Build builds[] = {
        {1, 10080, 4096, 256, 1, "K-BEX-TW-MS V2.17", 4096, 256, 4096},
        {4, 10037, 4096, 256, 0, "KBEX BOARD-0 FW 1.05", 4096, 256,
         4096},  // range not listed; word-wise text
        {1, 10037, 3000, 256, 1, std::string(70, 'x') + "YZ", 2048, 256, 2048},  // 72 bytes, no zero
        {7, 10080, 1024, 1024, 1, "unlisted CCD", 1024, 256, 4096},              // default scales, rings kept
        {1, 10055, 8192, 1024, 1, "ten-bit converter", 8192, 1024, 8192},
    };
    for (const Build& b : builds) {
        SCOPED_TRACE(testing::Message() << "CCD " << b.ccd << " hw " << b.hw << " pixels " << b.virt);
        ResetTextBox(pCalib, CALIB_TXTBOXCcdInfo, "\n\n\n");
        for (int panel : {pPara1, pPara2}) {
            const int ring = panel == pPara1 ? PARA1_RINGGain : PARA2_RINGGain;
            ReplaceListItem(panel, ring, 0, "before 0", 0);
            ReplaceListItem(panel, ring, 1, "before 1", 1);
        }
        sim::Options o = FastSim();
        o.hw.ccdType = b.ccd;
        o.hw.hwType = b.hw;
        o.hw.virtPixels = b.virt;
        o.hw.adcMax = b.adc;
        o.hw.pcbType = b.pcb;
        o.hw.firmware = b.firmware;
        SimLine line(o);
        ASSERT_TRUE(line.Open());
        // Without the fetch that follows at start-up, which sets the strip
        // chart's axis again from the evaluation mode.
        ASSERT_EQ(GetHARDWAREInfo(), 1);
        EXPECT_EQ(GetVERSIONInfo(), 72);

        const core::CcdInfo info = core::DescribeCcd(b.ccd, b.hw);
        for (int l = 0; l < 4; ++l)
            EXPECT_EQ(Line(pCalib, CALIB_TXTBOXCcdInfo, l), info.lines[l]) << "line " << l;
        for (int panel : {pPara1, pPara2}) {
            const int ring = panel == pPara1 ? PARA1_RINGGain : PARA2_RINGGain;
            EXPECT_EQ(Item(panel, ring, 0), info.knownCcd ? info.gainLow : "before 0");
            EXPECT_EQ(Item(panel, ring, 1), info.knownCcd ? info.gainHigh : "before 1");
        }
        EXPECT_EQ(ccdvirtpixel, b.cvp);
        EXPECT_EQ(ADCMAX, b.adcMax);
        EXPECT_EQ(YAXISMAX, b.yAxisMax);
        // The video axes span the count as reported; the 128 points spread
        // over the count the program works with.
        for (int graph : {PANEL_GRAPHVideoMaster, PANEL_GRAPHVideoSlave}) {
            EXPECT_EQ(Graph(graph).xAxis.mode, VAL_MANUAL);
            EXPECT_EQ(Graph(graph).xAxis.min, 1.0);
            EXPECT_EQ(Graph(graph).xAxis.max, b.virt);
        }
        EXPECT_EQ(xArray8[0], 0.0);
        EXPECT_EQ(xArray8[1], b.cvp / 128.0);
        EXPECT_EQ(xArray8[127], 127.0 * b.cvp / 128);

        EXPECT_EQ(StatusLine(), b.firmware);
        EXPECT_STREQ(szVersion, b.pcb == 0 ? b.firmware.c_str() : "");
    }
}

TEST_F(Identification, MissingFirmwareAnswerIsReportedAndTheLineStaysUsable) {
    sim::Options o = FastSim();
    o.faults.noFirmware = true;
    SimLine line(o);
    ASSERT_TRUE(line.Connect());
    EXPECT_EQ(StatusLine(), "Error reading firmware-info!");
    // The receive callback is back on: the next exchange works.
    EXPECT_EQ(CheckComLine(com), 1);
}
