// The simulated sensor's protocol model where the program's tests lean on it
// without being able to tell: a raw frame whose paired values differ, so that
// a swap in the program shows, and a TEACH that moves the teach values, in RAM
// only, so that the set the program fetches after it is a new one.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include "core/frame.h"
#include "simulated_sensor.h"

TEST(SimModel, PairedRawValuesDifferAndTeachMovesTheTeachValuesInRamOnly) {
    sim::SensorModel m;
    const auto ask = [&m](std::uint16_t command, double now) {
        std::array<std::uint8_t, core::kFrameLen> request;
        core::FillTxBuf(request, command, 0, std::array<std::uint16_t, core::kPageWords>{});
        return m.Handle(request, now).size();
    };
    ASSERT_EQ(ask(core::kCmdRaw, 2.0), core::kFrameLen);
    const core::RawValues r = core::DecodeRaw(m.lastRaw);
    EXPECT_TRUE(r.Aval != r.Bval && r.edcntA != r.edcntB && r.teachA != r.teachB && r.Mvalue != r.umValue);

    const auto eeprom = m.eeprom;
    const std::uint16_t a = std::lround(m.SpotA(3.0)), b = std::lround(m.SpotB(3.0));
    ASSERT_EQ(ask(core::kCmdTeach, 3.0), core::kFrameLen);
    EXPECT_EQ(std::tuple(m.ram[1][3], m.ram[2][3], m.eeprom), std::tuple(a, b, eeprom));
    EXPECT_TRUE(a != r.teachA && b != r.teachB) << a << " " << b;
}
