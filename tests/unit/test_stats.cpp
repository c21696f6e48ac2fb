// The statistics of the frames shown: the figures of a known sequence with
// values on and beyond each limit, the cases where a figure does not exist,
// Welford's stability far from zero, the histogram's bins and Clear.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numeric>

#include "core/stats.h"

using namespace core;

namespace {

// Window 990..1020 around 1000; the value in mm follows the pixels, 1 µm each.
constexpr Window kWindow{990, 1000, 1020};
void Add(FrameStats& s, std::uint16_t px) {
    s.Add(5.0 + (px - 1000) / 1000.0, px, px >= kWindow.lower && px <= kWindow.upper, kWindow);
}

}  // namespace

TEST(FrameStats, KnownSequenceGivesSampleDeviationExtremesShareCpCpkAndBinsSplitAtTheLimits) {
    auto s = std::make_unique<FrameStats>();
    for (std::uint16_t px : {1000, 990, 1020, 989, 1021, 1006})
        Add(*s, px);
    EXPECT_EQ(s->Count(), 6u);
    EXPECT_NEAR(s->Millimetres().Mean(), 5.0043333333, 1e-9);
    EXPECT_NEAR(*s->Millimetres().StdDev(), 0.0140380435, 1e-9);  // n - 1, not n
    EXPECT_EQ(std::pair(s->Min(), s->Max()), std::pair(4.989, 5.021));
    EXPECT_NEAR(s->InTolerancePercent(), 400.0 / 6, 1e-9);
    EXPECT_NEAR(*s->Capable().cp, 0.3561749885, 1e-9);
    EXPECT_NEAR(*s->Capable().cpk, 0.3403449891, 1e-9);

    // 31 pixels: bins of 2, the last window bin cut to 1020 alone; far values
    // in the outermost bins.
    Add(*s, 0);
    Add(*s, 65535);
    const std::vector<HistogramBin> bins = s->Histogram();
    ASSERT_EQ(bins.size(), 16u + 2 * kMarginBins);
    const auto binOf = [&](int px) {
        for (const HistogramBin& b : bins)
            if (px >= b.first && px <= b.last)
                return b;
        return px < bins.front().first ? bins.front() : bins.back();
    };
    EXPECT_EQ(std::tuple(binOf(989).within, binOf(990).within, binOf(1020).within, binOf(1021).within),
              std::tuple(false, true, true, false));
    EXPECT_EQ(std::tuple(binOf(1020).first, binOf(1020).last, binOf(1021).first),
              std::tuple(1020, 1020, 1021));
    EXPECT_EQ(std::tuple(bins.front().frames, bins.back().frames), std::tuple(1u, 1u));
    std::uint64_t total = 0, within = 0;
    for (const HistogramBin& b : bins) {
        total += b.frames;
        within += b.within ? b.frames : 0;
    }
    EXPECT_EQ(std::pair(total, within), std::pair(std::uint64_t{8}, std::uint64_t{4}));

    s->Clear();
    EXPECT_EQ(std::tuple(s->Count(), s->InTolerancePercent(), s->Millimetres().StdDev().has_value()),
              std::tuple(0u, 0.0, false));
    Add(*s, 1000);
    const std::vector<HistogramBin> after = s->Histogram();  // nothing left of before Clear
    EXPECT_EQ(std::accumulate(after.begin(), after.end(), std::uint64_t{0},
                              [](std::uint64_t n, const HistogramBin& b) { return n + b.frames; }),
              1u);
    EXPECT_EQ(std::pair(s->Min(), s->Max()), std::pair(5.0, 5.0));
}

// Where a figure would be infinite or meaningless it does not exist.
TEST(FrameStats, NoDeviationBelowTwoFramesNoCapabilityWithoutSpreadOrWindowWidth) {
    const struct {
        const char* name;
        Window window;
        std::vector<std::uint16_t> px;
        bool deviation, capability;
    } cases[] = {
        {"one frame", kWindow, {1000}, false, false},
        {"no spread", kWindow, {1000, 1000, 1000}, true, false},
        {"window without width", {1000, 1000, 1000}, {999, 1000, 1001}, true, false},
        {"spread and width", kWindow, {999, 1001}, true, true},
    };
    for (const auto& c : cases) {
        auto s = std::make_unique<FrameStats>();
        for (std::uint16_t px : c.px)
            s->Add(px / 1000.0, px, true, c.window);
        const Capability cap = s->Capable();
        EXPECT_EQ(std::tuple(s->Millimetres().StdDev().has_value(), cap.cp.has_value(), cap.cpk.has_value()),
                  std::tuple(c.deviation, c.capability, c.capability))
            << c.name;
    }
}

// A million frames of ±1 µm around two kilometres: summed squares would lose
// the spread in the offset's rounding; the running update keeps it.
TEST(Welford, KeepsTheSpreadOfSmallDeviationsAroundALargeOffset) {
    Welford w;
    constexpr int n = 1'000'000;
    for (int i = 0; i < n; ++i)
        w.Add(2'000'000.0 + (i % 2 ? 0.001 : -0.001));
    EXPECT_NEAR(w.Mean(), 2'000'000.0, 1e-9);
    EXPECT_NEAR(*w.StdDev(), 0.001 * std::sqrt(double(n) / (n - 1)), 1e-9);
}
