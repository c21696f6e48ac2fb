// Fixed texts of the sensor link and the decoding of the hardware description
// and firmware answers.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <tuple>

#include "core/frame.h"
#include "core/texts.h"

// -4 is written with the digit zero, "I/0"; results without a text of their
// own (-5 among them) are RS-232 errors.
TEST(OpenErrorText, EachResultHasItsTextAndUnlistedOnesAreRs232Errors) {
    const std::pair<int, const char*> cases[] = {{-4, "Unknown I/0 error"},  {-5, "RS-232 error!"},
                                                 {-13, "Invalid parameter"}, {-14, "RS-232 error!"},
                                                 {-99, "Timeout"},           {INT_MIN, "RS-232 error!"}};
    for (auto [code, text] : cases)
        EXPECT_STREQ(core::OpenErrorText(code), text) << code;
}

TEST(DescribeCcd, KnownHeadsFillTheBoxUnknownHeadsShowTheNoticeAndKeepTheGainTexts) {
    const std::string notice = "CCD-SENSOR: No Info Avialable!", blank(32, ' ');
    // CCD type, hardware type -> known CCD, box lines 0 and 3, low-gain text. The texts
    // are Windows-1252 bytes: the micro sign is the single byte B5, not UTF-8's C2 B5.
    const std::tuple<std::uint16_t, std::uint16_t, bool, std::string, std::string, std::string> cases[] = {
        {1, 10080, true, "1024-pixel; 7.8\xB5m pixel-pitch", "working-range = 80mm +/-10mm", "LOW GAIN"},
        {1, 10038, true, notice, blank, "LOW GAIN"},
        {4, 10055, true, "512-pixel; 12.5\xB5m pixel-pitch", "working-range = 55mm +/-5.0mm", "ADC-CONV"},
        {4, 10080, true, notice, blank, "ADC-CONV"},  // the other heads are CCD type 1's
        {2, 10055, false, notice, blank, ""}};
    for (const auto& [ccd, hw, known, line0, line3, gainLow] : cases) {
        const core::CcdInfo info = core::DescribeCcd(ccd, hw);
        EXPECT_EQ(std::tie(info.knownCcd, info.lines[0], info.lines[3], info.gainLow),
                  std::tie(known, line0, line3, gainLow))
            << ccd << "/" << hw;
    }
}

// Unlisted pixel counts become 2048. A known CCD takes the ADC full scale 1024
// only when reported and the axis from the pixel count; an unknown one 256 and 4096.
TEST(Scale, ListedPixelCountsStayAndOnlyAKnownCcdTakesTheReportedAdcAndAxis) {
    for (std::uint16_t n : {256, 512, 768, 1024, 1280, 1536, 2048, 2560, 4096, 8192})
        EXPECT_EQ(core::NormaliseVirtPixels(n), n);
    for (std::uint16_t n : {0, 255, 257, 3000, 4095, 8191, 16384, 65535})
        EXPECT_EQ(core::NormaliseVirtPixels(n), 2048) << n;
    for (std::uint16_t type : {0, 1, 2, 4, 65535}) {
        const bool known = type == 1 || type == 4;
        for (std::uint16_t adc : {0, 256, 1023, 1024, 1025, 65535}) {
            const core::ScaleRule s = core::ScaleFor(type, adc, 8192);
            EXPECT_EQ(s.adcMax, known && adc == 1024 ? 1024 : 256) << type << " adc " << adc;
            EXPECT_EQ(s.yAxisMax, known ? 8192 : 4096) << type;
        }
    }
}

// Board type 0 sends one character in the low byte of each word; the fuzz
// corpus replays those answers and the status buffer against a model of their
// own. Every other board type sends the text itself, up to the first zero.
TEST(DecodeFirmware, EveryBoardTypeButZeroSendsThePlainText) {
    std::array<std::uint8_t, core::kFirmwareLen> bytes{};
    for (std::size_t i = 0; i < 18; ++i)
        bytes[i] = static_cast<std::uint8_t>('a' + i);
    for (std::uint16_t pcb : {1, 2, 65535})
        EXPECT_EQ(core::DecodeFirmware(bytes, pcb), "abcdefghijklmnopqr") << pcb;
}
