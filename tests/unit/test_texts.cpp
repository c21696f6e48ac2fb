// Fixed texts of the sensor link and the decoding of the hardware description
// and firmware answers.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/frame.h"
#include "core/texts.h"

namespace {

const std::string kBlank32(32, ' ');
const std::string kNoInfo = "CCD-SENSOR: No Info Avialable!";

void ExpectNoticeAndBlankLines(const core::CcdInfo& info, const std::string& what) {
    EXPECT_EQ(info.lines[0], kNoInfo) << what;
    EXPECT_EQ(info.lines[1], kBlank32) << what;
    EXPECT_EQ(info.lines[2], kBlank32) << what;
    EXPECT_EQ(info.lines[3], kBlank32) << what;
}

}  // namespace

// ---------------------------------------------------------------- open errors

TEST(OpenErrorText, EachResultHasItsText) {
    EXPECT_STREQ(core::OpenErrorText(-1), "Unknown system error");
    EXPECT_STREQ(core::OpenErrorText(-2), "Invalid port number");
    EXPECT_STREQ(core::OpenErrorText(-3), "Port is not open");
    EXPECT_STREQ(core::OpenErrorText(-4), "Unknown I/0 error");
    EXPECT_STREQ(core::OpenErrorText(-5), "RS-232 error!");
    EXPECT_STREQ(core::OpenErrorText(-6), "No serial port found");
    EXPECT_STREQ(core::OpenErrorText(-7), "Cannot open port");
    for (int code = -12; code <= -8; ++code)
        EXPECT_STREQ(core::OpenErrorText(code), "RS-232 error!") << code;
    EXPECT_STREQ(core::OpenErrorText(-13), "Invalid parameter");
    EXPECT_STREQ(core::OpenErrorText(-99), "Timeout");
}

TEST(OpenErrorText, IoErrorIsWrittenWithDigitZero) {
    const std::string text = core::OpenErrorText(-4);
    EXPECT_NE(text.find("I/0"), std::string::npos);
    EXPECT_EQ(text.find("I/O"), std::string::npos);
}

TEST(OpenErrorText, UnlistedNegativeResultsAreRs232Errors) {
    for (int code : {-14, -20, -98, -100, -1000, INT_MIN})
        EXPECT_STREQ(core::OpenErrorText(code), "RS-232 error!") << code;
}

// ---------------------------------------------------------------- CCD description

TEST(DescribeCcd, Type1With80mmHeadFillsFourLinesAndGainRing) {
    const core::CcdInfo info = core::DescribeCcd(1, 10080);
    EXPECT_TRUE(info.knownCcd);
    EXPECT_EQ(info.lines[0], "1024-pixel; 7.8\xB5m pixel-pitch");
    EXPECT_EQ(info.lines[1], "4096-subpixel");
    EXPECT_EQ(info.lines[2], "resolution    = +/-10\xB5m");
    EXPECT_EQ(info.lines[3], "working-range = 80mm +/-10mm");
    EXPECT_EQ(info.gainLow, "LOW GAIN");
    EXPECT_EQ(info.gainHigh, "HIGH GAIN");
}

TEST(DescribeCcd, MicroSignIsTheSingleByte0xB5) {
    const core::CcdInfo info = core::DescribeCcd(1, 10037);
    const std::string& line0 = info.lines[0];
    ASSERT_EQ(line0.size(), 29u);
    EXPECT_EQ(static_cast<unsigned char>(line0[15]), 0xB5);
    EXPECT_EQ(line0[16], 'm');
    const std::string& line2 = info.lines[2];
    ASSERT_EQ(line2.size(), 22u);
    EXPECT_EQ(static_cast<unsigned char>(line2[20]), 0xB5);
    // "resolution" and four blanks before the equals sign.
    EXPECT_EQ(line2.substr(0, 16), "resolution    = ");
}

TEST(DescribeCcd, EveryHardwareTypeOfCcdType1) {
    struct Row {
        std::uint16_t hwtype;
        const char* line2;
        const char* line3;
    };
    const Row rows[] = {
        {10037, "resolution    = +/-1\xB5m", "working-range = 37mm +/-2.0mm"},
        {10055, "resolution    = +/-2.5\xB5m", "working-range = 55mm +/-5.0mm"},
        {10080, "resolution    = +/-10\xB5m", "working-range = 80mm +/-10mm"},
        {10135, "resolution    = +/-xx \xB5m", "working-range = 135mm +/-20mm"},
        {10160, "resolution    = +/-xx \xB5m", "working-range = 160mm +/-xx mm"},
        {10200, "resolution    = +/-xx \xB5m", "working-range = 200mm +/-xx mm"},
        {10275, "resolution    = +/-xx \xB5m", "working-range = 275mm +/-xx mm"},
        {10450, "resolution    = +/-xx \xB5m", "working-range = 450mm +/-xx mm"},
    };
    for (const Row& r : rows) {
        const core::CcdInfo info = core::DescribeCcd(1, r.hwtype);
        EXPECT_TRUE(info.knownCcd) << r.hwtype;
        EXPECT_EQ(info.lines[0], "1024-pixel; 7.8\xB5m pixel-pitch") << r.hwtype;
        EXPECT_EQ(info.lines[1], "4096-subpixel") << r.hwtype;
        EXPECT_EQ(info.lines[2], r.line2) << r.hwtype;
        EXPECT_EQ(info.lines[3], r.line3) << r.hwtype;
        EXPECT_EQ(info.gainLow, "LOW GAIN") << r.hwtype;
        EXPECT_EQ(info.gainHigh, "HIGH GAIN") << r.hwtype;
    }
}

TEST(DescribeCcd, Type1WithUnlistedHeadShowsNoticeButKeepsGainTexts) {
    for (std::uint16_t hw : {0, 10000, 10036, 10038, 10100, 65535}) {
        const core::CcdInfo info = core::DescribeCcd(1, hw);
        EXPECT_TRUE(info.knownCcd) << hw;
        ExpectNoticeAndBlankLines(info, "type 1 hwtype " + std::to_string(hw));
        EXPECT_EQ(info.gainLow, "LOW GAIN") << hw;
        EXPECT_EQ(info.gainHigh, "HIGH GAIN") << hw;
    }
}

TEST(DescribeCcd, Type4KnowsOnlyThe55mmHead) {
    const core::CcdInfo info = core::DescribeCcd(4, 10055);
    EXPECT_TRUE(info.knownCcd);
    EXPECT_EQ(info.lines[0], "512-pixel; 12.5\xB5m pixel-pitch");
    EXPECT_EQ(info.lines[1], "2048-subpixel");
    EXPECT_EQ(info.lines[2], "resolution    = +/-5\xB5m");
    EXPECT_EQ(info.lines[3], "working-range = 55mm +/-5.0mm");
    EXPECT_EQ(info.gainLow, "ADC-CONV");
    EXPECT_EQ(info.gainHigh, "DIG-COMP");

    // The other heads of type 1 are unknown for type 4.
    for (std::uint16_t hw : {10037, 10080, 10135, 10450, 0}) {
        const core::CcdInfo other = core::DescribeCcd(4, hw);
        EXPECT_TRUE(other.knownCcd) << hw;
        ExpectNoticeAndBlankLines(other, "type 4 hwtype " + std::to_string(hw));
        EXPECT_EQ(other.gainLow, "ADC-CONV") << hw;
        EXPECT_EQ(other.gainHigh, "DIG-COMP") << hw;
    }
}

TEST(DescribeCcd, UnknownCcdTypeShowsNoticeAndIsNotKnown) {
    for (std::uint16_t type : {0, 2, 3, 5, 65535}) {
        for (std::uint16_t hw : {10055, 10080}) {
            const core::CcdInfo info = core::DescribeCcd(type, hw);
            EXPECT_FALSE(info.knownCcd) << type;
            ExpectNoticeAndBlankLines(info, "type " + std::to_string(type));
        }
    }
}

// ---------------------------------------------------------------- pixel count and scales

TEST(NormaliseVirtPixels, ListedCountsStayOthersBecome2048) {
    for (std::uint16_t n : {256, 512, 768, 1024, 1280, 1536, 2048, 2560, 4096, 8192})
        EXPECT_EQ(core::NormaliseVirtPixels(n), n);
    for (std::uint16_t n : {0, 1, 255, 257, 1000, 3000, 4095, 4097, 8191, 16384, 65535})
        EXPECT_EQ(core::NormaliseVirtPixels(n), 2048) << n;
}

TEST(ScaleFor, KnownCcdTakes1024OnlyWhenReportedAndAxisFromPixels) {
    for (std::uint16_t type : {1, 4}) {
        core::ScaleRule s = core::ScaleFor(type, 1024, 4096);
        EXPECT_EQ(s.adcMax, 1024) << type;
        EXPECT_EQ(s.yAxisMax, 4096) << type;
        s = core::ScaleFor(type, 1023, 2048);
        EXPECT_EQ(s.adcMax, 256) << type;
        EXPECT_EQ(s.yAxisMax, 2048) << type;
        for (std::uint16_t adc : {0, 255, 256, 512, 1025, 4096, 65535})
            EXPECT_EQ(core::ScaleFor(type, adc, 512).adcMax, 256) << type << " adc " << adc;
        EXPECT_EQ(core::ScaleFor(type, 256, 8192).yAxisMax, 8192) << type;
    }
}

TEST(ScaleFor, UnknownCcdFallsBackTo256And4096Regardless) {
    for (std::uint16_t type : {0, 2, 3, 5, 65535}) {
        for (std::uint16_t pixels : {256, 2048, 8192}) {
            const core::ScaleRule s = core::ScaleFor(type, 1024, pixels);
            EXPECT_EQ(s.adcMax, 256) << type;
            EXPECT_EQ(s.yAxisMax, 4096) << type << " pixels " << pixels;
        }
    }
}

// ---------------------------------------------------------------- firmware text

namespace {

std::array<std::uint8_t, core::kFirmwareLen> WordWise(const std::string& text,
                                                      std::uint8_t highByte) {
    std::array<std::uint8_t, core::kFirmwareLen> bytes{};
    for (std::size_t i = 0; i < text.size() && i < 36; ++i) {
        bytes[2 * i] = highByte;
        bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i]);
    }
    return bytes;
}

}  // namespace

TEST(DecodeFirmware, BoardType0TakesTheLowByteOfEachBigEndianWord) {
    const auto bytes = WordWise("KBEX V3.04", 0x00);
    EXPECT_EQ(core::DecodeFirmware(bytes.data(), bytes.size(), 0), "KBEX V3.04");
}

TEST(DecodeFirmware, BoardType0IgnoresTheHighByte) {
    const auto bytes = WordWise("FW-1.2", 0x7F);  // the zero words after the text end it
    EXPECT_EQ(core::DecodeFirmware(bytes.data(), bytes.size(), 0), "FW-1.2");

    std::array<std::uint8_t, core::kFirmwareLen> mixed{};
    mixed[0] = 0x41;  // word 0x4142 -> 'B'
    mixed[1] = 0x42;
    mixed[2] = 0xFF;  // word 0xFF43 -> 'C'
    mixed[3] = 0x43;
    mixed[4] = 0x44;  // word 0x4400 -> zero character: end of text
    mixed[5] = 0x00;
    mixed[6] = 0x00;
    mixed[7] = 0x45;
    EXPECT_EQ(core::DecodeFirmware(mixed.data(), mixed.size(), 0), "BC");
}

TEST(DecodeFirmware, BoardType0EndsAtFirstZeroCharacterOrAfter36Words) {
    auto bytes = WordWise(std::string(36, 'x'), 0x00);
    EXPECT_EQ(core::DecodeFirmware(bytes.data(), bytes.size(), 0), std::string(36, 'x'));

    bytes[2 * 5 + 1] = 0x00;  // sixth word zero
    EXPECT_EQ(core::DecodeFirmware(bytes.data(), bytes.size(), 0), "xxxxx");

    std::array<std::uint8_t, core::kFirmwareLen> empty{};
    EXPECT_EQ(core::DecodeFirmware(empty.data(), empty.size(), 0), "");

    // A Windows-1252 character survives.
    auto micro = WordWise("1\xB5m", 0x00);
    EXPECT_EQ(core::DecodeFirmware(micro.data(), micro.size(), 0), "1\xB5m");
}

TEST(DecodeFirmware, OtherBoardsSendTheTextUpToTheFirstZeroByte) {
    std::array<std::uint8_t, core::kFirmwareLen> bytes{};
    const char* text = "K-BEX Firmware 2.1";
    std::memcpy(bytes.data(), text, std::strlen(text));
    bytes[40] = 'Z';  // after the zero: not part of the text
    for (std::uint16_t pcb : {1, 2, 255, 65535})
        EXPECT_EQ(core::DecodeFirmware(bytes.data(), bytes.size(), pcb), text) << pcb;
}

TEST(DecodeFirmware, OtherBoardsTakeAllBytesOfAFullText) {
    std::array<std::uint8_t, core::kFirmwareLen> bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>('a' + i % 26);
    const std::string text = core::DecodeFirmware(bytes.data(), bytes.size(), 1);
    ASSERT_EQ(text.size(), 72u);
    EXPECT_EQ(text.front(), 'a');
    EXPECT_EQ(text.back(), static_cast<char>('a' + 71 % 26));

    // Word-wise reading of the same bytes would give a different text.
    bytes[0] = 0x00;
    EXPECT_EQ(core::DecodeFirmware(bytes.data(), bytes.size(), 1), "");
    EXPECT_EQ(core::DecodeFirmware(bytes.data(), bytes.size(), 0).substr(0, 2), "bd");
}

// ---------------------------------------------------------------- status text

TEST(CopyStatus, ShortTextIsCopiedWithItsTerminator) {
    std::array<char, 80> buf;
    buf.fill('#');
    core::CopyStatus(buf.data(), 72, "Echo Check - Line Ok!");
    EXPECT_STREQ(buf.data(), "Echo Check - Line Ok!");

    core::CopyStatus(buf.data(), 72, "");
    EXPECT_STREQ(buf.data(), "");
}

TEST(CopyStatus, SeventyTwoCharactersFitExactly) {
    std::array<char, 80> buf;
    buf.fill('#');
    const std::string text(72, 'q');
    core::CopyStatus(buf.data(), 72, text.c_str());
    EXPECT_EQ(std::string(buf.data()), text);
    EXPECT_EQ(buf[72], '\0');
    for (std::size_t i = 73; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], '#') << "written past the terminator at " << i;
}

TEST(CopyStatus, LongerTextIsCutTo72Characters) {
    std::array<char, 80> buf;
    buf.fill('#');
    std::string text;
    for (int i = 0; i < 100; ++i)
        text.push_back(static_cast<char>('A' + i % 26));
    core::CopyStatus(buf.data(), 72, text.c_str());
    EXPECT_EQ(std::string(buf.data()), text.substr(0, 72));
    EXPECT_EQ(buf[72], '\0');
    for (std::size_t i = 73; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], '#') << "written past the terminator at " << i;
}
