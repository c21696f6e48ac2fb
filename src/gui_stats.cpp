// The statistics window's figures: every raw frame shown adds to them at once
// (O(1), whether the window is open or not); the window shows them five times
// a second, a tenth of the graphs' repaint rate: figures that change faster
// cannot be read, and each showing repaints the whole window (the figures and
// the histogram), which at every frame of the line cost RUN about 2 % of a
// core and at ten a second still about 1 %.
#include <algorithm>
#include <optional>

#include "K-BEX-TW-MS-DiredI304.h"
#include "core/stats.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/panels.h"

namespace {

core::FrameStats frameStats;
bool windowOpen = false;
bool showPending = false;
int catchUp = 0;  // repeating call that shows what came after the last showing
double lastShown = -1e9;

// The displays' minimum, which they show as "-": a figure that does not exist
// yet (too few frames, no spread, a window without width) is never 0, NaN or inf.
constexpr double kNoFigure = -99999999.0;
constexpr double kPeriod = 10.0 / kMaxScreenRate;
constexpr int kWithinFill = 0x80C080, kBeyondFill = 0xF08080;

void Figure(int control, std::optional<double> v) {
    SetCtrlVal(pStats, control, v ? std::clamp(*v, kNoFigure + 1, -kNoFigure) : kNoFigure);
}

// Bars are the share of frames per bin, each pixel a cell of width 1 around
// its value, green within the window and red beyond, as the value's colour.
// The limit lines stand on the outer edges of the pixels within tolerance, so
// every bar between them is within, every bar outside beyond.
void DrawHistogram() {
    DeleteGraphPlot(pStats, STATS_GRAPHHistogram, -1, 0);
    const std::uint64_t n = frameStats.Count();
    if (n == 0)
        return;
    const std::vector<core::HistogramBin> bins = frameStats.Histogram();
    double top = 0;
    for (const core::HistogramBin& b : bins) {
        const double share = 100.0 * static_cast<double>(b.frames) / static_cast<double>(n);
        top = std::max(top, share);
        if (b.frames > 0)
            PlotRectangle(pStats, STATS_GRAPHHistogram, b.first - 0.5, 0.0, b.last + 0.5, share,
                          b.within ? VAL_DK_GREEN : VAL_RED, b.within ? kWithinFill : kBeyondFill);
    }
    SetAxisScalingMode(pStats, STATS_GRAPHHistogram, VAL_XAXIS, VAL_MANUAL, bins.front().first - 0.5,
                       bins.back().last + 0.5);
    SetAxisScalingMode(pStats, STATS_GRAPHHistogram, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0,
                       std::min(100.0, top * 1.1 + 1.0));
    const core::Window& w = frameStats.LastWindow();
    const std::uint16_t height[2] = {0, 100};
    const auto line = [&](double x, int colour, int style, const char* legend) {
        const double xs[2] = {x, x};
        const int plot =
            PlotXY(pStats, STATS_GRAPHHistogram, xs, height, 2, VAL_THIN_LINE, 0, style, 1, colour);
        SetPlotAttribute(pStats, STATS_GRAPHHistogram, plot, ATTR_PLOT_LG_TEXT, legend);
    };
    line(w.lower - 0.5, VAL_DK_GREEN, VAL_SOLID, "lower limit");
    line(w.target, VAL_BLACK, VAL_DASH, "target");
    line(w.upper + 0.5, VAL_DK_GREEN, VAL_SOLID, "upper limit");
}

void CatchUp() {
    if (showPending && windowOpen) {
        ShowStats();
    } else {
        StopRepeating(catchUp);
        catchUp = 0;
    }
}

}  // namespace

const core::FrameStats& Statistics() {
    return frameStats;
}

void ResetStatsVars() {
    frameStats.Clear();
    showPending = false;
    lastShown = -1e9;
}

void AddFrameToStats(double mm, std::uint16_t pixels, bool withinTolerance, const core::Window& window) {
    frameStats.Add(mm, pixels, withinTolerance, window);
    if (!windowOpen)
        return;
    if (Timer() - lastShown >= kPeriod) {
        ShowStats();
        return;
    }
    showPending = true;
    if (catchUp <= 0)
        catchUp = StartRepeating(kPeriod, &CatchUp);
}

void ClearStats() {
    ResetStatsVars();
    ShowStats();
}

void ShowStats() {
    showPending = false;
    lastShown = Timer();
    const std::uint64_t n = frameStats.Count();
    const auto any = [n](double v) { return n > 0 ? std::optional(v) : std::nullopt; };
    SetCtrlVal(pStats, STATS_NUMCount, static_cast<int>(std::min<std::uint64_t>(n, 2147483647)));
    Figure(STATS_NUMMean, any(frameStats.Millimetres().Mean()));
    Figure(STATS_NUMStdDev, frameStats.Millimetres().StdDev());
    Figure(STATS_NUMMin, any(frameStats.Min()));
    Figure(STATS_NUMMax, any(frameStats.Max()));
    Figure(STATS_NUMInTol, any(frameStats.InTolerancePercent()));
    const core::Capability c = frameStats.Capable();
    Figure(STATS_NUMCp, c.cp);
    Figure(STATS_NUMCpk, c.cpk);
    DrawHistogram();
}

void StatsWindowShown(bool open) {
    windowOpen = open;
    if (open)
        ShowStats();
}
