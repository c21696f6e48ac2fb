// Identification at port opening: hardware description and firmware text from
// simulated sensors of different builds.
#include <gtest/gtest.h>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "platform/serial.h"

using namespace kbex_test;

namespace {

std::string CcdLine(int line) {
    std::string s;
    GetTextBoxLine(pCalib, CALIB_TXTBOXCcdInfo, line, s);
    return s;
}

std::string GainItem(int panel, int ring, int index) {
    std::string s;
    GetLabelFromIndex(panel, ring, index, s);
    return s;
}

sim::Options Sensor(std::uint16_t ccd, std::uint16_t hw, std::uint16_t virt = 4096, std::uint16_t adc = 256) {
    sim::Options o = FastSim();
    o.hw.ccdType = ccd;
    o.hw.hwType = hw;
    o.hw.virtPixels = virt;
    o.hw.adcMax = adc;
    return o;
}

const std::string kBlank(32, ' ');

}  // namespace

TEST(Identification, Ccd1With80mmRangeFillsTheBoxAndTheGainRings) {
    ResetProgram();
    SimLine line(Sensor(1, 10080));
    line.Connect();
    EXPECT_EQ(CcdLine(0), "1024-pixel; 7.8\xB5m pixel-pitch");
    EXPECT_EQ(CcdLine(1), "4096-subpixel");
    EXPECT_EQ(CcdLine(2), "resolution    = +/-10\xB5m");
    EXPECT_EQ(CcdLine(3), "working-range = 80mm +/-10mm");
    for (int panel : {pPara1, pPara2}) {
        const int ring = panel == pPara1 ? PARA1_RINGGain : PARA2_RINGGain;
        EXPECT_EQ(GainItem(panel, ring, 0), "LOW GAIN");
        EXPECT_EQ(GainItem(panel, ring, 1), "HIGH GAIN");
    }
    EXPECT_EQ(ccdvirtpixel, 4096);
    EXPECT_EQ(xArray8[1], 32.0);
    EXPECT_EQ(xArray8[127], 4064.0);
    EXPECT_EQ(YAXISMAX, 4096);
}

TEST(Identification, Ccd4WithUnlistedRangeShowsTheNoticeButSetsTheRings) {
    ResetProgram();
    SimLine line(Sensor(4, 10037));
    line.Connect();
    EXPECT_EQ(CcdLine(0), "CCD-SENSOR: No Info Avialable!");
    for (int l = 1; l < 4; ++l)
        EXPECT_EQ(CcdLine(l), kBlank) << "line " << l;
    EXPECT_EQ(GainItem(pPara1, PARA1_RINGGain, 0), "ADC-CONV");
    EXPECT_EQ(GainItem(pPara2, PARA2_RINGGain, 1), "DIG-COMP");
}

TEST(Identification, UnlistedPixelCountScalesTheVideoAxesButWorksWith2048) {
    ResetProgram();
    SimLine line(Sensor(1, 10037, 3000));
    line.Connect();
    EXPECT_EQ(CcdLine(3), "working-range = 37mm +/-2.0mm");
    for (int graph : {PANEL_GRAPHVideoMaster, PANEL_GRAPHVideoSlave}) {
        const platform::GraphModel* m = platform::GetGraphModel(pHandle, graph);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->xAxis.mode, VAL_MANUAL);
        EXPECT_EQ(m->xAxis.min, 1.0);
        EXPECT_EQ(m->xAxis.max, 3000.0);
    }
    EXPECT_EQ(ccdvirtpixel, 2048);
    EXPECT_EQ(xArray8[0], 0.0);
    EXPECT_EQ(xArray8[1], 16.0);
    EXPECT_EQ(xArray8[127], 2032.0);
}

TEST(Identification, UnlistedCcdTypeLeavesRingsAndUsesDefaultScales) {
    ResetProgram();
    ReplaceListItem(pPara1, PARA1_RINGGain, 0, "LOW GAIN", 0);
    SimLine line(Sensor(7, 10080, 1024, 1024));
    ASSERT_EQ(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    ReceiveCallbackOn();
    // Straight after the description: the fetch that follows at start-up
    // sets the axis again from the evaluation mode.
    ASSERT_EQ(GetHARDWAREInfo(), 1);
    EXPECT_EQ(CcdLine(0), "CCD-SENSOR: No Info Avialable!");
    EXPECT_EQ(GainItem(pPara1, PARA1_RINGGain, 0), "LOW GAIN");
    EXPECT_EQ(ADCMAX, 256);
    EXPECT_EQ(YAXISMAX, 4096);
    EXPECT_EQ(ccdvirtpixel, 1024);
}

TEST(Identification, TenBitConverterRaisesTheVideoFullScale) {
    ResetProgram();
    SimLine line(Sensor(1, 10055, 8192, 1024));
    line.Connect();
    EXPECT_EQ(ADCMAX, 1024);
    EXPECT_EQ(xArray8[127], 8128.0);
}

TEST(Identification, PlainFirmwareTextEndsOnTheStatusLine) {
    ResetProgram();
    sim::Options o = FastSim();
    o.hw.firmware = "K-BEX-TW-MS V2.17";
    SimLine line(o);
    line.Connect();
    EXPECT_EQ(StatusLine(), "K-BEX-TW-MS V2.17");
}

TEST(Identification, WordWiseFirmwareTextOfBoardTypeZeroIsDecoded) {
    ResetProgram();
    sim::Options o = FastSim();
    o.hw.pcbType = 0;
    o.hw.firmware = "KBEX BOARD-0 FW 1.05";
    SimLine line(o);
    line.Connect();
    EXPECT_EQ(StatusLine(), "KBEX BOARD-0 FW 1.05");
    EXPECT_STREQ(szVersion, "KBEX BOARD-0 FW 1.05");
}

TEST(Identification, FirmwareTextOf72CharactersIsCutToTheStatusLength) {
    ResetProgram();
    sim::Options o = FastSim();
    o.hw.firmware = std::string(70, 'x') + "YZ";  // all 72 bytes, no terminating zero
    SimLine line(o);
    line.Connect();
    EXPECT_EQ(StatusLine(), o.hw.firmware);
    EXPECT_EQ(std::string(szStatus).size(), 72u);
}

TEST(Identification, MissingFirmwareAnswerIsReportedAndTheLineStaysUsable) {
    ResetProgram();
    sim::Options o = FastSim();
    o.faults.noFirmware = true;
    SimLine line(o);
    line.Connect();
    EXPECT_EQ(StatusLine(), "Error reading firmware-info!");
    // The receive callback is back on: the next exchange works.
    EXPECT_EQ(CheckComLine(com), 1);
}
