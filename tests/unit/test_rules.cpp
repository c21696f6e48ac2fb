// Rules between the parameter set and the display: limits, calibration,
// evaluation modes, threshold lines, target/tolerances, bands, recorder time.
// The tables and edge cases of these rules live here; the GUI tests only check
// that the program applies them to the right controls and graphs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <tuple>
#include <utility>

#include "core/frame.h"
#include "core/rules.h"

using namespace core;

namespace {

using Set = std::array<std::uint16_t, kParamCount>;

// Every limited entry in range even for cvp 256, hardware mode 2 (tolerances
// from the set); every other entry (trigger, calibration, spares, unpaged) at
// 65535, which any limit would change.
Set InRangeSet() {
    Set p;
    p.fill(65535);
    const std::pair<std::size_t, std::uint16_t> values[] = {
        {kEvalMode, 1},    {kModeSelect, 2}, {kAnaMode, 3},    {kHardwareMode, 2}, {kCountSetting, 17},
        {kFlagSetting, 0}, {kTolLoPix, 30},  {kTolUpPix, 40},  {kPmodeValA, 700},  {kPmodeValB, 700},
        {kPmodeA, 0},      {kPmodeB, 0},     {kVideoThdA, 80}, {kVideoThdB, 80},   {kTeachA, 230},
        {kTeachB, 250},    {kPixStartA, 5},  {kPixStartB, 5},  {kPixEndA, 250},    {kPixEndB, 250},
        {kGainA, 1},       {kGainB, 1}};
    for (auto [index, value] : values)
        p[index] = value;
    return p;
}

}  // namespace

// ---------------------------------------------------------------- limits

TEST(LimitParameters, EachEntryKeepsItsLimitOneAboveGetsItsFallbackNothingElseChanges) {
    for (std::uint16_t cvp : {256, 8192}) {
        const std::tuple<std::size_t, std::uint16_t, std::uint16_t> rows[] = {
            // index, limit, fallback
            {kEvalMode, 4, 1},       {kModeSelect, 3, 0},      {kAnaMode, 4, 0},
            {kHardwareMode, 4, 1},   {kCountSetting, 2048, 1}, {kFlagSetting, 1, 1},
            {kTolUpPix, cvp, cvp},   {kTolLoPix, cvp, cvp},    {kPmodeValA, 1000, 500},
            {kPmodeValB, 1000, 500}, {kPmodeA, 1, 0},          {kPmodeB, 1, 0},
            {kVideoThdA, 255, 128},  {kVideoThdB, 255, 128},   {kTeachA, cvp, cvp / 2},
            {kTeachB, cvp, cvp / 2}, {kPixStartA, cvp, 1},     {kPixStartB, cvp, 1},
            {kPixEndA, cvp, cvp},    {kPixEndB, cvp, cvp},     {kGainA, 1, 0},
            {kGainB, 1, 0}};
        for (auto [index, limit, fallback] : rows) {
            for (std::uint16_t value : {limit, std::uint16_t(limit + 1), std::uint16_t{65535}}) {
                Set p = InRangeSet();
                p[index] = value;
                Set expected = p;
                expected[index] = value > limit ? fallback : value;
                LimitParameters(p, cvp);
                EXPECT_EQ(p, expected) << "cvp " << cvp << " index " << index << " value " << value;
            }
        }
    }
}

// ---------------------------------------------------------------- calibration

// 1.0029 x 1024 = 1026.97; 4194304 x 1024 = 2^32 no longer fits the entry.
TEST(Calibration, ControlValueTimes1024IsTruncatedAndClampedToTheEntry) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, std::uint32_t> cases[] = {
        {1.5, 1536},
        {1.0029, 1026},
        {0.0009, 0},
        {-1.5, 0},
        {nan, 0},
        {-inf, 0},
        {4194303.0, 4194303u * 1024u},
        {4194304.0, 0xFFFFFFFFu},
        {1e12, 0xFFFFFFFFu},
        {inf, 0xFFFFFFFFu},
    };
    for (auto [value, entry] : cases)
        EXPECT_EQ(CalibFromControl(value), entry) << value;
    EXPECT_FLOAT_EQ(CalibToControl(1536), 1.5f);
    for (std::uint32_t entry : {0u, 1u, 1027u, 65536u, 70000u, 16777215u})
        EXPECT_EQ(CalibFromControl(static_cast<double>(CalibToControl(entry))), entry) << entry;
}

// ---------------------------------------------------------------- evaluation mode

TEST(EvalModeRule, TargetDimmingAndAxisOfEachModeInSixteenBits) {
    struct Case {
        std::uint16_t mode, teachA, teachB, cvp;
        EvalModeView want;
    };
    // Mode 0 is channel B alone, mode 1 channel A; 512 - 600 stays a 16-bit word.
    const Case cases[] = {{0, 500, 600, 2048, {true, 600, true, false, 2048}},
                          {1, 500, 600, 2048, {true, 500, false, true, 2048}},
                          {2, 500, 600, 2048, {true, 2996, false, false, 4096}},
                          {2, 300, 300, 256, {true, 65448, false, false, 512}},
                          {3, 500, 600, 8192, {true, 8192, true, true, 16384}},
                          {4, 500, 600, 2048, {true, 2048, false, false, 4096}},
                          {5, 500, 600, 2048, {}}};
    for (const Case& c : cases) {
        const EvalModeView v = EvalModeRule(c.mode, c.teachA, c.teachB, c.cvp);
        EXPECT_EQ(std::tuple(v.valid, v.tVal, v.dimTeachA, v.dimTeachB, v.yAxisMax),
                  std::tuple(c.want.valid, c.want.tVal, c.want.dimTeachA, c.want.dimTeachB, c.want.yAxisMax))
            << "mode " << c.mode << " cvp " << c.cvp;
    }
}

// ---------------------------------------------------------------- thresholds

TEST(Thresholds, LinesStopAtZeroAndTheLineEndWithoutWrappingAndVideoIsPercentTruncated) {
    Set p = InRangeSet();
    p[kTeachA] = 50;
    p[kTeachB] = 2000;
    p[kTolUpPix] = 60;
    p[kTolLoPix] = 100;
    p[kTrigThdA] = 77;
    p[kVideoThdA] = 99;  // 1024 x 99 / 100 = 1013.76: no 16-bit product, not rounded
    p[kVideoThdB] = 33;
    ThresholdLines t = ComputeThresholds(p, 1024, 2048);
    EXPECT_TRUE(t.loA == 0 && t.upA == 110 && t.refA == 50) << t.loA << " " << t.upA;
    EXPECT_TRUE(t.loB == 1900 && t.upB == 2048 && t.refB == 2000) << t.loB << " " << t.upB;
    EXPECT_TRUE(t.trgA == 77 && t.trgB == 65535 && t.thdA == 1013 && t.thdB == 337)
        << t.thdA << " " << t.thdB;

    p[kTeachA] = 65535;  // 65535 + 100 would wrap to 99, inside the line
    p[kTolUpPix] = 100;
    p[kTolLoPix] = 35;
    t = ComputeThresholds(p, 256, 2048);
    EXPECT_TRUE(t.upA == 2048 && t.loA == 65500) << t.upA << " " << t.loA;  // not pulled onto the line
}

// ---------------------------------------------------------------- target and tolerances

TEST(DeriveTarget, TargetFollowsTheModeTolerancesTheHardwareModeAndOnlyModeTwoRaisesZeroEntries) {
    // cvp 200 lies below the teach values: the combined target 400 - 480 stays a 16-bit word.
    const std::pair<std::uint16_t, std::uint16_t> targets[] = {{0, 250}, {1, 230}, {2, 65456},
                                                               {3, 200}, {4, 200}, {7, 1234}};
    for (auto [mode, target] : targets) {
        for (std::uint16_t hw : {0, 1, 2, 3, 4, 9}) {
            for (std::uint16_t up : {0, 40}) {
                Set p = InRangeSet();
                p[kEvalMode] = mode;
                p[kHardwareMode] = hw;
                p[kTolUpPix] = up;
                p[kTolLoPix] = 0;
                Set expected = p;
                expected[kTolUpPix] = mode == 2 ? std::max<std::uint16_t>(up, 1) : up;
                expected[kTolLoPix] = mode == 2 ? 1 : 0;
                const Derived d = DeriveTarget(p, 200, 123, 1234);
                const bool fromSet = hw == 0 || hw == 2;
                EXPECT_EQ(p, expected) << "mode " << mode << " hw " << hw;
                EXPECT_EQ(std::tuple(d.tVal, d.tolup, d.tollo),
                          std::tuple(target, fromSet ? expected[kTolUpPix] : 123,
                                     fromSet ? expected[kTolLoPix] : 123))
                    << "mode " << mode << " hw " << hw << " up " << up;
            }
        }
    }
}

// ---------------------------------------------------------------- tolerance test

// Target 1000 +20 -30 is 970..1020; 10 +20 -50 has the lower limit 0, not 65496;
// 65500 +100 has the upper limit 65535, not 64.
TEST(WithinTolerance, LimitsAreInsideAndSaturateInsteadOfWrapping) {
    const std::tuple<std::uint16_t, Derived, bool> cases[] = {
        {970, {1000, 20, 30}, true},   {1020, {1000, 20, 30}, true},    {969, {1000, 20, 30}, false},
        {1021, {1000, 20, 30}, false}, {500, {500, 0, 0}, true},        {501, {500, 0, 0}, false},
        {0, {10, 20, 50}, true},       {30, {10, 20, 50}, true},        {65535, {10, 20, 50}, false},
        {31, {10, 20, 50}, false},     {65520, {65500, 100, 10}, true}, {65535, {65500, 100, 0}, true},
        {64, {65500, 100, 10}, false}, {65499, {65500, 100, 0}, false}};
    for (auto [value, target, within] : cases)
        EXPECT_EQ(WithinTolerance(value, target), within)
            << value << " in " << target.tVal << " +" << target.tolup << " -" << target.tollo;
}

// ---------------------------------------------------------------- tolerance bands

TEST(ToleranceBands, EdgesPerModeWithClampsHalvesAndShift) {
    struct Case {
        const char* what;
        BandInputs in;  // mode, posA, posB, teachA, teachB, tolup, tollo, edcntA, edcntB, cvp
        Band master, slave;
    };
    auto D = [](double lo, double hi) { return Band{true, lo, hi}; };
    const Band none{};
    const Case cases[] = {
        {"mode 0: slave only", {0, 0, 0, 500, 1200, 30, 20, 1, 1, 2048}, none, D(1180, 1230)},
        {"mode 1: master only", {1, 0, 0, 500, 1200, 30, 20, 1, 1, 2048}, D(480, 530), none},
        {"lower edge -5 from 1", {1, 0, 0, 10, 0, 5, 15, 0, 0, 2048}, D(1, 15), none},
        {"lower edge 0 stays", {1, 0, 0, 10, 0, 5, 10, 0, 0, 2048}, D(0, 15), none},
        {"upper edge cvp-1 stays", {1, 0, 0, 2000, 0, 47, 0, 0, 0, 2048}, D(2000, 2047), none},
        {"upper edge cvp", {1, 0, 0, 2000, 0, 48, 0, 0, 0, 2048}, D(2000, 2048), none},
        {"no 16-bit wrap", {0, 0, 0, 0, 10, 65530, 11, 0, 0, 4096}, none, D(1, 4096)},  // -1 and 65540
        // Mode 2: d = (1000 + 1200) - (990 + 1206) = 4; each side takes half its own tolerance.
        {"shift d/2", {2, 990, 1206, 1000, 1200, 20, 20, 3, 2, 2048}, D(982, 1002), D(1198, 1218)},
        {"own halves", {2, 1100, 900, 1000, 1000, 31, 21, 1, 1, 2048}, D(1090, 1115), D(890, 915)},
        {"d -3 halves to -1", {2, 1001, 1002, 1000, 1000, 21, 21, 5, 5, 2048}, D(990, 1010), D(991, 1011)},
        {"combined cvp", {2, 2040, 2040, 2040, 2040, 40, 0, 1, 1, 2048}, D(2040, 2048), D(2040, 2048)},
        {"no edges on A", {2, 990, 1206, 1000, 1200, 31, 21, 0, 4, 2048}, D(990, 1015), D(1190, 1215)},
        {"no edges on B", {2, 990, 1206, 1000, 1200, 31, 21, 4, 0, 2048}, D(990, 1015), D(1190, 1215)},
        // Deviation modes: from pixel 1 to the tolerance, unclamped.
        {"mode 3", {3, 100, 200, 500, 600, 5000, 0, 1, 1, 2048}, D(1, 5000), D(1, 0)},
        {"mode 4", {4, 100, 200, 500, 600, 30, 3000, 1, 1, 2048}, D(1, 30), D(1, 3000)},
        {"mode 5", {5, 100, 200, 500, 600, 30, 20, 1, 1, 2048}, none, none},
    };
    for (const Case& c : cases) {
        const Bands b = ToleranceBands(c.in);
        for (const auto& [got, want] : {std::pair{b.master, c.master}, std::pair{b.slave, c.slave}})
            EXPECT_EQ(std::tuple(got.drawn, got.lo, got.hi), std::tuple(want.drawn, want.lo, want.hi))
                << c.what;
    }
}

// ---------------------------------------------------------------- recorder time

// 5 s x 20000 = 100000 s; 3 s x 28799 is just under a day; 65535 x 65535 = 4294836225 s.
TEST(RecTime, SplitsIntoDaysHoursMinutesSecondsWithoutOverflow) {
    const std::array<std::uint32_t, 6> cases[] = {{5, 20000, 1, 3, 46, 40},
                                                  {3, 28799, 0, 23, 59, 57},
                                                  {0, 20000, 0, 0, 0, 0},
                                                  {65535, 65535, 49708, 18, 3, 45}};
    for (const auto& c : cases) {
        const RecTime t = SplitRecTime(static_cast<std::uint16_t>(c[0]), static_cast<std::uint16_t>(c[1]));
        EXPECT_EQ((std::array{t.days, t.hours, t.minutes, t.seconds}), (std::array{c[2], c[3], c[4], c[5]}))
            << c[0] << " x " << c[1];
    }
}
