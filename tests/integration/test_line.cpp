// The line check, the port-opening sequence and the identification of
// simulated sensors of different builds, over a real pseudo-terminal.

#include "app_fixture.h"
#include "core/texts.h"

using namespace kbex_test;
using LineCheck = ProgramTest;
using Identification = ProgramTest;

TEST_F(LineCheck, EchoOfTheStartValueFrameThenIdentificationAndTheFetchATenthApart) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    // Echo, hardware, the three RAM pages, firmware: the order is checked
    // where a port change runs the same sequence; here the bytes and pace.
    const auto requests = line.sensor.Requests();
    ASSERT_EQ(requests.size(), 6u);
    const std::array<std::uint8_t, 36> startValueEcho = {
        0x00, 0x55, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x64, 0x00, 0x64, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x88, 0x00, 0x00};
    EXPECT_EQ(requests[0].bytes, startValueEcho);
    for (int page = 0; page < 3; ++page)
        EXPECT_EQ(requests[2 + page].second(), page);
    for (std::size_t i = 1; i < requests.size(); ++i)
        EXPECT_GE(requests[i].time - requests[i - 1].time, 0.09) << "step " << i;
    // The line stays usable; the window as it looks once connected.
    EXPECT_EQ(CheckComLine(com), 1);
    EXPECT_EQ(StatusLine(), "Echo Check - Line Ok!");
    EXPECT_TRUE(SavePanelImage(pHandle, "main-start.png"));
}

TEST_F(LineCheck, OpenErrorsShowTheirTextsAndReleaseTheSliders) {
    const struct {
        const char* path;  // the one entry of the port table, or none
        int port;
        int code;  // of the open, whose text the status line shows
    } rows[] = {
        {nullptr, 1, kComNoSerialPort},
        {"/dev/null-does-not-exist", 2, kComInvalidPort},
        {"/dev/null-does-not-exist", 1, kComNoSerialPort},
        {"/dev/null", 1, kComCannotOpen},  // not a terminal at all
    };
    for (const auto& r : rows) {
        SetPortTable(r.path ? std::vector<PortEntry>{{r.path, ""}} : std::vector<PortEntry>{});
        SetCtrlAttribute(pPara1, PARA1_SLIDEVideoTHD_A, ATTR_DIMMED, 1);
        InitRS232(r.port);
        EXPECT_EQ(StatusLine(), core::OpenErrorText(r.code)) << r.port << " " << (r.path ? r.path : "(none)");
        EXPECT_EQ(Attr(pPara1, PARA1_SLIDEVideoTHD_A, ATTR_DIMMED), 0);
    }
}

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
