// The simulated sensor over a real pseudo-terminal, seen from the program's
// side: through the serial layer, with no event loop. What the program's
// tests lean on: the line's pace, requests found behind noise, the stray raw
// frame the fault matrix passes over, the hang-up of a sensor that stops, the
// damage of a noisy line and an adapter pulled and plugged back.
#include <unistd.h>

#include "app_fixture.h"

using Bytes = std::vector<std::uint8_t>;
using Words = std::array<std::uint16_t, 15>;

static Bytes Request(std::uint16_t cmd, std::uint16_t second, const Words& words = {}) {
    Bytes frame(core::kFrameLen);
    core::FillTxBuf(std::span<std::uint8_t, core::kFrameLen>(frame), cmd, second, words);
    return frame;
}
static Bytes Slice(const Bytes& a, std::size_t from, std::size_t n) {
    return Bytes(a.begin() + static_cast<long>(std::min(from, a.size())),
                 a.begin() + static_cast<long>(std::min(from + n, a.size())));
}
// What came of `n` bytes within `seconds`: generous where bytes are due.
static Bytes Read(std::size_t n, double seconds = 3.0) {
    Bytes b(n);
    SetComTime(1, seconds);
    b.resize(static_cast<std::size_t>(std::max(ComRd(1, b.data(), static_cast<int>(n)), 0)));
    return b;
}

// Paced, bytes cross the line one at a time both ways: a request counts only
// once its last byte is through, and the answers follow one another on the line.
TEST(SimPty, PacedRequestsBehindNoiseAreAnsweredInOrderAStrayRawFrameGoesFirstAndStopHangsUp) {
    sim::SimulatedSensor s;  // paced, like the real line
    std::string error;
    ASSERT_TRUE(s.Start(&error)) << error;
    SetPortTable({{s.Path(), "simulated"}});
    ASSERT_EQ(OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096), 0);
    const Bytes echo = Request(core::kCmdEcho, 0, Words{0xBEEF, 0x9088});
    const double byteTime = 10.0 / 19200, t0 = sim::Now();
    // A stray byte, a false 00, a 00 00 55 run: only the frames behind them count.
    for (const Bytes& b : {Bytes{0x13, 0x55, 0x00, 0xAA, 0x00, 0x00}, echo, Request(core::kCmdHardware, 0),
                           Request(core::kCmdBlock, 64, Words{1})})
        ASSERT_EQ(ComWrt(1, b.data(), static_cast<int>(b.size())), static_cast<int>(b.size()));
    const Bytes a = Read(36 + 36 + 128);
    ASSERT_EQ(a.size(), 200u);
    // 6 noise bytes and the first request in, then the three answers out.
    EXPECT_GE(sim::Now() - t0, (6 + 36 + 200) * byteTime);
    EXPECT_EQ(Slice(a, 0, 2), (Bytes{0x00, 0xAA}));
    EXPECT_EQ(Slice(a, 2, 34), Slice(echo, 2, 34));
    EXPECT_EQ(Slice(a, 36, 4), (Bytes{0x00, 0xAA, 0x00, 0x0A}));
    EXPECT_TRUE(Read(1, 0.1).empty());
    const auto log = s.Requests();
    ASSERT_EQ(log.size(), 3u);
    for (std::size_t i = 0; i < log.size(); ++i)
        EXPECT_GE(log[i].time - t0, (6 + 36 * (i + 1)) * byteTime) << i;

    // The late raw frame of a run just stopped, ahead of the answer.
    s.SetFaults({.strayRaw = true});
    ASSERT_EQ(ComWrt(1, echo.data(), 36), 36);
    const Bytes stray = Read(72);
    EXPECT_EQ(std::pair(Slice(stray, 0, 4), Slice(stray, 38, 34)),
              std::pair(Bytes{0x00, 0xAA, 0x00, 0x08}, Slice(echo, 2, 34)));

    // Stopping while idle hangs up the port; a second Stop is harmless.
    EXPECT_FALSE(s.Vanished());
    s.Stop();
    EXPECT_TRUE(s.Vanished());
    EXPECT_LT(ComRd(1, Bytes(1).data(), 1), 0) << "not hung up";
    s.Stop();
    CloseCom(1);
}

// A damaged answer comes only every Nth time, so a program that resynchronises
// has good answers on both sides of it. A device that vanishes and returns is
// under the same name: the program needs nothing but its port path to reconnect.
TEST(SimPty, EveryNthAnswerIsDamagedAndAPulledDeviceReturnsAtItsPath) {
    sim::SimulatedSensor s(kbex_test::FastSim());
    ASSERT_TRUE(s.Start());
    SetPortTable({{s.Path(), "simulated"}});
    ASSERT_EQ(OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096), 0);
    const Bytes echo = Request(core::kCmdEcho, 0, Words{0xBEEF, 0x9088});
    Bytes good = echo;
    good[1] = 0xAA;
    Bytes lost = good, bad = good;
    lost.erase(lost.begin() + 18);
    bad[1] = 0xAB;
    // The faults, the damaged answer, and how many bytes come ahead of it.
    const std::tuple<sim::Faults, Bytes, std::size_t> rows[] = {
        {{.lostByteEvery = 3}, lost, 0}, {{.noiseByteEvery = 3}, good, 1}, {{.badSyncEvery = 3}, bad, 0}};
    for (const auto& [faults, damaged, ahead] : rows) {
        s.SetFaults(faults);
        for (int i = 1; i <= 4; ++i) {
            ASSERT_EQ(ComWrt(1, echo.data(), 36), 36);
            const Bytes& want = i % 3 ? good : damaged;
            const std::size_t from = i % 3 ? 0 : ahead;
            EXPECT_EQ(Slice(Read(from + want.size()), from, 99), want) << i;
        }
    }

    s.SetFaults({.vanishAfter = 1, .returnAfter = 1.0});
    ASSERT_EQ(ComWrt(1, echo.data(), 36), 36);
    EXPECT_EQ(Read(36), good);
    const auto present = [&s] { return ::access(s.Path().c_str(), F_OK) == 0; };
    EXPECT_TRUE(kbex_test::PumpUntil([&] { return !present(); }, 3)) << "the device file stayed";
    EXPECT_LT(ComRd(1, Bytes(1).data(), 1), 0) << "not hung up";
    ASSERT_TRUE(kbex_test::PumpUntil(present, 3)) << "never came back";
    // Back for good: a second request does not make it vanish again.
    ASSERT_EQ(OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096), 0);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(ComWrt(1, echo.data(), 36), 36);
    const Bytes again = Read(72);
    EXPECT_EQ(std::pair(Slice(again, 0, 36), Slice(again, 36, 36)), std::pair(good, good));
    CloseCom(1);
}
