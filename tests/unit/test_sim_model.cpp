// The simulated sensor's protocol model, bytes in and bytes out, read back
// with the program's own codec.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "core/frame.h"
#include "core/rules.h"
#include "core/texts.h"
#include "simulated_sensor.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::array<std::uint16_t, core::kPageWords>;
using PP = std::array<std::uint16_t, core::kPPWords>;

Bytes Ask(sim::SensorModel& m, std::uint16_t cmd, std::uint16_t second, double now = 0.0,
          const Words& words = {}) {
    std::array<std::uint8_t, core::kFrameLen> req;
    core::FillTxBuf(req, cmd, second, words);
    return m.Handle(req, now);
}
Bytes Head(const Bytes& a, std::size_t n) {
    return Bytes(a.begin(), a.begin() + static_cast<long>(std::min(n, a.size())));
}
// The answer as the program's receive path decodes it: the 16 words of a raw
// frame, the 15 data words of any other.
template <std::size_t N = core::kPageWords>
std::array<std::uint16_t, N> Decode(Bytes a) {
    EXPECT_EQ(a.size(), core::kFrameLen);
    a.resize(core::kFrameLen);
    PP pp{};
    EXPECT_EQ(core::GetRxBuf(std::span<const std::uint8_t, core::kFrameLen>(a.data(), a.size()), pp),
              int{N == core::kPPWords});
    std::array<std::uint16_t, N> words;
    std::copy_n(pp.begin(), N, words.begin());
    return words;
}
core::RawValues Raw(sim::SensorModel& m, double now) {
    const Bytes a = Ask(m, core::kCmdRaw, 0, now);
    EXPECT_EQ(Head(a, 4), (Bytes{0x00, 0xAA, 0x00, 0x08}));
    return core::DecodeRaw(Decode<core::kPPWords>(a));
}

}  // namespace

TEST(SimFrames, RamWritesAreSilentUnknownsUnansweredIdentityInTheProgramsFramesBlocksHalvesOfOneCapture) {
    sim::SensorModel m, late;
    // The peak at the spot in the video buffers, the positions of the last two
    // seconds, the newest last, in the others; the second half, asked for later,
    // still belongs to the first half's capture.
    for (std::uint16_t buffer : {0, 1, 2, 3}) {
        std::vector<std::uint16_t> v;
        for (std::uint16_t start : {0, 64}) {
            const Bytes a = Ask(m, core::kCmdBlock, start, 3.0, Words{buffer});
            ASSERT_EQ(a.size(), core::kBlockLen);
            EXPECT_EQ(Ask(late, core::kCmdBlock, start, start ? 3.5 : 3.0, Words{buffer}), a) << buffer;
            for (std::size_t i = 0; i < core::kBlockWords; ++i)
                v.push_back(core::GetWordBE(&a[2 * i]));
        }
        auto at = [&](double t) { return buffer % 2 ? m.SpotB(t) : m.SpotA(t); };  // the spot at time t
        if (buffer < 2)
            EXPECT_NEAR((std::max_element(v.begin(), v.end()) - v.begin()) * 4096.0 / 128, at(3.0), 32);
        else
            EXPECT_TRUE(v.back() == std::lround(at(3.0)) && v.front() == std::lround(at(1 + 2.0 / 128)));
    }
    EXPECT_EQ(Ask(m, core::kCmdBlock, 0, 3.0, Words{5}), Bytes(128, 0));

    // Page reads from either memory are every program test's, the echo the
    // pty tests'; here what the program cannot tell apart.
    const Words page{11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 0xFFFF};
    const auto eeprom = m.eeprom;
    EXPECT_TRUE(Ask(m, core::kCmdWriteRam, 1, 0.0, page).empty());  // written silently, RAM only
    EXPECT_TRUE(Decode(Ask(m, core::kCmdReadRam, 1)) == page && m.eeprom == eeprom);
    for (std::uint16_t unknown : {0, 12, 103, 0x0108})
        EXPECT_TRUE(Ask(m, unknown, 0).empty()) << unknown;

    m.hw.pcbType = 3;
    m.hw.hwType = 10037;
    const Bytes hardware{0x00, 0xAA, 0x00, 0x0A, 0x00, 0x01, 0x04, 0x00, 0x00, 0x4E, 0x00, 0x03,
                         0x10, 0x00, 0x00, 0x04, 0x00, 0x01, 0x04, 0x00, 0x00, 0xD9, 0x27, 0x35,
                         0x01, 0x00, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0};
    EXPECT_EQ(Ask(m, core::kCmdHardware, 0), hardware);
    m.hw.pcbType = 0;  // word-wise board: one character in the low byte of each word, 36 at most
    m.hw.firmware = std::string(40, 'y');
    const Bytes fw = Ask(m, core::kCmdFirmware, 0);
    ASSERT_EQ(fw.size(), core::kFirmwareLen);
    EXPECT_EQ(core::DecodeFirmware(std::span(fw).first<core::kFirmwareLen>(), 0), std::string(36, 'y'));

    // The flash answers are what the maintenance requests check, where a write
    // lands the upload's; the clear, which the upload overwrites, is here.
    m.flash.fill(0x1234);
    Ask(m, core::kCmdClearFlash, 0);
    EXPECT_TRUE(std::all_of(m.flash.begin(), m.flash.end(), [](auto w) { return w == 0xFFFF; }));
}

// The raw frame carries the moving object and the value of the evaluation
// mode; TEACH makes the present positions the teach values, in RAM only.
TEST(SimRaw, FrameFollowsTheObjectAndModeTeachTakesThePositionsSpotsStayOnTheLineAndLeaveTheWindow) {
    sim::SensorModel m;
    core::RawValues r = Raw(m, 2.0);
    EXPECT_TRUE(r.Aval == std::lround(m.SpotA(2.0)) && r.Bval == std::lround(m.SpotB(2.0))) << r.Aval;
    EXPECT_TRUE(r.Mvalue == r.Aval && r.poti == 50 && r.edcntA == 2 && r.teachA == 1500 && r.teachB == 2600);

    m.ram[0][0] = 2;  // evaluation mode
    r = Raw(m, 1.0);
    EXPECT_EQ(r.Mvalue, 2 * 4096 - (r.Aval + r.Bval));
    EXPECT_EQ(r.umValue, 37000 + (r.Mvalue - (2 * 4096 - 4100)) * 1126 / 1024);
    m.ram[0][0] = 1;
    m.ram[1][13] = 0;  // set-point 0, channel A below its teach value: a negative value
    r = Raw(m, 6.0);
    EXPECT_TRUE(r.umValue == (r.Aval - 1500) * 1126 / 1024 && r.umValue < -40) << r.umValue;
    // Held max/min: the extremes of what was measured, until reset to the present value.
    EXPECT_TRUE(r.anaMax > r.Mvalue && r.anaMin <= r.Mvalue) << r.anaMax << " " << r.anaMin;
    EXPECT_EQ(Head(Ask(m, core::kCmdResetMaxMin, 0, 6.0), 4), (Bytes{0x00, 0xAA, 0x00, 0x0B}));
    r = Raw(m, 6.0);
    EXPECT_TRUE(r.anaMax == r.Mvalue && r.anaMin == r.Mvalue);

    const auto a = static_cast<std::uint16_t>(std::lround(m.SpotA(2.0)));
    const auto b = static_cast<std::uint16_t>(std::lround(m.SpotB(2.0)));
    const Bytes answer = Ask(m, core::kCmdTeach, 0, 2.0);
    EXPECT_EQ(Head(answer, 6), (Bytes{0x00, 0xAA, 0x00, 0x06, 0x00, 0x00}));
    EXPECT_EQ(Decode(answer), m.ram[0]);
    EXPECT_TRUE(m.ram[1][3] == a && m.ram[2][3] == b && m.eeprom[1][3] == 1500 && m.eeprom[2][3] == 2600);
    r = Raw(m, 2.1);
    EXPECT_TRUE(r.teachA == a && r.teachB == b);

    // A short line keeps the teach values and the spots inside.
    sim::SensorModel shortLine(sim::HardwareConfig{.virtPixels = 1024});
    EXPECT_TRUE(shortLine.ram[1][3] == 1023 && shortLine.eeprom[2][3] == 1023);
    for (double t = 0; t < 8; t += 0.25)  // a whole sweep: the spots stop at the line's ends
        EXPECT_TRUE(shortLine.SpotA(t) >= 1 && shortLine.SpotA(t) <= 1023 && shortLine.SpotB(t) >= 1 &&
                    shortLine.SpotB(t) <= 1023)
            << t;
    EXPECT_EQ(Raw(shortLine, 2.0).Aval, 1023);

    // Over a minute the value of each channel alone leaves the sensor's own
    // tolerance window above and below, each side at least every 25 s, and is
    // inside most of the time: an operator watching RUN sees the colour change.
    for (std::uint16_t mode : {1, 0}) {  // channel A alone, channel B alone
        sim::SensorModel m;
        m.ram[0][0] = mode;
        std::uint16_t param[core::kParamCount] = {};
        for (std::uint16_t page = 0; page < 3; ++page)
            core::CopyPPtoVars(param, page, m.ram[page]);
        const core::Derived d = core::DeriveTarget(param, 4096, 50, 0);
        const int n = 3000;  // every 20 ms
        int inside = 0;
        double last[2] = {0, 0}, longestGap[2] = {0, 0};  // above, below
        for (int i = 0; i <= n; ++i) {
            const double t = i * 60.0 / n;
            const std::uint16_t v = Raw(m, t).Mvalue;
            const int side = core::WithinTolerance(v, d) ? -1 : v > d.tVal ? 0 : 1;
            inside += side < 0;
            for (int k : {0, 1})
                if (side == k || i == n) {
                    longestGap[k] = std::max(longestGap[k], t - last[k]);
                    last[k] = t;
                }
        }
        EXPECT_TRUE(longestGap[0] < 25 && longestGap[1] < 25 && inside > 0.75 * n)
            << "mode " << mode << ": gaps " << longestGap[0] << " " << longestGap[1] << ", inside " << inside;
    }
}
