// Wire codec: page mapping, request frames, answer decoding, raw words; the
// fixed texts of the sensor link and what the hardware description and
// firmware answers decode to.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "core/compare.h"
#include "core/frame.h"
#include "core/texts.h"

using Set = std::array<std::uint16_t, core::kParamCount>;
using PP = std::array<std::uint16_t, core::kPPWords>;
using Bytes = std::vector<std::uint8_t>;

// One page of `p` as a request, written over the leftovers (EE) of an earlier
// request: every byte of the frame is written and none of the four after it.
static Bytes Request(const Set& p, std::uint16_t command, std::uint16_t page) {
    PP pp{};
    core::CopyVarsToPP(p, page, pp);
    std::array<std::uint8_t, core::kFrameLen + 4> buf;
    buf.fill(0xEE);
    core::FillTxBuf(std::span(buf).first<core::kFrameLen>(), command, page,
                    std::span(pp).first<core::kPageWords>());
    EXPECT_EQ(std::count(buf.begin() + core::kFrameLen, buf.end(), 0xEE), 4);
    return {buf.begin(), buf.begin() + core::kFrameLen};
}

// ---------------------------------------------------------------- requests

// Channel A's calibration 1536 on page 1, low word first: 06 00, then 00 00;
// the page in the second word. The whole frame of the line check, command
// word and all, is start-up's worked example.
TEST(Requests, CalibrationMatchesTheWireBytesAndEachPageWordCarriesItsEntry) {
    Set p{};
    core::Put32(p, core::kCalibA, 1536);
    const auto f = Request(p, core::kCmdWriteRam, 1);
    // The page in bytes 4-5; calibA is data word 11 of page 1: bytes 28-31.
    EXPECT_EQ((std::array{f[4], f[5], f[28], f[29], f[30], f[31]}),
              (std::array<std::uint8_t, 6>{0x00, 0x01, 0x06, 0x00, 0x00, 0x00}));

    // Each page word carries its entry, skipping 3, 17, 31 and 47; pp[15] is kept.
    constexpr int kIndex[3][15] = {
        {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 19},
        {20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 32, 33, 34, 35},
        {36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 48, 49, 50, 51},
    };
    Set all;
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<std::uint16_t>(0x1000 + i);
    for (std::uint16_t page : {0, 1, 2, 3, 0xFFFF}) {  // pages past 2 copy nothing
        PP pp;
        pp.fill(0xBEEF);
        PP expectedPP = pp;
        Set back{}, expected{};
        core::CopyVarsToPP(all, page, pp);
        core::CopyPPtoVars(back, page, std::span(pp).first<core::kPageWords>());
        for (std::size_t w = 0; w < 15; ++w) {
            const int index = page < 3 ? kIndex[page][w] : -1;
            EXPECT_EQ(core::PageEntryIndex(page, w), index) << page << "/" << w;
            if (index >= 0)
                expected[index] = expectedPP[w] = all[index];
        }
        EXPECT_EQ(std::pair(pp, back), std::pair(expectedPP, expected)) << page;
    }
}

// ---------------------------------------------------------------- answers

TEST(RxDecode, OnlyEcho0008IsARawFrameSyncIsNotExaminedAndMicrometresAreSignedFromTheHighWord) {
    // sync, echo, raw: 0x0108 and 0x0800 hold the byte 08 but are parameter answers.
    const std::tuple<std::uint16_t, std::uint16_t, int> cases[] = {
        {0x00AA, 8, 1},      {0x0055, 8, 1},      {0xFFFF, 8, 1}, {0x00AA, 0x0108, 0},
        {0x00AA, 0x0800, 0}, {0x00AA, 0xFF08, 0}, {0x00AA, 2, 0}, {0x0000, 10, 0}};
    for (auto [sync, echo, raw] : cases) {
        std::array<std::uint8_t, core::kFrameLen> f{};
        core::PutWordBE(&f[0], sync);
        core::PutWordBE(&f[2], echo);
        for (std::size_t i = 2; i < 18; ++i)  // word i of the frame: 0xC0xx
            core::PutWordBE(&f[2 * i], static_cast<std::uint16_t>(0xC000 + i));
        PP pp;
        pp.fill(0x5A5A);
        EXPECT_EQ(core::GetRxBuf(f, pp), raw) << std::hex << echo;
        // Raw: words 2..17 of the frame (bytes 4-35); else words 3..17 and pp[15] kept.
        for (std::size_t i = 0; i < 16; ++i)
            EXPECT_EQ(pp[i], raw      ? 0xC002 + i
                             : i < 15 ? 0xC003 + i
                                      : 0x5A5A)
                << std::hex << echo << " word " << i;
    }

    // A raw frame's words land in their values; micrometres: low word pp[3],
    // signed high word pp[4].
    PP pp;
    for (std::size_t i = 0; i < pp.size(); ++i)
        pp[i] = static_cast<std::uint16_t>(100 + i);
    const core::RawValues r = core::DecodeRaw(pp);
    EXPECT_EQ((std::array{r.Aval, r.Bval, r.Mvalue, r.poti, r.edcntA, r.edcntB, r.peakwA, r.peakwB, r.anaMax,
                          r.anaMin, r.teachA, r.teachB, r.raw15, r.instate}),
              (std::array<std::uint16_t, 14>{100, 101, 102, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114,
                                             115}));
    const std::tuple<std::uint16_t, std::uint16_t, std::int32_t> micrometres[] = {
        {0x0000, 0x8000, INT32_MIN}, {0x8000, 0x0000, 32768}, {0xFC18, 0xFFFF, -1000}};
    for (auto [low, high, um] : micrometres) {
        std::tie(pp[3], pp[4]) = std::pair(low, high);
        EXPECT_EQ(core::DecodeRaw(pp).umValue, um) << std::hex << high << " " << low;
    }
}

// ---------------------------------------------------------------- texts and scales

// -4 is written with the digit zero, "I/0"; results without a text of their
// own (-5 among them) are RS-232 errors.
TEST(Texts, OpenResultsHaveTextsKnownHeadsFillTheBoxAKnownCcdTakesTheAdcFirmwareIsPlainButOnBoard0) {
    const std::pair<int, const char*> results[] = {{-4, "Unknown I/0 error"},  {-5, "RS-232 error!"},
                                                   {-13, "Invalid parameter"}, {-14, "RS-232 error!"},
                                                   {-99, "Timeout"},           {INT_MIN, "RS-232 error!"}};
    for (auto [code, text] : results)
        EXPECT_STREQ(core::OpenErrorText(code), text) << code;

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

    // Unlisted pixel counts become 2048. A known CCD takes the ADC full scale 1024
    // only when reported and the axis from the pixel count; an unknown one 256 and 4096.
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

    // Board type 0 sends one character in the low byte of each word; the fuzz
    // corpus replays those answers and the status buffer against a model of their
    // own. Every other board type sends the text itself, up to the first zero.
    std::array<std::uint8_t, core::kFirmwareLen> bytes{};
    std::copy_n("abcdefghijklmnopqr", 18, bytes.begin());
    for (std::uint16_t pcb : {1, 2, 65535})
        EXPECT_EQ(core::DecodeFirmware(bytes, pcb), "abcdefghijklmnopqr") << pcb;
}

// A verify names how many of the 45 words differ and the first of them by its entry.
TEST(VerifyText, CountsEveryDifferingWordAndNamesTheFirst) {
    core::SetWords sent{}, back{};
    back[44] = 1;  // setpointB (high)
    back[6] = 1;   // tolLoPix
    EXPECT_EQ(core::VerifyText(core::Compare(sent, back)), "Verify failed: 2 words differ (first: tolLoPix)");
    EXPECT_EQ(core::VerifyText(core::Compare(sent, sent)), "Parameter-frames verified!");
    EXPECT_EQ(core::SetWordName(44), "setpointB (high)");
}
