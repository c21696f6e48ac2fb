#include "core/stats.h"

#include <algorithm>
#include <cmath>

namespace core {

void Welford::Add(double x) {
    ++n_;
    const double delta = x - mean_;
    mean_ += delta / static_cast<double>(n_);
    m2_ += delta * (x - mean_);
}

std::optional<double> Welford::StdDev() const {
    if (n_ < 2)
        return std::nullopt;
    return std::sqrt(std::max(m2_, 0.0) / static_cast<double>(n_ - 1));
}

Capability ProcessCapability(const Window& w, double mean, std::optional<double> s) {
    if (!s || !(*s > 0) || w.upper <= w.lower)
        return {};
    return {(w.upper - w.lower) / (6 * *s), std::min(w.upper - mean, mean - w.lower) / (3 * *s)};
}

Bins BinsFor(const Window& w) {
    const int upper = std::max(w.upper, w.lower);
    const int span = upper - w.lower + 1;
    const int width = std::max(1, (span + kWindowBins - 1) / kWindowBins);
    return {w.lower, upper, width, (span + width - 1) / width};
}

int Bins::Of(int pixel) const {
    if (pixel < lower)
        return std::max(0, kMarginBins - (lower - pixel + width - 1) / width);
    if (pixel <= upper)
        return kMarginBins + (pixel - lower) / width;
    return std::min(Count() - 1, kMarginBins + inside + (pixel - upper - 1) / width);
}

void FrameStats::Add(double mm, std::uint16_t pixels, bool withinTolerance, const Window& window) {
    if (mm_.Count() == 0 || mm < min_)
        min_ = mm;
    if (mm_.Count() == 0 || mm > max_)
        max_ = mm;
    mm_.Add(mm);
    px_.Add(pixels);
    inTolerance_ += withinTolerance ? 1 : 0;
    window_ = window;
    ++perPixel_[pixels];
    lowestPixel_ = std::min(lowestPixel_, pixels);
    highestPixel_ = std::max(highestPixel_, pixels);
}

void FrameStats::Clear() {
    // Only the pixels that were hit need zeroing, not the whole table.
    if (Count() > 0)
        std::fill(perPixel_.begin() + lowestPixel_, perPixel_.begin() + highestPixel_ + 1, 0u);
    mm_ = px_ = Welford{};
    min_ = max_ = 0;
    inTolerance_ = 0;
    window_ = {};
    lowestPixel_ = 0xFFFF;
    highestPixel_ = 0;
}

double FrameStats::InTolerancePercent() const {
    return Count() == 0 ? 0.0 : 100.0 * static_cast<double>(inTolerance_) / static_cast<double>(Count());
}

Capability FrameStats::Capable() const {
    return ProcessCapability(window_, px_.Mean(), px_.StdDev());
}

std::vector<HistogramBin> FrameStats::Histogram() const {
    const Bins b = BinsFor(window_);
    std::vector<HistogramBin> out;
    out.reserve(static_cast<std::size_t>(b.Count()));
    for (int i = 0; i < b.Count(); ++i) {
        const int k = i - kMarginBins;
        const int first = k < 0          ? b.lower + k * b.width
                          : k < b.inside ? b.lower + k * b.width
                                         : b.upper + 1 + (k - b.inside) * b.width;
        const int last =
            k >= 0 && k < b.inside ? std::min(first + b.width - 1, b.upper) : first + b.width - 1;
        out.push_back({first, last, k >= 0 && k < b.inside, 0});
    }
    if (Count() > 0)
        for (int p = lowestPixel_; p <= highestPixel_; ++p)
            out[static_cast<std::size_t>(b.Of(p))].frames += perPixel_[static_cast<std::size_t>(p)];
    return out;
}

}  // namespace core
