// Statistics of the measured value over the raw frames shown: count, mean,
// sample standard deviation and extremes of the value in mm, the share of
// frames within tolerance, Cp and Cpk against the tolerance window, and a
// histogram of the value in pixels binned from that window. One frame costs
// O(1); the figures are worked out only when they are shown.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace core {

inline constexpr int kWindowBins = 20;
inline constexpr int kMarginBins = 5;

// Mean and spread of a series by Welford's update: each value moves the mean
// by its share of the difference, so a series of small deviations around a
// large offset keeps its spread where summing squares would cancel it away.
class Welford {
public:
    void Add(double x);
    std::uint64_t Count() const { return n_; }
    double Mean() const { return mean_; }
    // Sample (n - 1) standard deviation; none below two values.
    std::optional<double> StdDev() const;

private:
    std::uint64_t n_ = 0;
    double mean_ = 0, m2_ = 0;
};

// Tolerance window in force, in pixels, limits included.
struct Window {
    std::uint16_t lower, target, upper;
};

// Cp = (upper - lower) / 6s and Cpk = min(upper - mean, mean - lower) / 3s.
// None when s is missing or 0 (every frame the same value) or the window has
// no width: the figure would be infinite or say nothing.
struct Capability {
    std::optional<double> cp, cpk;
};
Capability ProcessCapability(const Window& w, double mean, std::optional<double> s);

// The histogram's bins, chosen from the window: about kWindowBins bins of a
// whole number of pixels across the window from its lower limit, the last cut
// at the upper limit so that no bin holds values both within and beyond it,
// and kMarginBins more either side; values further out gather in the two
// outermost bins.
struct Bins {
    int lower, upper, width, inside;
    int Count() const { return inside + 2 * kMarginBins; }
    int Of(int pixel) const;  // the bin a value falls in
};
Bins BinsFor(const Window& w);

struct HistogramBin {
    int first, last;  // pixels it counts; the outermost bins reach beyond
    bool within;      // its pixels lie within the window
    std::uint64_t frames;
};

class FrameStats {
public:
    // One frame: its value in mm, in pixels, and the verdict its colour showed.
    void Add(double mm, std::uint16_t pixels, bool withinTolerance, const Window& window);
    void Clear();
    std::uint64_t Count() const { return mm_.Count(); }
    const Welford& Millimetres() const { return mm_; }
    const Welford& Pixels() const { return px_; }
    double Min() const { return min_; }
    double Max() const { return max_; }
    double InTolerancePercent() const;
    // The window of the latest frame: Cp, Cpk and the histogram are against it.
    const Window& LastWindow() const { return window_; }
    Capability Capable() const;
    std::vector<HistogramBin> Histogram() const;

private:
    Welford mm_, px_;
    double min_ = 0, max_ = 0;
    std::uint64_t inTolerance_ = 0;
    Window window_{};
    // Frames per pixel value: the histogram can be binned for whatever window
    // is in force when it is shown, and a changed window loses nothing.
    std::array<std::uint32_t, 65536> perPixel_{};
    std::uint16_t lowestPixel_ = 0xFFFF, highestPixel_ = 0;
};

}  // namespace core
