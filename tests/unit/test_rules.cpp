// Rules between the parameter set and the display: limits, calibration,
// evaluation modes, threshold lines, target/tolerances, bands, recorder time.
// The tables and edge cases of these rules live here; the GUI tests only check
// that the program applies them to the right controls and graphs.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <utility>

#include "core/frame.h"
#include "core/rules.h"

using namespace core;

namespace {

using Set = std::array<std::uint16_t, kParamCount>;

// Every limited entry in range for cvp 2048; every other entry (trigger,
// calibration, spares, unpaged) at 65535, which any limit would change.
Set InRangeSet() {
    Set p;
    p.fill(65535);
    p[kEvalMode] = 1;
    p[kModeSelect] = 2;
    p[kAnaMode] = 3;
    p[kHardwareMode] = 2;  // tolerances from the set
    p[kCountSetting] = 17;
    p[kFlagSetting] = 0;
    p[kTolLoPix] = 30;
    p[kTolUpPix] = 40;
    for (std::size_t off : {std::size_t{0}, std::size_t{kPmodeValB - kPmodeValA}}) {
        p[kPmodeValA + off] = 700;
        p[kPmodeA + off] = 0;
        p[kVideoThdA + off] = 80;
        p[kTeachA + off] = 900;
        p[kPixStartA + off] = 5;
        p[kPixEndA + off] = 2000;
        p[kGainA + off] = 1;
    }
    return p;
}

void ExpectBand(const Band& b, double lo, double hi, const char* what) {
    EXPECT_TRUE(b.drawn) << what;
    EXPECT_DOUBLE_EQ(b.lo, lo) << what;
    EXPECT_DOUBLE_EQ(b.hi, hi) << what;
}

}  // namespace

// ---------------------------------------------------------------- limits

TEST(LimitParameters, EachEntryKeepsItsLimitOneAboveGetsItsFallbackNothingElseChanges) {
    const std::uint16_t cvp = 2048;
    struct Row {
        std::size_t index;
        std::uint16_t limit, fallback;
    };
    const Row rows[] = {
        {kEvalMode, 4, 1},        {kModeSelect, 3, 0},     {kAnaMode, 4, 0},
        {kHardwareMode, 4, 1},    {kCountSetting, 2048, 1}, {kFlagSetting, 1, 1},
        {kTolUpPix, cvp, cvp},    {kTolLoPix, cvp, cvp},   {kPmodeValA, 1000, 500},
        {kPmodeValB, 1000, 500},  {kPmodeA, 1, 0},         {kPmodeB, 1, 0},
        {kVideoThdA, 255, 128},   {kVideoThdB, 255, 128},  {kTeachA, cvp, cvp / 2},
        {kTeachB, cvp, cvp / 2},  {kPixStartA, cvp, 1},    {kPixStartB, cvp, 1},
        {kPixEndA, cvp, cvp},     {kPixEndB, cvp, cvp},    {kGainA, 1, 0},
        {kGainB, 1, 0},
    };
    for (const Row& row : rows) {
        for (std::uint16_t value : {row.limit, std::uint16_t(row.limit + 1), std::uint16_t{65535}}) {
            Set p = InRangeSet();
            p[row.index] = value;
            Set expected = p;
            expected[row.index] = value > row.limit ? row.fallback : value;
            LimitParameters(p.data(), cvp);
            EXPECT_EQ(p, expected) << "index " << row.index << " value " << value;
        }
    }
}

TEST(LimitParameters, PixelLimitsAndFallbacksFollowTheVirtualPixelCount) {
    Set p = InRangeSet();
    p[kTeachA] = 257;
    p[kTeachB] = 256;
    p[kTolUpPix] = 257;
    p[kPixStartA] = 257;
    p[kPixEndB] = 8192;
    LimitParameters(p.data(), 256);
    EXPECT_EQ(p[kTeachA], 128);
    EXPECT_EQ(p[kTeachB], 256);
    EXPECT_EQ(p[kTolUpPix], 256);
    EXPECT_EQ(p[kPixStartA], 1);
    EXPECT_EQ(p[kPixEndB], 256);

    p[kTeachA] = 8192;
    LimitParameters(p.data(), 8192);
    EXPECT_EQ(p[kTeachA], 8192);
}

// ---------------------------------------------------------------- calibration

TEST(Calibration, ControlValueTimes1024IsTruncatedNotRounded) {
    EXPECT_EQ(CalibFromControl(1.5), 1536u);
    EXPECT_EQ(CalibFromControl(1.0029), 1026u);  // 1026.97
    EXPECT_EQ(CalibFromControl(0.0009), 0u);     // 0.92
}

TEST(Calibration, ValuesOutsideTheEntryRangeClamp) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {-1.5, -0.0001, nan, -inf})
        EXPECT_EQ(CalibFromControl(v), 0u) << v;
    for (double v : {4194304.0, 1e12, inf})  // 4194304 x 1024 = 2^32 no longer fits
        EXPECT_EQ(CalibFromControl(v), 0xFFFFFFFFu) << v;
    EXPECT_EQ(CalibFromControl(4194303.0), 4194303u * 1024u);
}

TEST(Calibration, EntryIsShownAsFactorAndComesBackExactly) {
    EXPECT_FLOAT_EQ(CalibToControl(1536), 1.5f);
    for (std::uint32_t entry : {0u, 1u, 1027u, 65535u, 65536u, 70000u, 16777215u})
        EXPECT_EQ(CalibFromControl(static_cast<double>(CalibToControl(entry))), entry) << entry;
}

// ---------------------------------------------------------------- evaluation mode

TEST(EvalModeRule, TargetDimmingAndAxisOfEachMode) {
    struct Case {
        std::uint16_t mode, tVal;
        bool dimA, dimB;
        std::uint16_t yAxis;
    };
    const Case cases[] = {
        {0, 600, true, false, 2048},    // channel B alone
        {1, 500, false, true, 2048},    // channel A alone
        {2, 2996, false, false, 4096},  // 2*2048 - (500 + 600)
        {3, 2048, true, true, 4096},
        {4, 2048, false, false, 4096},
    };
    for (const Case& c : cases) {
        const EvalModeView v = EvalModeRule(c.mode, 500, 600, 2048);
        EXPECT_TRUE(v.valid) << "mode " << c.mode;
        EXPECT_EQ(v.tVal, c.tVal) << "mode " << c.mode;
        EXPECT_EQ(v.dimTeachA, c.dimA) << "mode " << c.mode;
        EXPECT_EQ(v.dimTeachB, c.dimB) << "mode " << c.mode;
        EXPECT_EQ(v.yAxisMax, c.yAxis) << "mode " << c.mode;
    }
    EXPECT_FALSE(EvalModeRule(5, 500, 600, 2048).valid);
    EXPECT_EQ(EvalModeRule(2, 300, 300, 256).tVal, 65448);  // 512 - 600 as a 16-bit word
    EXPECT_EQ(EvalModeRule(3, 0, 0, 8192).yAxisMax, 16384);
}

// ---------------------------------------------------------------- thresholds

TEST(Thresholds, ToleranceLinesStopAtZeroAndTheLineEndAndTriggerLinesAreRaw) {
    Set p = InRangeSet();
    p[kTeachA] = 50;
    p[kTeachB] = 2000;
    p[kTolUpPix] = 60;
    p[kTolLoPix] = 100;
    p[kTrigThdA] = 77;
    const ThresholdLines t = ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(t.loA, 0);  // 50 - 100
    EXPECT_EQ(t.upA, 110);
    EXPECT_EQ(t.loB, 1900);
    EXPECT_EQ(t.upB, 2048);  // 2060
    EXPECT_EQ(t.refA, 50);
    EXPECT_EQ(t.refB, 2000);
    EXPECT_EQ(t.trgA, 77);
    EXPECT_EQ(t.trgB, 65535);
}

TEST(Thresholds, LargeTeachAndToleranceDoNotWrap) {
    Set p = InRangeSet();
    p[kTeachA] = 65535;
    p[kTolUpPix] = 100;  // 65635 would wrap to 99, inside the line
    p[kTolLoPix] = 35;
    ThresholdLines t = ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(t.upA, 2048);
    EXPECT_EQ(t.loA, 65500);  // the lower line is not pulled onto the line

    p[kTeachA] = 100;
    p[kTolLoPix] = 65535;  // far below zero, must not come out large
    t = ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(t.loA, 0);
}

TEST(Thresholds, VideoLineIsPercentOfFullScaleTruncatedWithoutOverflow) {
    Set p = InRangeSet();
    p[kVideoThdA] = 99;
    p[kVideoThdB] = 33;
    const ThresholdLines t = ComputeThresholds(p.data(), 1024, 2048);
    EXPECT_EQ(t.thdA, 1013);  // 101376 / 100: no 16-bit product, not rounded
    EXPECT_EQ(t.thdB, 337);   // 337.92
}

// ---------------------------------------------------------------- target and tolerances

TEST(DeriveTarget, TargetFollowsTheModeAnOutsideModeKeepsThePreviousOne) {
    const std::pair<std::uint16_t, std::uint16_t> cases[] = {
        {0, 600}, {1, 500}, {2, 2996}, {3, 2048}, {4, 2048}, {5, 1234}, {65535, 1234}};
    for (auto [mode, target] : cases) {
        Set p = InRangeSet();
        p[kEvalMode] = mode;
        p[kTeachA] = 500;
        p[kTeachB] = 600;
        const Set before = p;
        const Derived d = DeriveTarget(p.data(), 2048, 9, 1234);
        EXPECT_EQ(d.tVal, target) << "mode " << mode;
        EXPECT_EQ(d.tolup, 40) << "mode " << mode;  // still derived, not swapped
        EXPECT_EQ(d.tollo, 30) << "mode " << mode;
        EXPECT_EQ(p, before) << "mode " << mode;
    }
    Set p = InRangeSet();
    p[kEvalMode] = 2;
    p[kTeachA] = p[kTeachB] = 300;
    EXPECT_EQ(DeriveTarget(p.data(), 256, 0, 0).tVal, 65448);  // kept to 16 bits
}

TEST(DeriveTarget, OnlyCombinedModeRaisesZeroToleranceEntriesToOneBeforeTakingThem) {
    for (std::uint16_t mode : {0, 1, 2, 3, 4, 7}) {
        Set p = InRangeSet();
        p[kEvalMode] = mode;
        p[kTolUpPix] = 0;
        p[kTolLoPix] = 0;
        Set expected = p;
        if (mode == 2)
            expected[kTolUpPix] = expected[kTolLoPix] = 1;
        const Derived d = DeriveTarget(p.data(), 2048, 50, 0);
        EXPECT_EQ(p, expected) << "mode " << mode;  // the set itself, nothing else in it
        EXPECT_EQ(d.tolup, expected[kTolUpPix]) << "mode " << mode;
        EXPECT_EQ(d.tollo, expected[kTolLoPix]) << "mode " << mode;
    }
    // Only a zero entry is raised, also when the potentiometer is in force.
    Set q = InRangeSet();
    q[kEvalMode] = 2;
    q[kHardwareMode] = 1;
    q[kTolUpPix] = 0;
    q[kTolLoPix] = 7;
    const Derived d = DeriveTarget(q.data(), 2048, 50, 0);
    EXPECT_EQ(q[kTolUpPix], 1);
    EXPECT_EQ(q[kTolLoPix], 7);
    EXPECT_EQ(d.tolup, 50);
    EXPECT_EQ(d.tollo, 50);
}

TEST(DeriveTarget, HardwareModesZeroAndTwoUseTheEntriesOthersThePotentiometer) {
    for (std::uint16_t hw : {0, 1, 2, 3, 4, 9}) {
        Set p = InRangeSet();
        p[kHardwareMode] = hw;
        const Derived d = DeriveTarget(p.data(), 2048, 123, 0);
        const bool fromSet = hw == 0 || hw == 2;
        EXPECT_EQ(d.tolup, fromSet ? 40 : 123) << "hardware mode " << hw;
        EXPECT_EQ(d.tollo, fromSet ? 30 : 123) << "hardware mode " << hw;
    }
}

// ---------------------------------------------------------------- tolerance test

TEST(WithinTolerance, ValuesOnEitherLimitAreWithinOneBeyondIsNot) {
    // target 1000, up 20, down 30: window 970..1020
    EXPECT_TRUE(WithinTolerance(970, 1000, 20, 30));
    EXPECT_TRUE(WithinTolerance(1020, 1000, 20, 30));
    EXPECT_FALSE(WithinTolerance(969, 1000, 20, 30));
    EXPECT_FALSE(WithinTolerance(1021, 1000, 20, 30));
    EXPECT_TRUE(WithinTolerance(500, 500, 0, 0));
    EXPECT_FALSE(WithinTolerance(501, 500, 0, 0));
}

TEST(WithinTolerance, LimitsSaturateInsteadOfWrapping) {
    // Target below the lower tolerance: the lower limit is 0.
    EXPECT_TRUE(WithinTolerance(0, 10, 20, 50));
    EXPECT_TRUE(WithinTolerance(30, 10, 20, 50));
    EXPECT_FALSE(WithinTolerance(31, 10, 20, 50));
    EXPECT_FALSE(WithinTolerance(65535, 10, 20, 50));
    // Upper limit past 65535: a wrapped one (65500 + 100 -> 64) would reject 65520.
    EXPECT_TRUE(WithinTolerance(65520, 65500, 100, 10));
    EXPECT_TRUE(WithinTolerance(65535, 65500, 100, 0));
    EXPECT_FALSE(WithinTolerance(64, 65500, 100, 10));
    EXPECT_FALSE(WithinTolerance(65499, 65500, 100, 0));
}

// ---------------------------------------------------------------- tolerance bands

TEST(ToleranceBands, CombinedModeShiftsByHalfTheDeviation) {
    // d = (1000 + 1200) - (990 + 1206) = 4
    const Bands b = ToleranceBands(2, 990, 1206, 1000, 1200, 20, 20, 3, 2, 2048);
    ExpectBand(b.master, 982, 1002, "master");
    ExpectBand(b.slave, 1198, 1218, "slave");
}

TEST(ToleranceBands, CombinedModeUsesUpperAndLowerHalvesOnTheirOwnSides) {
    // d = 0; tolup 31 -> 15, tollo 21 -> 10
    const Bands b = ToleranceBands(2, 1100, 900, 1000, 1000, 31, 21, 1, 1, 2048);
    ExpectBand(b.master, 1090, 1115, "master");
    ExpectBand(b.slave, 890, 915, "slave");
}

TEST(ToleranceBands, CombinedModeHalvesTruncateTowardZero) {
    // d = 2000 - 2003 = -3, half -1 (not -2)
    const Bands b = ToleranceBands(2, 1001, 1002, 1000, 1000, 21, 21, 5, 5, 2048);
    ExpectBand(b.master, 990, 1010, "master");
    ExpectBand(b.slave, 991, 1011, "slave");
}

TEST(ToleranceBands, CombinedModeWithoutEdgesOnEitherSensorCentresOnTheTeachValues) {
    for (auto [ea, eb] : {std::pair<std::uint16_t, std::uint16_t>{0, 4}, {4, 0}, {0, 0}}) {
        const Bands b = ToleranceBands(2, 990, 1206, 1000, 1200, 31, 21, ea, eb, 2048);
        ExpectBand(b.master, 990, 1015, "master");
        ExpectBand(b.slave, 1190, 1215, "slave");
    }
}

TEST(ToleranceBands, SingleChannelModesDrawOneBandEach) {
    Bands b = ToleranceBands(0, 0, 0, 500, 1200, 30, 20, 1, 1, 2048);
    EXPECT_FALSE(b.master.drawn);
    ExpectBand(b.slave, 1180, 1230, "mode 0 slave");
    b = ToleranceBands(1, 0, 0, 500, 1200, 30, 20, 1, 1, 2048);
    ExpectBand(b.master, 480, 530, "mode 1 master");
    EXPECT_FALSE(b.slave.drawn);
    // Tolerances not yet derived: the band runs from the teach value to itself.
    b = ToleranceBands(1, 0, 0, 500, 1200, 0, 0, 0, 0, 2048);
    ExpectBand(b.master, 500, 500, "zero tolerances");
}

TEST(ToleranceBands, LowerEdgeBelowZeroIsDrawnFromOneButZeroStays) {
    Bands b = ToleranceBands(1, 0, 0, 10, 0, 5, 15, 0, 0, 2048);
    ExpectBand(b.master, 1, 15, "edge -5");
    b = ToleranceBands(1, 0, 0, 10, 0, 5, 10, 0, 0, 2048);
    ExpectBand(b.master, 0, 15, "edge 0");
    b = ToleranceBands(0, 0, 0, 0, 10, 5, 11, 0, 0, 2048);
    ExpectBand(b.slave, 1, 15, "slave edge -1");
}

TEST(ToleranceBands, UpperEdgePastTheLastPixelIsDrawnToTheLineEnd) {
    Bands b = ToleranceBands(1, 0, 0, 2000, 0, 47, 0, 0, 0, 2048);
    ExpectBand(b.master, 2000, 2047, "edge cvp-1 stays");
    b = ToleranceBands(1, 0, 0, 2000, 0, 48, 0, 0, 0, 2048);
    ExpectBand(b.master, 2000, 2048, "edge cvp");
    b = ToleranceBands(0, 0, 0, 0, 65535, 65535, 0, 0, 0, 4096);
    ExpectBand(b.slave, 65535, 4096, "no 16-bit wrap of the edge");
    b = ToleranceBands(2, 2040, 2040, 2040, 2040, 40, 0, 1, 1, 2048);
    ExpectBand(b.master, 2040, 2048, "combined upper edge 2060");
}

TEST(ToleranceBands, DeviationModesRunFromOneToTheToleranceUnclamped) {
    for (std::uint16_t mode : {3, 4}) {
        for (auto [up, dn] : {std::pair<std::uint16_t, std::uint16_t>{30, 20}, {5000, 0}, {0, 3000}}) {
            const Bands b = ToleranceBands(mode, 100, 200, 500, 600, up, dn, 1, 1, 2048);
            ExpectBand(b.master, 1, up, "master");
            ExpectBand(b.slave, 1, dn, "slave");
        }
    }
}

TEST(ToleranceBands, ModesOutsideZeroToFourDrawNothing) {
    for (std::uint16_t mode : {5, 100, 65535}) {
        const Bands b = ToleranceBands(mode, 100, 200, 500, 600, 30, 20, 1, 1, 2048);
        EXPECT_FALSE(b.master.drawn || b.slave.drawn) << "mode " << mode;
    }
}

// ---------------------------------------------------------------- recorder time

TEST(RecTime, SplitsIntoDaysHoursMinutesSecondsWithoutOverflow) {
    struct Case {
        std::uint16_t interval, records;
        std::uint32_t d, h, m, s;
    };
    const Case cases[] = {
        {5, 20000, 1, 3, 46, 40},          // 100000 s
        {3, 28799, 0, 23, 59, 57},         // just under a day
        {0, 20000, 0, 0, 0, 0},
        {65535, 65535, 49708, 18, 3, 45},  // 4294836225 s
    };
    for (const Case& c : cases) {
        const RecTime t = SplitRecTime(c.interval, c.records);
        EXPECT_EQ(t.days, c.d) << c.interval << " x " << c.records;
        EXPECT_EQ(t.hours, c.h) << c.interval << " x " << c.records;
        EXPECT_EQ(t.minutes, c.m) << c.interval << " x " << c.records;
        EXPECT_EQ(t.seconds, c.s) << c.interval << " x " << c.records;
    }
}
