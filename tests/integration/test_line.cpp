// The line check and the port-opening sequence against the simulated sensor
// pair over a real pseudo-terminal.

#include "app_fixture.h"
#include "core/texts.h"

using namespace kbex_test;
using LineCheck = ProgramTest;

TEST_F(LineCheck, EchoOfTheStartValueFrameThenIdentificationAndTheFetchATenthApart) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    // Echo, hardware, the three RAM pages, firmware.
    EXPECT_EQ(line.Commands(), (std::vector<std::uint16_t>{5, 10, 2, 2, 2, 7}));
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
