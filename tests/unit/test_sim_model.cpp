// The simulated sensor's protocol model, bytes in and bytes out.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "core/frame.h"
#include "simulated_sensor.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::array<std::uint16_t, 15>;

Bytes Ask(sim::SensorModel& m, std::uint16_t cmd, std::uint16_t second, double now = 0.0,
          const Words& words = {}) {
    std::uint8_t req[36];
    core::FillTxBuf(req, cmd, second, words.data());
    return m.Handle(req, now);
}
std::uint16_t WordAt(const Bytes& a, std::size_t byte) {
    return core::GetWordBE(&a[byte]);
}
Bytes Head(const Bytes& a, std::size_t n) {
    return Bytes(a.begin(), a.begin() + static_cast<long>(n));
}
bool ZeroFrom(const Bytes& a, std::size_t from) {
    return std::all_of(a.begin() + static_cast<long>(from), a.end(), [](auto b) { return b == 0; });
}
Words Data(const Bytes& a) {
    Words w{};
    for (std::size_t i = 0; i < w.size(); ++i)
        w[i] = WordAt(a, 6 + 2 * i);
    return w;
}

// One 128-word buffer, fetched as the program does: two 64-word blocks.
std::vector<std::uint16_t> FetchBuffer(sim::SensorModel& m, std::uint16_t buffer, double now) {
    std::vector<std::uint16_t> out;
    for (std::uint16_t start : {0, 64}) {
        const Bytes a = Ask(m, core::kCmdBlock, start, now, Words{buffer});
        EXPECT_EQ(a.size(), 128u);
        for (std::size_t i = 0; i < 64; ++i)
            out.push_back(WordAt(a, 2 * i));
    }
    return out;
}

core::RawValues Raw(sim::SensorModel& m, double now) {
    const Bytes a = Ask(m, core::kCmdRaw, 0, now);
    EXPECT_EQ(Head(a, 4), (Bytes{0x00, 0xAA, 0x00, 0x08}));
    std::uint16_t pp[core::kPPWords] = {};
    EXPECT_EQ(core::GetRxBuf(a.data(), pp), 1);
    return core::DecodeRaw(pp);
}

void WriteRam(sim::SensorModel& m, std::uint16_t page, std::size_t word, std::uint16_t value) {
    Words w = m.ram[page];
    w[word] = value;
    Ask(m, core::kCmdWriteRam, page, 0.0, w);
}

}  // namespace

TEST(SimPages, StartPagesDecodeToTheSensorsOwnValues) {
    sim::SensorModel m;
    const Bytes p0 = Ask(m, core::kCmdReadRam, 0);
    EXPECT_EQ(Head(p0, 8), (Bytes{0x00, 0xAA, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(Bytes(p0.begin() + 32, p0.end()), (Bytes{0x90, 0x88, 0x00, 0x00}));  // calibRef

    std::uint16_t param[core::kParamCount] = {};
    for (std::uint16_t page = 0; page < 3; ++page) {
        const Bytes a = Ask(m, core::kCmdReadEeprom, page);
        EXPECT_EQ(Head(a, 6),
                  (Bytes{0x00, 0xAA, 0x00, 0x04, 0x00, static_cast<std::uint8_t>(page)}));
        std::uint16_t pp[core::kPPWords] = {};
        core::GetRxBuf(a.data(), pp);
        core::CopyPPtoVars(param, page, pp);
    }
    EXPECT_EQ(param[core::kTolUpPix], 80);
    EXPECT_EQ(param[core::kTeachA], 1500);
    EXPECT_EQ(param[core::kPixEndA], 4080);
    EXPECT_EQ(param[core::kTeachB], 2600);
    EXPECT_EQ(core::Get32(param, core::kCalibA), 1126u);
    EXPECT_EQ(core::Get32(param, core::kSetpointB), 37500u);

    const Bytes p7 = Ask(m, core::kCmdReadRam, 7);
    EXPECT_EQ(p7.size(), 36u);
    EXPECT_TRUE(ZeroFrom(p7, 6));
}

TEST(SimPages, RamAndEepromAreWrittenSeparatelyAndSilently) {
    sim::SensorModel m;
    const Words page{11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 0xFFFF};
    const auto eeprom = m.eeprom;
    EXPECT_TRUE(Ask(m, core::kCmdWriteRam, 1, 0.0, page).empty());
    EXPECT_TRUE(Ask(m, core::kCmdWriteRam, 3, 0.0, page).empty());  // no such page
    EXPECT_EQ(Data(Ask(m, core::kCmdReadRam, 1)), page);
    EXPECT_EQ(m.eeprom, eeprom);
    const auto ram = m.ram;
    EXPECT_TRUE(Ask(m, core::kCmdWriteEeprom, 2, 0.0, page).empty());
    EXPECT_EQ(Data(Ask(m, core::kCmdReadEeprom, 2)), page);
    EXPECT_EQ(m.ram, ram);
}

TEST(SimLine, EchoReturnsTheDataWordsAndUnknownCommandsStaySilent) {
    sim::SensorModel m;
    const Words w{1, 0, 0, 1, 1, 1, 100, 100, 0, 0, 0, 0, 0, 0x9088, 0};
    const Bytes a = Ask(m, core::kCmdEcho, 0x1234, 0.0, w);
    EXPECT_EQ(Head(a, 6), (Bytes{0x00, 0xAA, 0x00, 0x05, 0x00, 0x00}));
    EXPECT_EQ(Data(a), w);
    for (std::uint16_t unknown : {0, 12, 100, 103, 0x0108})
        EXPECT_TRUE(Ask(m, unknown, 0).empty()) << unknown;
}

TEST(SimIdentity, HardwareAnswerAndFirmwareTextInEitherBoardForm) {
    sim::HardwareConfig hw;
    hw.pcbType = 3;
    hw.hwType = 10037;
    hw.adcMax = 1024;
    hw.firmware = "KBEX 2.17";
    sim::SensorModel m(hw);
    const Bytes expected{0x00, 0xAA, 0x00, 0x0A, 0x00, 0x01, 0x04, 0x00, 0x00, 0x4E, 0x00, 0x03,
                         0x10, 0x00, 0x00, 0x04, 0x00, 0x01, 0x04, 0x00, 0x00, 0xD9, 0x27, 0x35,
                         0x04, 0x00, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0};
    EXPECT_EQ(Ask(m, core::kCmdHardware, 0), expected);
    Bytes fw = Ask(m, core::kCmdFirmware, 0);
    ASSERT_EQ(fw.size(), 72u);
    EXPECT_EQ(std::string(fw.begin(), fw.begin() + 9), "KBEX 2.17");
    EXPECT_TRUE(ZeroFrom(fw, 9));

    m.hw.firmware = std::string(100, 'x');
    EXPECT_EQ(Ask(m, core::kCmdFirmware, 0), Bytes(72, 'x'));

    // Word-wise board: one character in the low byte of each word, 36 at most.
    m.hw.pcbType = 0;
    m.hw.firmware = "FW-0";
    fw = Ask(m, core::kCmdFirmware, 0);
    ASSERT_EQ(fw.size(), 72u);
    EXPECT_EQ(Head(fw, 8), (Bytes{0, 'F', 0, 'W', 0, '-', 0, '0'}));
    EXPECT_TRUE(ZeroFrom(fw, 8));
    m.hw.firmware = std::string(40, 'y');
    EXPECT_EQ(WordAt(Ask(m, core::kCmdFirmware, 0), 70), 'y');
}

TEST(SimRaw, FrameCarriesTheLiveWordsOfTheMovingObject) {
    sim::SensorModel m;
    const core::RawValues r = Raw(m, 2.0);  // channel A at its upper turning point
    EXPECT_EQ(r.Aval, std::lround(m.SpotA(2.0)));
    EXPECT_NEAR(r.Aval, 1540, 1);
    EXPECT_NEAR(r.Bval, 2600 - 30 * std::cos(0.5), 1.5);
    EXPECT_EQ(r.Mvalue, r.Aval);  // evaluation mode 1
    EXPECT_EQ(r.umValue, 37000 + (r.Aval - 1500) * 1126 / 1024);
    EXPECT_EQ(r.poti, 50);
    EXPECT_EQ(r.edcntA + r.edcntB, 4);
    EXPECT_TRUE(r.peakwA >= 20 && r.peakwA <= 30 && r.peakwB >= 20 && r.peakwB <= 30);
    EXPECT_EQ(r.teachA, 1500);
    EXPECT_EQ(r.teachB, 2600);
    EXPECT_EQ(r.instate, 0);
    EXPECT_EQ(m.lastRaw[2], r.Mvalue);
    EXPECT_EQ(static_cast<std::uint16_t>(Raw(m, 2.1).raw15 - r.raw15), 1);
}

TEST(SimRaw, MeasuredValueAndMicrometresFollowTheEvaluationMode) {
    sim::SensorModel m;
    constexpr std::int32_t cvp = 4096;
    WriteRam(m, 0, 0, 0);
    auto r = Raw(m, 1.0);
    EXPECT_EQ(r.Mvalue, r.Bval);
    EXPECT_EQ(r.umValue, 37000 + (r.Bval - 2600) * 1126 / 1024);
    WriteRam(m, 0, 0, 2);
    r = Raw(m, 1.0);
    EXPECT_EQ(r.Mvalue, 2 * cvp - (r.Aval + r.Bval));
    EXPECT_EQ(r.umValue, 37000 + (r.Mvalue - (2 * cvp - 4100)) * 1126 / 1024);
    WriteRam(m, 0, 0, 3);
    r = Raw(m, 1.0);
    EXPECT_EQ(r.Mvalue, cvp + (r.Aval - 1500) - (r.Bval - 2600));
    EXPECT_EQ(r.umValue, 37000 + (r.Mvalue - cvp) * 1126 / 1024);

    // Set-point 0, channel A below its teach value: the high word carries the sign.
    WriteRam(m, 0, 0, 1);
    WriteRam(m, 1, 13, 0);
    const Bytes frame = Ask(m, core::kCmdRaw, 0, 6.0);
    EXPECT_EQ(WordAt(frame, 4 + 2 * 4), 0xFFFF);
    r = Raw(m, 6.0);
    EXPECT_EQ(r.umValue, (r.Aval - 1500) * 1126 / 1024);
    EXPECT_LT(r.umValue, -40);
}

TEST(SimRaw, HeldMaxMinFollowTheValueUntilReset) {
    sim::SensorModel m;
    std::uint16_t hi = 0, lo = 0xFFFF;
    for (int i = 0; i <= 16; ++i) {
        const auto r = Raw(m, 0.5 * i);
        hi = std::max(hi, r.Mvalue);
        lo = std::min(lo, r.Mvalue);
        EXPECT_TRUE(r.anaMax == hi && r.anaMin == lo) << i;
    }
    EXPECT_GT(hi - lo, 60);  // a whole sweep has passed
    const Bytes a = Ask(m, core::kCmdResetMaxMin, 0, 9.0);
    EXPECT_EQ(Head(a, 4), (Bytes{0x00, 0xAA, 0x00, 0x0B}));
    EXPECT_TRUE(ZeroFrom(a, 4));
    const auto r = Raw(m, 9.0);
    EXPECT_TRUE(r.anaMax == r.Mvalue && r.anaMin == r.Mvalue);
}

TEST(SimTeach, PresentPositionsBecomeTheRamTeachValues) {
    sim::SensorModel m;
    const auto a = static_cast<std::uint16_t>(std::lround(m.SpotA(2.0)));
    const auto b = static_cast<std::uint16_t>(std::lround(m.SpotB(2.0)));
    ASSERT_TRUE(a != 1500 && b != 2600);
    const Bytes answer = Ask(m, core::kCmdTeach, 0, 2.0);
    EXPECT_EQ(Head(answer, 6), (Bytes{0x00, 0xAA, 0x00, 0x06, 0x00, 0x00}));
    EXPECT_EQ(Data(answer), m.ram[0]);
    EXPECT_TRUE(m.ram[1][3] == a && m.ram[2][3] == b);
    EXPECT_EQ(m.eeprom[1][3], 1500);
    const auto r = Raw(m, 2.1);
    EXPECT_TRUE(r.teachA == a && r.teachB == b);
}

TEST(SimBlocks, VideoBlocksAreHalvesOfOneCaptureWithThePeakAtTheSpot) {
    sim::SensorModel m;
    for (std::uint16_t buffer : {0, 1}) {
        const auto v = FetchBuffer(m, buffer, 3.0);
        const auto peak = std::max_element(v.begin(), v.end());
        const double x = static_cast<double>(peak - v.begin()) * 4096 / 128;
        EXPECT_NEAR(x, buffer == 0 ? m.SpotA(3.0) : m.SpotB(3.0), 32) << buffer;
        EXPECT_TRUE(*peak > 150 && *peak < 256) << *peak;
        const auto floor = *std::min_element(v.begin(), v.end());
        EXPECT_TRUE(floor >= 14 && floor <= 26) << floor;  // ~8 % of 256 plus noise
    }
    // The second half is asked for later but belongs to the first half's capture.
    sim::SensorModel early(sim::HardwareConfig{}, 5), late(sim::HardwareConfig{}, 5);
    Ask(early, core::kCmdBlock, 0, 3.0, Words{0});
    Ask(late, core::kCmdBlock, 0, 3.0, Words{0});
    EXPECT_EQ(Ask(early, core::kCmdBlock, 64, 3.0, Words{0}),
              Ask(late, core::kCmdBlock, 64, 3.5, Words{0}));

    for (auto [start, buffer] : {std::pair<std::uint16_t, std::uint16_t>{0, 5}, {128, 0}}) {
        const Bytes z = Ask(m, core::kCmdBlock, start, 3.0, Words{buffer});
        EXPECT_EQ(z.size(), 128u);
        EXPECT_TRUE(ZeroFrom(z, 0)) << start << "/" << buffer;
    }
}

TEST(SimBlocks, MeasurementCurveIsTheRecentPositionHistory) {
    sim::SensorModel m;
    const auto a = FetchBuffer(m, 2, 5.0);
    EXPECT_EQ(a.back(), std::lround(m.SpotA(5.0)));
    EXPECT_EQ(a.front(), std::lround(m.SpotA(3.0 + 2.0 / 128)));
    EXPECT_GT(a.front(), a.back() + 20);  // channel A falls through its sweep here
    EXPECT_EQ(FetchBuffer(m, 3, 5.0).back(), std::lround(m.SpotB(5.0)));
}

TEST(SimFlash, ClearAndEightWordWritesWithTheirAnswers) {
    sim::SensorModel m;
    m.flash.fill(0x1234);
    const Bytes cleared = Ask(m, core::kCmdClearFlash, 0, 0.0, Words{0xAA, 0xAA, 0xAA});
    EXPECT_EQ(Head(cleared, 4), (Bytes{0x00, 0xAA, 0x00, 0x65}));
    EXPECT_TRUE(ZeroFrom(cleared, 4));
    EXPECT_TRUE(std::all_of(m.flash.begin(), m.flash.end(), [](auto w) { return w == 0xFFFF; }));

    const Bytes last =
        Ask(m, core::kCmdWriteFlash, 248, 0.0, Words{9, 1, 2, 3, 4, 5, 6, 7, 0x8000, 0xEEEE});
    EXPECT_EQ(Head(last, 10), (Bytes{0x00, 0xAA, 0x00, 0x66, 0x00, 0x00, 0x00, 0xF8, 0x00, 0x09}));
    EXPECT_TRUE(ZeroFrom(last, 10));
    EXPECT_TRUE(m.flash[2039] == 0xFFFF && m.flash[2040] == 1 && m.flash[2047] == 0x8000);
    Ask(m, core::kCmdWriteFlash, 8, 0.0, Words{2, 10, 11, 12, 13, 14, 15, 16, 17});
    EXPECT_TRUE(m.flash[7] == 0xFFFF && m.flash[8] == 10 && m.flash[15] == 17);

    // Out of range: nothing stored, and the answer still reports what was asked.
    const auto before = m.flash;
    for (auto [offset, page] : {std::pair<std::uint16_t, std::uint16_t>{0, 10}, {0, 1}, {256, 2}}) {
        const Bytes a =
            Ask(m, core::kCmdWriteFlash, offset, 0.0, Words{page, 1, 1, 1, 1, 1, 1, 1, 1});
        EXPECT_TRUE(WordAt(a, 6) == offset && WordAt(a, 8) == page) << offset << "/" << page;
    }
    EXPECT_EQ(m.flash, before);
}

TEST(SimConfig, ShortOrUnlistedLinesKeepTeachValuesAndSpotsInside) {
    sim::HardwareConfig hw;
    hw.virtPixels = 1024;
    sim::SensorModel m(hw);
    EXPECT_TRUE(m.ram[1][3] == 1023 && m.eeprom[2][3] == 1023);
    EXPECT_EQ(Raw(m, 2.0).Aval, 1023);  // the spot stops at the end of the line
    hw.virtPixels = 3000;  // unlisted: reported as is, but the object moves on 2048 pixels
    sim::SensorModel odd(hw);
    EXPECT_EQ(WordAt(Ask(odd, core::kCmdHardware, 0), 12), 3000);
    EXPECT_TRUE(odd.ram[1][3] == 1500 && odd.ram[2][3] == 2047);
    WriteRam(odd, 0, 0, 3);
    const auto r = Raw(odd, 1.0);
    EXPECT_EQ(r.Mvalue, 2048 + (r.Aval - 1500) - (r.Bval - 2047));
}
