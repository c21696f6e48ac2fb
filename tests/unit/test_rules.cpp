// Rules between the parameter set and the display: limits, calibration,
// evaluation modes, threshold lines, target/tolerances, bands, recorder time.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "core/frame.h"
#include "core/rules.h"

namespace {

using Set = std::array<std::uint16_t, core::kParamCount>;

// A set that every limit leaves alone with cvp 2048.
Set InRangeSet() {
    Set p{};
    p[0] = 0x55;
    p[1] = 2;
    p[core::kEvalMode] = 1;
    p[core::kModeSelect] = 2;
    p[core::kAnaMode] = 3;
    p[core::kHardwareMode] = 2;
    p[core::kCountSetting] = 17;
    p[core::kFlagSetting] = 0;
    p[core::kTolLoPix] = 30;
    p[core::kTolUpPix] = 40;
    for (std::size_t i = 12; i <= 16; ++i)
        p[i] = static_cast<std::uint16_t>(60000 + i);  // spares
    p[17] = 9999;
    core::Put32(p.data(), core::kCalibRef, 0xFFFFFFFFu);
    for (std::size_t base : {std::size_t{20}, std::size_t{36}}) {
        p[base + 0] = 700;
        p[base + 1] = 0;
        p[base + 2] = 80;
        p[base + 3] = 900;
        p[base + 4] = 5;
        p[base + 5] = 2000;
        p[base + 6] = 1;
        p[base + 7] = 65535;  // trigger threshold: never limited
        p[base + 8] = 65000;
        p[base + 9] = 65001;
        p[base + 10] = 65002;
        p[base + 11] = 4444;
        core::Put32(p.data(), base + 12, 0xFFFFFFFFu);
        core::Put32(p.data(), base + 14, 0xFFFFFFFFu);
    }
    return p;
}

struct LimitRow {
    std::size_t index;
    std::uint16_t limit;     // largest value that stays
    std::uint16_t fallback;  // what one above becomes
};

}  // namespace

// ---------------------------------------------------------------- limits

TEST(LimitParameters, EachEntryStaysAtItsLimitAndOneAboveGetsItsFallback) {
    const std::uint16_t cvp = 2048;
    const LimitRow rows[] = {
        {core::kEvalMode, 4, 1},        {core::kModeSelect, 3, 0},
        {core::kAnaMode, 4, 0},         {core::kHardwareMode, 4, 1},
        {core::kCountSetting, 2048, 1}, {core::kFlagSetting, 1, 1},
        {core::kTolUpPix, cvp, cvp},    {core::kTolLoPix, cvp, cvp},
        {core::kPmodeValA, 1000, 500},  {core::kPmodeValB, 1000, 500},
        {core::kPmodeA, 1, 0},          {core::kPmodeB, 1, 0},
        {core::kVideoThdA, 255, 128},   {core::kVideoThdB, 255, 128},
        {core::kTeachA, cvp, cvp / 2},  {core::kTeachB, cvp, cvp / 2},
        {core::kPixStartA, cvp, 1},     {core::kPixStartB, cvp, 1},
        {core::kPixEndA, cvp, cvp},     {core::kPixEndB, cvp, cvp},
        {core::kGainA, 1, 0},           {core::kGainB, 1, 0},
    };
    for (const LimitRow& row : rows) {
        for (std::uint16_t value :
             {row.limit, static_cast<std::uint16_t>(row.limit + 1), std::uint16_t{65535}}) {
            Set p = InRangeSet();
            p[row.index] = value;
            Set expected = p;
            expected[row.index] = value > row.limit ? row.fallback : value;
            core::LimitParameters(p.data(), cvp);
            EXPECT_EQ(p, expected) << "index " << row.index << " value " << value;
        }
    }
}

TEST(LimitParameters, FetchedValuesBeyondTheLineAreBroughtBack) {
    Set p = InRangeSet();
    p[core::kPixStartA] = 7;
    p[core::kPixEndA] = 4096;
    p[core::kPixStartB] = 9;
    p[core::kPixEndB] = 4096;
    p[core::kTeachA] = 3000;
    p[core::kVideoThdB] = 300;
    p[core::kVideoThdA] = 255;
    core::LimitParameters(p.data(), 2048);
    EXPECT_EQ(p[core::kPixEndA], 2048);
    EXPECT_EQ(p[core::kPixStartA], 7);
    EXPECT_EQ(p[core::kPixEndB], 2048);
    EXPECT_EQ(p[core::kPixStartB], 9);
    EXPECT_EQ(p[core::kTeachA], 1024);
    EXPECT_EQ(p[core::kVideoThdB], 128);
    EXPECT_EQ(p[core::kVideoThdA], 255);
}

TEST(LimitParameters, PixelLimitsFollowTheVirtualPixelCount) {
    Set p = InRangeSet();
    p[core::kTeachB] = 300;
    p[core::kTolUpPix] = 257;
    p[core::kPixStartA] = 256;
    p[core::kPixEndA] = 8192;
    core::LimitParameters(p.data(), 256);
    EXPECT_EQ(p[core::kTeachB], 128);
    EXPECT_EQ(p[core::kTolUpPix], 256);
    EXPECT_EQ(p[core::kPixStartA], 256);
    EXPECT_EQ(p[core::kPixEndA], 256);

    Set q = InRangeSet();
    q[core::kTeachA] = 8192;
    q[core::kPixEndB] = 8192;
    core::LimitParameters(q.data(), 8192);
    EXPECT_EQ(q[core::kTeachA], 8192);
    EXPECT_EQ(q[core::kPixEndB], 8192);
}

TEST(LimitParameters, TriggerCalibrationSpareAndUnpagedEntriesAreNeverTouched) {
    Set p = InRangeSet();
    for (std::size_t i : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3},
                          std::size_t{17}, std::size_t{31}, std::size_t{47}})
        p[i] = 65535;
    const Set before = p;
    core::LimitParameters(p.data(), 2048);
    EXPECT_EQ(p, before);
}

// ---------------------------------------------------------------- calibration

TEST(Calibration, ControlValueTimes1024IsTruncated) {
    EXPECT_EQ(core::CalibFromControl(1.5), 1536u);
    EXPECT_EQ(core::CalibFromControl(1.0), 1024u);
    EXPECT_EQ(core::CalibFromControl(0.0009), 0u);
    EXPECT_EQ(core::CalibFromControl(0.0), 0u);
    EXPECT_EQ(core::CalibFromControl(1.0999), 1126u);  // 1126.29..., not rounded up
    EXPECT_EQ(core::CalibFromControl(1.0029), 1026u);  // 1026.97..., not rounded up to 1027
    EXPECT_EQ(core::CalibFromControl(10.0), 10240u);
}

TEST(Calibration, ValuesOutsideTheEntryRangeClamp) {
    EXPECT_EQ(core::CalibFromControl(-1.5), 0u);
    EXPECT_EQ(core::CalibFromControl(-0.0001), 0u);
    EXPECT_EQ(core::CalibFromControl(std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(core::CalibFromControl(1e12), 0xFFFFFFFFu);
    EXPECT_EQ(core::CalibFromControl(std::numeric_limits<double>::infinity()), 0xFFFFFFFFu);
    EXPECT_EQ(core::CalibFromControl(-std::numeric_limits<double>::infinity()), 0u);
    // Exactly 2^32 / 1024 no longer fits.
    EXPECT_EQ(core::CalibFromControl(4194304.0), 0xFFFFFFFFu);
    // Just inside.
    EXPECT_EQ(core::CalibFromControl(4194303.0), 4194303u * 1024u);
}

TEST(Calibration, EntryShownAsFactor) {
    EXPECT_FLOAT_EQ(core::CalibToControl(1536), 1.5f);
    EXPECT_FLOAT_EQ(core::CalibToControl(1024), 1.0f);
    EXPECT_FLOAT_EQ(core::CalibToControl(0), 0.0f);
    EXPECT_FLOAT_EQ(core::CalibToControl(10240), 10.0f);
    EXPECT_FLOAT_EQ(core::CalibToControl(70000), 70000.0f / 1024.0f);  // both halves used
}

TEST(Calibration, EntryToControlAndBackIsExact) {
    for (std::uint32_t entry : {0u, 1u, 1023u, 1024u, 1027u, 1126u, 1536u, 65535u, 65536u,
                                70000u, 1000000u, 16777215u}) {
        const float shown = core::CalibToControl(entry);
        EXPECT_EQ(core::CalibFromControl(static_cast<double>(shown)), entry) << entry;
    }
}

// ---------------------------------------------------------------- evaluation mode

TEST(EvalModeRule, TargetDimmingAndAxisOfEachMode) {
    const std::uint16_t cvp = 2048;
    struct Case {
        std::uint16_t mode, tVal;
        bool dimA, dimB;
        std::uint16_t yAxis;
    };
    const Case cases[] = {
        {0, 600, true, false, 2048},   // channel B alone
        {1, 500, false, true, 2048},   // channel A alone
        {2, 2996, false, false, 4096}, // 2*2048 - (500 + 600)
        {3, 2048, true, true, 4096},
        {4, 2048, false, false, 4096},
    };
    for (const Case& c : cases) {
        const core::EvalModeView v = core::EvalModeRule(c.mode, 500, 600, cvp);
        EXPECT_TRUE(v.valid) << "mode " << c.mode;
        EXPECT_EQ(v.tVal, c.tVal) << "mode " << c.mode;
        EXPECT_EQ(v.dimTeachA, c.dimA) << "mode " << c.mode;
        EXPECT_EQ(v.dimTeachB, c.dimB) << "mode " << c.mode;
        EXPECT_EQ(v.yAxisMax, c.yAxis) << "mode " << c.mode;
    }
    EXPECT_FALSE(core::EvalModeRule(5, 500, 600, cvp).valid);
}

TEST(EvalModeRule, CombinedModeTargetIsKeptTo16Bits) {
    // 2*256 - (300 + 300) = -88, which as a 16-bit word is 65448.
    EXPECT_EQ(core::EvalModeRule(2, 300, 300, 256).tVal, 65448);
    EXPECT_EQ(core::EvalModeRule(2, 8192, 8192, 8192).tVal, 0);
    EXPECT_EQ(core::EvalModeRule(2, 0, 0, 8192).tVal, 16384);
    EXPECT_EQ(core::EvalModeRule(3, 0, 0, 8192).yAxisMax, 16384);
}

// ---------------------------------------------------------------- thresholds

TEST(Thresholds, LowerLineStopsAtZeroAndUpperAtTheLineEnd) {
    Set p = InRangeSet();
    p[core::kTeachA] = 50;
    p[core::kTolLoPix] = 100;
    p[core::kTeachB] = 2000;
    p[core::kTolUpPix] = 100;
    const core::ThresholdLines t = core::ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(t.loA, 0);
    EXPECT_EQ(t.upA, 150);
    EXPECT_EQ(t.loB, 1900);
    EXPECT_EQ(t.upB, 2048);
    EXPECT_EQ(t.refA, 50);
    EXPECT_EQ(t.refB, 2000);

    // Both channels take the same tolerance entries; exact edges are kept.
    p[core::kTeachA] = 100;
    p[core::kTeachB] = 1948;
    const core::ThresholdLines e = core::ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(e.loA, 0);
    EXPECT_EQ(e.upB, 2048);
    EXPECT_EQ(e.loB, 1848);
    EXPECT_EQ(e.upA, 200);
}

TEST(Thresholds, LargeTeachAndToleranceDoNotWrap) {
    Set p = InRangeSet();
    p[core::kTeachA] = 60000;
    p[core::kTolUpPix] = 10000;  // 70000 would wrap to 4464
    p[core::kTolLoPix] = 100;
    p[core::kTeachB] = 40000;
    core::ThresholdLines t = core::ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(t.upA, 2048);
    EXPECT_EQ(t.upB, 2048);
    EXPECT_EQ(t.loA, 59900);
    EXPECT_EQ(t.loB, 39900);

    p[core::kTeachA] = 65535;
    p[core::kTolUpPix] = 100;  // 65635 would wrap to 99, inside the line
    t = core::ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(t.upA, 2048);

    p[core::kTeachA] = 100;
    p[core::kTolLoPix] = 65535;  // far below zero, must not come out large
    t = core::ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(t.loA, 0);
}

TEST(Thresholds, VideoLineIsPercentOfFullScaleTruncated) {
    Set p = InRangeSet();
    p[core::kVideoThdA] = 50;
    p[core::kVideoThdB] = 33;
    core::ThresholdLines t = core::ComputeThresholds(p.data(), 1024, 2048);
    EXPECT_EQ(t.thdA, 512);
    EXPECT_EQ(t.thdB, 337);  // 337.92
    t = core::ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(t.thdA, 128);
    EXPECT_EQ(t.thdB, 84);   // 84.48
    p[core::kVideoThdA] = 255;
    t = core::ComputeThresholds(p.data(), 1024, 2048);
    EXPECT_EQ(t.thdA, 2611);  // 261120 / 100, no 16-bit product overflow
}

TEST(Thresholds, TriggerLinesAreTheRawEntries) {
    Set p = InRangeSet();
    p[core::kTrigThdA] = 77;
    p[core::kTrigThdB] = 65535;
    const core::ThresholdLines t = core::ComputeThresholds(p.data(), 256, 2048);
    EXPECT_EQ(t.trgA, 77);
    EXPECT_EQ(t.trgB, 65535);
}

// ---------------------------------------------------------------- target and tolerances

TEST(DeriveTarget, TargetFollowsTheEvaluationMode) {
    const std::uint16_t cvp = 2048;
    struct Case {
        std::uint16_t mode, tVal;
    };
    for (const Case& c : {Case{0, 600}, Case{1, 500}, Case{2, 2996}, Case{3, 2048},
                          Case{4, 2048}}) {
        Set p = InRangeSet();
        p[core::kEvalMode] = c.mode;
        p[core::kTeachA] = 500;
        p[core::kTeachB] = 600;
        EXPECT_EQ(core::DeriveTarget(p.data(), cvp, 0, 1234).tVal, c.tVal) << "mode " << c.mode;
    }
}

TEST(DeriveTarget, ModeOutsideZeroToFourKeepsThePreviousTarget) {
    for (std::uint16_t mode : {std::uint16_t{5}, std::uint16_t{255}, std::uint16_t{65535}}) {
        Set p = InRangeSet();
        p[core::kEvalMode] = mode;
        p[core::kHardwareMode] = 0;
        p[core::kTolUpPix] = 40;
        p[core::kTolLoPix] = 30;
        const Set before = p;
        const core::Derived d = core::DeriveTarget(p.data(), 2048, 9, 777);
        EXPECT_EQ(d.tVal, 777) << "mode " << mode;
        // The tolerances are still derived.
        EXPECT_EQ(d.tolup, 40);
        EXPECT_EQ(d.tollo, 30);
        EXPECT_EQ(p, before);
    }
}

TEST(DeriveTarget, CombinedModeWrapsTo16Bits) {
    Set p = InRangeSet();
    p[core::kEvalMode] = 2;
    p[core::kTeachA] = 300;
    p[core::kTeachB] = 300;
    EXPECT_EQ(core::DeriveTarget(p.data(), 256, 0, 0).tVal, 65448);
}

TEST(DeriveTarget, CombinedModeRaisesZeroToleranceEntriesToOne) {
    Set p = InRangeSet();
    p[core::kEvalMode] = 2;
    p[core::kHardwareMode] = 0;
    p[core::kTolUpPix] = 0;
    p[core::kTolLoPix] = 0;
    Set expected = p;
    expected[core::kTolUpPix] = 1;
    expected[core::kTolLoPix] = 1;
    const core::Derived d = core::DeriveTarget(p.data(), 2048, 50, 0);
    EXPECT_EQ(p, expected);  // the set itself changes, nothing else in it
    EXPECT_EQ(d.tolup, 1);   // raised before the tolerances are taken
    EXPECT_EQ(d.tollo, 1);

    // Only a zero entry is raised.
    Set q = InRangeSet();
    q[core::kEvalMode] = 2;
    q[core::kTolUpPix] = 0;
    q[core::kTolLoPix] = 7;
    core::DeriveTarget(q.data(), 2048, 50, 0);
    EXPECT_EQ(q[core::kTolUpPix], 1);
    EXPECT_EQ(q[core::kTolLoPix], 7);

    // Also when the tolerances in force come from the potentiometer.
    Set r = InRangeSet();
    r[core::kEvalMode] = 2;
    r[core::kHardwareMode] = 1;
    r[core::kTolUpPix] = 0;
    r[core::kTolLoPix] = 0;
    const core::Derived dr = core::DeriveTarget(r.data(), 2048, 50, 0);
    EXPECT_EQ(r[core::kTolUpPix], 1);
    EXPECT_EQ(r[core::kTolLoPix], 1);
    EXPECT_EQ(dr.tolup, 50);
    EXPECT_EQ(dr.tollo, 50);
}

TEST(DeriveTarget, OtherModesLeaveZeroTolerancesAlone) {
    for (std::uint16_t mode : {0, 1, 3, 4, 7}) {
        Set p = InRangeSet();
        p[core::kEvalMode] = mode;
        p[core::kHardwareMode] = 0;
        p[core::kTolUpPix] = 0;
        p[core::kTolLoPix] = 0;
        const Set before = p;
        const core::Derived d = core::DeriveTarget(p.data(), 2048, 50, 0);
        EXPECT_EQ(p, before) << "mode " << mode;
        EXPECT_EQ(d.tolup, 0) << "mode " << mode;
        EXPECT_EQ(d.tollo, 0) << "mode " << mode;
    }
}

TEST(DeriveTarget, HardwareModesZeroAndTwoUseTheEntriesOthersThePotentiometer) {
    for (std::uint16_t hw : {0, 1, 2, 3, 4, 9}) {
        Set p = InRangeSet();
        p[core::kEvalMode] = 1;
        p[core::kHardwareMode] = hw;
        p[core::kTolUpPix] = 40;
        p[core::kTolLoPix] = 30;
        const core::Derived d = core::DeriveTarget(p.data(), 2048, 123, 0);
        if (hw == 0 || hw == 2) {
            EXPECT_EQ(d.tolup, 40) << "hardware mode " << hw;
            EXPECT_EQ(d.tollo, 30) << "hardware mode " << hw;  // not swapped
        } else {
            EXPECT_EQ(d.tolup, 123) << "hardware mode " << hw;
            EXPECT_EQ(d.tollo, 123) << "hardware mode " << hw;
        }
    }
}

// ---------------------------------------------------------------- tolerance test

TEST(WithinTolerance, ValuesOnEitherLimitAreWithin) {
    // target 1000, up 20, down 30: window 970..1020
    EXPECT_TRUE(core::WithinTolerance(970, 1000, 20, 30));
    EXPECT_TRUE(core::WithinTolerance(1020, 1000, 20, 30));
    EXPECT_TRUE(core::WithinTolerance(1000, 1000, 20, 30));
    EXPECT_FALSE(core::WithinTolerance(969, 1000, 20, 30));
    EXPECT_FALSE(core::WithinTolerance(1021, 1000, 20, 30));
    // Zero tolerances: only the target itself.
    EXPECT_TRUE(core::WithinTolerance(500, 500, 0, 0));
    EXPECT_FALSE(core::WithinTolerance(499, 500, 0, 0));
    EXPECT_FALSE(core::WithinTolerance(501, 500, 0, 0));
}

TEST(WithinTolerance, TargetBelowLowerToleranceHasLowerLimitZero) {
    EXPECT_TRUE(core::WithinTolerance(0, 10, 20, 50));
    EXPECT_TRUE(core::WithinTolerance(5, 10, 20, 50));
    EXPECT_TRUE(core::WithinTolerance(30, 10, 20, 50));
    EXPECT_FALSE(core::WithinTolerance(31, 10, 20, 50));
    EXPECT_TRUE(core::WithinTolerance(0, 0, 0, 65535));
    EXPECT_FALSE(core::WithinTolerance(65535, 10, 20, 50));
}

TEST(WithinTolerance, UpperLimitPast65535Saturates) {
    EXPECT_TRUE(core::WithinTolerance(65535, 65500, 100, 0));
    EXPECT_FALSE(core::WithinTolerance(65499, 65500, 100, 0));
    EXPECT_TRUE(core::WithinTolerance(65535, 65535, 65535, 65535));
    EXPECT_TRUE(core::WithinTolerance(0, 65535, 65535, 65535));
    // A wrapped upper limit (65500 + 100 -> 64) would reject this.
    EXPECT_TRUE(core::WithinTolerance(65520, 65500, 100, 10));
    EXPECT_FALSE(core::WithinTolerance(64, 65500, 100, 10));
}

// ---------------------------------------------------------------- tolerance bands

namespace {

void ExpectBand(const core::Band& b, double lo, double hi, const char* what) {
    EXPECT_TRUE(b.drawn) << what;
    EXPECT_DOUBLE_EQ(b.lo, lo) << what;
    EXPECT_DOUBLE_EQ(b.hi, hi) << what;
}

}  // namespace

TEST(ToleranceBands, CombinedModeShiftsByHalfTheDeviation) {
    // d = (1000 + 1200) - (990 + 1206) = 4
    const core::Bands b = core::ToleranceBands(2, 990, 1206, 1000, 1200, 20, 20, 3, 2, 2048);
    ExpectBand(b.master, 982, 1002, "master");
    ExpectBand(b.slave, 1198, 1218, "slave");
}

TEST(ToleranceBands, CombinedModeUsesUpperAndLowerHalvesOnTheirOwnSides) {
    // d = 2000 - 2000 = 0; tolup 31 -> 15, tollo 21 -> 10
    const core::Bands b = core::ToleranceBands(2, 1100, 900, 1000, 1000, 31, 21, 1, 1, 2048);
    ExpectBand(b.master, 1090, 1115, "master");
    ExpectBand(b.slave, 890, 915, "slave");
}

TEST(ToleranceBands, CombinedModeHalvesTruncateTowardZero) {
    // d = 2000 - 2003 = -3, half -1 (not -2)
    const core::Bands b = core::ToleranceBands(2, 1001, 1002, 1000, 1000, 21, 21, 5, 5, 2048);
    ExpectBand(b.master, 990, 1010, "master");
    ExpectBand(b.slave, 991, 1011, "slave");
}

TEST(ToleranceBands, CombinedModeWithoutEdgesCentresOnTheTeachValues) {
    for (auto [ea, eb] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{0, 0}}) {
        const core::Bands b =
            core::ToleranceBands(2, 990, 1206, 1000, 1200, 31, 21, static_cast<std::uint16_t>(ea),
                                 static_cast<std::uint16_t>(eb), 2048);
        ExpectBand(b.master, 990, 1015, "master");
        ExpectBand(b.slave, 1190, 1215, "slave");
    }
}

TEST(ToleranceBands, SingleChannelModesDrawOneBandEach) {
    core::Bands b = core::ToleranceBands(0, 0, 0, 500, 1200, 30, 20, 1, 1, 2048);
    EXPECT_FALSE(b.master.drawn);
    ExpectBand(b.slave, 1180, 1230, "mode 0 slave");

    b = core::ToleranceBands(1, 0, 0, 500, 1200, 30, 20, 1, 1, 2048);
    ExpectBand(b.master, 480, 530, "mode 1 master");
    EXPECT_FALSE(b.slave.drawn);

    // Tolerances not yet derived: the band runs from the teach value to itself.
    b = core::ToleranceBands(1, 0, 0, 500, 1200, 0, 0, 0, 0, 2048);
    ExpectBand(b.master, 500, 500, "zero tolerances");
}

TEST(ToleranceBands, LowerEdgeBelowZeroIsDrawnFromOneButZeroStays) {
    core::Bands b = core::ToleranceBands(1, 0, 0, 10, 0, 5, 15, 0, 0, 2048);
    ExpectBand(b.master, 1, 15, "edge -5");
    b = core::ToleranceBands(1, 0, 0, 10, 0, 5, 10, 0, 0, 2048);
    ExpectBand(b.master, 0, 15, "edge 0");
    b = core::ToleranceBands(0, 0, 0, 0, 10, 5, 11, 0, 0, 2048);
    ExpectBand(b.slave, 1, 15, "edge -1");
    b = core::ToleranceBands(1, 0, 0, 10, 0, 5, 9, 0, 0, 2048);
    ExpectBand(b.master, 1, 15, "edge 1");
    // Combined mode with a far negative lower edge.
    b = core::ToleranceBands(2, 0, 0, 0, 0, 0, 200, 0, 0, 2048);
    ExpectBand(b.master, 1, 0, "combined -100");
}

TEST(ToleranceBands, UpperEdgePastTheLastPixelIsDrawnToTheLineEnd) {
    core::Bands b = core::ToleranceBands(1, 0, 0, 2000, 0, 47, 0, 0, 0, 2048);
    ExpectBand(b.master, 2000, 2047, "edge cvp-1 stays");
    b = core::ToleranceBands(1, 0, 0, 2000, 0, 48, 0, 0, 0, 2048);
    ExpectBand(b.master, 2000, 2048, "edge cvp");
    b = core::ToleranceBands(0, 0, 0, 0, 2000, 3000, 0, 0, 0, 2048);
    ExpectBand(b.slave, 2000, 2048, "edge far past");
    b = core::ToleranceBands(0, 0, 0, 0, 65535, 65535, 0, 0, 0, 4096);
    ExpectBand(b.slave, 65535, 4096, "no 16-bit wrap of the edge");
    b = core::ToleranceBands(2, 2040, 2040, 2040, 2040, 40, 0, 1, 1, 2048);
    ExpectBand(b.master, 2040, 2048, "combined upper edge 2060");
}

TEST(ToleranceBands, DeviationModesRunFromOneToTheToleranceUnclamped) {
    for (std::uint16_t mode : {3, 4}) {
        core::Bands b = core::ToleranceBands(mode, 100, 200, 500, 600, 30, 20, 1, 1, 2048);
        ExpectBand(b.master, 1, 30, "master");
        ExpectBand(b.slave, 1, 20, "slave");
        b = core::ToleranceBands(mode, 100, 200, 500, 600, 5000, 3000, 1, 1, 2048);
        ExpectBand(b.master, 1, 5000, "master past the line end");
        ExpectBand(b.slave, 1, 3000, "slave past the line end");
        b = core::ToleranceBands(mode, 100, 200, 500, 600, 0, 0, 1, 1, 2048);
        ExpectBand(b.master, 1, 0, "master zero");
        ExpectBand(b.slave, 1, 0, "slave zero");
    }
}

TEST(ToleranceBands, ModesOutsideZeroToFourDrawNothing) {
    for (std::uint16_t mode : {5, 100, 65535}) {
        const core::Bands b = core::ToleranceBands(mode, 100, 200, 500, 600, 30, 20, 1, 1, 2048);
        EXPECT_FALSE(b.master.drawn) << "mode " << mode;
        EXPECT_FALSE(b.slave.drawn) << "mode " << mode;
    }
}

// ---------------------------------------------------------------- recorder time

TEST(RecTime, SplitsIntoDaysHoursMinutesSeconds) {
    const core::RecTime t = core::SplitRecTime(5, 20000);  // 100000 s
    EXPECT_EQ(t.days, 1u);
    EXPECT_EQ(t.hours, 3u);
    EXPECT_EQ(t.minutes, 46u);
    EXPECT_EQ(t.seconds, 40u);

    const core::RecTime z = core::SplitRecTime(0, 20000);
    EXPECT_EQ(z.days + z.hours + z.minutes + z.seconds, 0u);

    const core::RecTime e = core::SplitRecTime(3, 28799);  // 86397 s, just under a day
    EXPECT_EQ(e.days, 0u);
    EXPECT_EQ(e.hours, 23u);
    EXPECT_EQ(e.minutes, 59u);
    EXPECT_EQ(e.seconds, 57u);
}

TEST(RecTime, LargestProductDoesNotOverflow) {
    // 65535 * 65535 = 4294836225 s = 49708 d 18 h 3 min 45 s
    const core::RecTime t = core::SplitRecTime(65535, 65535);
    EXPECT_EQ(t.days, 49708u);
    EXPECT_EQ(t.hours, 18u);
    EXPECT_EQ(t.minutes, 3u);
    EXPECT_EQ(t.seconds, 45u);
}
