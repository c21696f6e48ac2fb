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

namespace {

using Firmware = std::array<std::uint8_t, core::kFirmwareLen>;

// Board type 0 sends one character per big-endian word.
Firmware WordWise(const std::string& text, std::uint8_t highByte) {
    Firmware bytes{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = highByte;
        bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i]);
    }
    return bytes;
}

}  // namespace

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

// Board type 0 sends one character in the low byte of each word, the others
// the text itself; both end at the first zero character.
TEST(DecodeFirmware, WordWiseBoardTakesTheLowBytesOthersTheTextUpToTheFirstZero) {
    // The high byte is ignored; B5 is kept as the byte B5.
    EXPECT_EQ(core::DecodeFirmware(WordWise("KBEX V3.04 1\xB5m", 0x7F), 0), "KBEX V3.04 1\xB5m");
    const Firmware mixed{0x41, 'B', 0x41, 'C', 0x44, 0x00, 0x41, 'E'};  // word 0x4400: a zero character
    EXPECT_EQ(core::DecodeFirmware(mixed, 0), "BC");
    Firmware bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>('a' + i % 26);
    EXPECT_EQ(core::DecodeFirmware(bytes, 1).size(), 72u);
    bytes[18] = 0;
    for (std::uint16_t pcb : {1, 2, 65535})
        EXPECT_EQ(core::DecodeFirmware(bytes, pcb), "abcdefghijklmnopqr") << pcb;
}

TEST(CopyStatus, TextIsCutTo72CharactersAndNothingIsWrittenPastTheTerminator) {
    for (std::size_t length : {0, 21, 72, 100}) {
        std::array<char, 80> buf;
        buf.fill('#');
        const std::string text(length, 'q');
        core::CopyStatus(buf.data(), 72, text.c_str());
        const std::size_t kept = std::min<std::size_t>(length, 72);
        EXPECT_EQ(std::string(buf.data(), buf.size()),
                  text.substr(0, kept) + '\0' + std::string(79 - kept, '#'))
            << length;
    }
}
