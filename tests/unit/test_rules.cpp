// Rules between the parameter set and the display: limits, calibration,
// evaluation modes, threshold lines, target/tolerances, bands, recorder time.
// The tables and edge cases of these rules live here; the GUI tests only check
// that the program applies them to the right controls and graphs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <utility>

#include "core/frame.h"
#include "core/rules.h"

using namespace core;

using Set = std::array<std::uint16_t, kParamCount>;

// ---------------------------------------------------------------- limits

TEST(Limits, EachEntryKeepsItsLimitOneAboveGetsItsFallbackAndCalibrationIsTruncatedAndClamped) {
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
        // The limited entries in range; every other one (trigger, calibration,
        // spares, unpaged) at 65535, which any limit would change.
        Set base;
        base.fill(65535);
        for (auto [index, limit, fallback] : rows)
            base[index] = 0;
        for (auto [index, limit, fallback] : rows)
            for (std::uint16_t value : {limit, std::uint16_t(limit + 1), std::uint16_t{65535}}) {
                Set p = base, expected = base;
                p[index] = value;
                expected[index] = value > limit ? fallback : value;
                LimitParameters(p, cvp);
                EXPECT_EQ(p, expected) << "cvp " << cvp << " index " << index << " value " << value;
            }
    }

    // A calibration control value times 1024, truncated and clamped to the
    // entry: 1.0029 x 1024 = 1026.97; 4194304 x 1024 = 2^32 no longer fits.
    // The way back to the control is the panel mapping's round trip.
    const double nan = std::nan(""), inf = HUGE_VAL;
    const std::uint32_t max = 0xFFFFFFFFu;
    const std::pair<double, std::uint32_t> cases[] = {{1.5, 1536}, {1.0029, 1026},   {0.0009, 0},
                                                      {-1.5, 0},   {nan, 0},         {-inf, 0},
                                                      {inf, max},  {4194304.0, max}, {4194303.0, max - 1023}};
    for (auto [value, entry] : cases)
        EXPECT_EQ(CalibFromControl(value), entry) << value;
}

// ---------------------------------------------------------------- evaluation mode

// Mode 0 is channel B alone, mode 1 channel A; 512 - 600 stays a 16-bit word.
TEST(PanelRules, EvalModeTargetDimmingAndAxisInSixteenBitsAndThresholdLinesStopWithoutWrapping) {
    // mode, teachA, teachB, cvp -> valid, target, dim teach A, dim teach B, y axis
    const std::array<int, 9> cases[] = {
        {0, 500, 600, 2048, 1, 600, 1, 0, 2048},   {1, 500, 600, 2048, 1, 500, 0, 1, 2048},
        {2, 500, 600, 2048, 1, 2996, 0, 0, 4096},  {2, 300, 300, 256, 1, 65448, 0, 0, 512},
        {3, 500, 600, 8192, 1, 8192, 1, 1, 16384}, {4, 500, 600, 2048, 1, 2048, 0, 0, 4096},
        {5, 500, 600, 2048, 0, 0, 0, 0, 0}};
    for (auto [mode, teachA, teachB, cvp, valid, target, dimA, dimB, axis] : cases) {
        const EvalModeView v = EvalModeRule(mode, teachA, teachB, cvp);
        EXPECT_EQ((std::array<int, 5>{v.valid, v.tVal, v.dimTeachA, v.dimTeachB, v.yAxisMax}),
                  (std::array{valid, target, dimA, dimB, axis}))
            << "mode " << mode << " cvp " << cvp;
    }

    // Threshold lines stop at 0 and at the line end without wrapping; the
    // video line is a truncated percentage.
    Set p;
    p.fill(65535);
    // videoThdA 99: 1024 x 99 / 100 = 1013.76, no 16-bit product, not rounded.
    std::tie(p[kTeachA], p[kTeachB], p[kTolUpPix], p[kTolLoPix], p[kTrigThdA], p[kVideoThdA], p[kVideoThdB]) =
        std::tuple(50, 2000, 60, 100, 77, 99, 33);
    ThresholdLines t = ComputeThresholds(p, 1024, 2048);
    EXPECT_EQ((std::array{t.loA, t.upA, t.refA, t.loB, t.upB, t.refB, t.trgA, t.trgB, t.thdA, t.thdB}),
              (std::array<std::uint16_t, 10>{0, 110, 50, 1900, 2048, 2000, 77, 65535, 1013, 337}));

    // 65535 + 100 would wrap to 99, inside the line.
    std::tie(p[kTeachA], p[kTolUpPix], p[kTolLoPix]) = std::tuple(65535, 100, 35);
    t = ComputeThresholds(p, 256, 2048);
    EXPECT_TRUE(t.upA == 2048 && t.loA == 65500) << t.upA << " " << t.loA;  // not pulled onto the line
}

// ---------------------------------------------------------------- target and tolerances

TEST(TargetAndTolerance, TargetFollowsTheModeTolerancesTheHardwareModeAndTheLimitsSaturate) {
    // Only mode 2 raises zero tolerance entries, to 1.
    // cvp 200 lies below the teach values: the combined target 400 - 480 stays a 16-bit word.
    const std::pair<std::uint16_t, std::uint16_t> targets[] = {{0, 250}, {1, 230}, {2, 65456},
                                                               {3, 200}, {4, 200}, {7, 1234}};
    Set base{};  // the lower tolerance stays 0
    std::tie(base[kTeachA], base[kTeachB]) = std::pair(230, 250);
    for (auto [mode, target] : targets)
        for (std::uint16_t hw : {0, 1, 2, 3, 4, 9})
            for (std::uint16_t up : {0, 40}) {
                Set p = base;
                std::tie(p[kEvalMode], p[kHardwareMode], p[kTolUpPix]) = std::tuple(mode, hw, up);
                Set expected = p;
                expected[kTolUpPix] = mode == 2 ? std::max<std::uint16_t>(up, 1) : up;
                expected[kTolLoPix] = mode == 2 ? 1 : 0;
                const Derived d = DeriveTarget(p, 200, 123, 1234);
                const bool fromSet = hw == 0 || hw == 2;  // else both from the potentiometer, 123
                EXPECT_EQ(std::tuple(p, d.tVal, d.tolup, d.tollo),
                          std::tuple(expected, target, fromSet ? expected[kTolUpPix] : 123,
                                     fromSet ? expected[kTolLoPix] : 123))
                    << "mode " << mode << " hw " << hw << " up " << up;
            }

    // Target 1000 +20 -30 is 970..1020; 10 +20 -50 has the lower limit 0, not 65496;
    // 65500 +100 has the upper limit 65535, not 64.
    const std::tuple<std::uint16_t, Derived, bool> within[] = {
        {970, {1000, 20, 30}, true},   {1020, {1000, 20, 30}, true},    {969, {1000, 20, 30}, false},
        {1021, {1000, 20, 30}, false}, {500, {500, 0, 0}, true},        {501, {500, 0, 0}, false},
        {0, {10, 20, 50}, true},       {30, {10, 20, 50}, true},        {65535, {10, 20, 50}, false},
        {31, {10, 20, 50}, false},     {65520, {65500, 100, 10}, true}, {65535, {65500, 100, 0}, true},
        {64, {65500, 100, 10}, false}, {65499, {65500, 100, 0}, false}};
    for (auto [value, target, inside] : within)
        EXPECT_EQ(WithinTolerance(value, target), inside)
            << value << " in " << target.tVal << " +" << target.tolup << " -" << target.tollo;
}

// ---------------------------------------------------------------- tolerance bands

// Inputs: mode, posA, posB, teachA, teachB, tolup, tollo, edcntA, edcntB, cvp.
TEST(ToleranceBands, EdgesPerModeWithClampsHalvesAndShift) {
    auto D = [](double lo, double hi) { return Band{true, lo, hi}; };
    const Band none{};
    const std::tuple<BandInputs, Band, Band> cases[] = {
        {{0, 0, 0, 500, 1200, 30, 20, 1, 1, 2048}, none, D(1180, 1230)},  // mode 0: slave only
        {{1, 0, 0, 500, 1200, 30, 20, 1, 1, 2048}, D(480, 530), none},    // mode 1: master only
        {{1, 0, 0, 10, 0, 5, 15, 0, 0, 2048}, D(1, 15), none},            // lower edge -5 from 1
        {{1, 0, 0, 10, 0, 5, 10, 0, 0, 2048}, D(0, 15), none},            // lower edge 0 stays
        {{1, 0, 0, 2000, 0, 47, 0, 0, 0, 2048}, D(2000, 2047), none},     // upper edge cvp-1 stays
        {{1, 0, 0, 2000, 0, 48, 0, 0, 0, 2048}, D(2000, 2048), none},     // upper edge cvp
        {{0, 0, 0, 0, 10, 65530, 11, 0, 0, 4096}, none, D(1, 4096)},      // -1 and 65540: no 16-bit wrap
        // Mode 2: d = (1000 + 1200) - (990 + 1206) = 4; each side takes half its own tolerance.
        {{2, 990, 1206, 1000, 1200, 20, 20, 3, 2, 2048}, D(982, 1002), D(1198, 1218)},   // shift d/2
        {{2, 1100, 900, 1000, 1000, 31, 21, 1, 1, 2048}, D(1090, 1115), D(890, 915)},    // own halves
        {{2, 1001, 1002, 1000, 1000, 21, 21, 5, 5, 2048}, D(990, 1010), D(991, 1011)},   // d -3 halves to -1
        {{2, 2040, 2040, 2040, 2040, 40, 0, 1, 1, 2048}, D(2040, 2048), D(2040, 2048)},  // combined cvp
        {{2, 990, 1206, 1000, 1200, 31, 21, 0, 4, 2048}, D(990, 1015), D(1190, 1215)},   // no edges on A
        {{2, 990, 1206, 1000, 1200, 31, 21, 4, 0, 2048}, D(990, 1015), D(1190, 1215)},   // no edges on B
        // Deviation modes: from pixel 1 to the tolerance, unclamped.
        {{3, 100, 200, 500, 600, 5000, 0, 1, 1, 2048}, D(1, 5000), D(1, 0)},
        {{4, 100, 200, 500, 600, 30, 3000, 1, 1, 2048}, D(1, 30), D(1, 3000)},
        {{5, 100, 200, 500, 600, 30, 20, 1, 1, 2048}, none, none}};
    for (const auto& row : cases) {
        const auto& [in, master, slave] = row;
        const Bands b = ToleranceBands(in);
        for (const auto& [got, want] : {std::pair{b.master, master}, std::pair{b.slave, slave}})
            EXPECT_EQ(std::tuple(got.drawn, got.lo, got.hi), std::tuple(want.drawn, want.lo, want.hi))
                << "row " << &row - cases;
    }
}

// ---------------------------------------------------------------- recorder time and strip chart

// 3 s x 28799 is just under a day; 65535 x 65535 = 4294836225 s (5 s x 20000
// is the recorder pop-up's).
TEST(DisplayRules, RecTimeWithoutOverflowStripHistoryMovesInPlaceAndZoomAndLimitsStayInsideTheChart) {
    // interval, records -> days, hours, minutes, seconds
    const std::tuple<std::uint16_t, std::uint16_t, std::array<std::uint32_t, 4>> cases[] = {
        {3, 28799, {0, 23, 59, 57}}, {0, 20000, {}}, {65535, 65535, {49708, 18, 3, 45}}};
    for (auto [interval, records, want] : cases) {
        const RecTime t = SplitRecTime(interval, records);
        EXPECT_EQ((std::array{t.days, t.hours, t.minutes, t.seconds}), want) << interval << " x " << records;
    }

    // The strip chart's history moves in place, refusing what the runtime refuses.
    std::vector<double> h(700);
    for (std::size_t i = 0; i < h.size(); ++i)
        h[i] = double(i + 1);
    const std::vector<double> before = h;
    EXPECT_EQ(Shift(h.data(), 700, -7, h.data()), 0);
    EXPECT_EQ(std::vector(h.begin(), h.begin() + 693), std::vector(before.begin() + 7, before.end()));
    EXPECT_EQ(std::vector(h.begin() + 693, h.end()), std::vector<double>(7, 0.0));
    // Errors leave the output untouched.
    for (int shift : {700, -700})
        EXPECT_EQ(Shift(before.data(), 700, shift, h.data()), kShiftTooLarge);
    EXPECT_EQ(Shift(before.data(), 0, 1, h.data()), kArrayTooSmall);
    EXPECT_EQ(Copy1D(before.data(), 0, h.data()), kArrayTooSmall);
    EXPECT_EQ(h[0], before[7]);

    // tVal, tolup, tollo, Mvalue -> zoom bottom, top
    const std::tuple<Derived, std::uint16_t, ZoomRange> zooms[] = {
        {{1000, 30, 15}, 1030, {980, 1070}},  // one tolerance below 20: narrow rule
        {{1000, 50, 50}, 1150, {900, 1250}},  {{1000, 50, 50}, 850, {750, 1100}},
        {{10, 30, 15}, 10, {1, 30}},           // bottom raised to 1
        {{2040, 50, 50}, 2040, {1940, 2047}},  // top lowered below the axis end
        {{3000, 50, 50}, 3000, {1, 2047}},     // target beyond the axis: the whole axis
    };
    for (const auto& [d, m, want] : zooms) {
        const ZoomRange z = StripZoom(d, m, 2048);
        EXPECT_EQ(std::pair(z.bottom, z.top), std::pair(want.bottom, want.top)) << d.tVal << " " << m;
    }
    // Upper limit at most the axis end - 1; a lower limit of 0, or one that
    // would wrap below 0, at 1.
    const auto at = StripSample({2000, 100, 3000}, {5, 6, 7, 8}, 2048);
    EXPECT_EQ(at, (std::array<double, 7>{2000, 5, 6, 2047, 1, 7, 8}));
    EXPECT_EQ(StripSample({100, 1, 100}, {}, 2048)[4], 1.0);
    // Analogue output by mode; an unknown mode shows the measured value.
    // Mode, held minimum -> output, the value measured 900, the held maximum
    // 1200; a minimum at the axis end shows 1.
    const std::tuple<std::uint16_t, std::uint16_t, int> outputs[] = {
        {0, 800, 900}, {1, 800, 1200}, {2, 800, 800}, {3, 800, 1200},
        {4, 800, 800}, {9, 800, 900},  {2, 2047, 1},  {4, 2047, 1}};
    for (auto [mode, min, want] : outputs)
        EXPECT_EQ(AnalogOutputValue(mode, 900, 1200, min, 2048), want) << mode << " " << min;
}

// Zoomed curve graphs: a quarter of the converter's range around the threshold,
// moved inside it; the curves' span plus a tenth (5 px at least), inside the line.
TEST(DisplayRules, ZoomedVideoCentresOnTheThresholdAndZoomedDataFitsItsCurvesInsideTheAxis) {
    const std::tuple<std::uint16_t, std::uint16_t, std::pair<int, int>> videos[] = {
        {100, 256, {68, 132}}, {10, 256, {0, 64}}, {250, 256, {192, 256}}, {512, 1024, {384, 640}}};
    for (auto [threshold, adcMax, want] : videos)
        EXPECT_EQ(std::pair(VideoZoom(threshold, adcMax).bottom, VideoZoom(threshold, adcMax).top), want)
            << threshold;
    const std::uint16_t values[] = {1000, 1100, 1050}, flat[] = {900, 900}, edges[] = {2, 2046},
                        beyond[] = {3000};
    using Points = std::span<const std::uint16_t>;
    const std::tuple<Points, Points, std::pair<int, int>> curves[] = {{values, flat, {880, 1120}},
                                                                      {flat, flat, {895, 905}},
                                                                      {edges, flat, {0, 2048}},
                                                                      {beyond, {}, {0, 2048}}};
    for (auto [a, b, want] : curves)
        EXPECT_EQ(std::pair(DataZoom({a, b}, 2048).bottom, DataZoom({a, b}, 2048).top), want) << a[0];
}
