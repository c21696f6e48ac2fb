#include "core/exportfile.h"

#include <cstdio>
#include <optional>

namespace core {

std::string FormatCaptureCsv(std::span<const CaptureView> captures, std::size_t points) {
    std::string out = "capture,index,x,channel A,channel B,threshold A,threshold B\r\n";
    char row[160];
    for (const CaptureView& c : captures)
        for (std::size_t i = 0; i < points; ++i) {
            // %.17g gives the x position back exactly when read as a double.
            int n = std::snprintf(row, sizeof row, "%s,%zu,%.17g,%u,%u,", c.name, i, c.x[i], unsigned(c.a[i]),
                                  unsigned(c.b[i]));
            if (c.thresholdA && c.thresholdB)
                n += std::snprintf(row + n, sizeof row - std::size_t(n), "%u,%u", unsigned(c.thresholdA[i]),
                                   unsigned(c.thresholdB[i]));
            else
                n += std::snprintf(row + n, sizeof row - std::size_t(n), ",");
            out.append(row, std::size_t(n));
            out += "\r\n";
        }
    return out;
}

namespace {

void Row(std::string& out, const char* name, std::optional<double> value, const char* unit) {
    char cell[64] = "";
    if (value)
        std::snprintf(cell, sizeof cell, "%.10g", *value);
    out += std::string(name) + "," + cell + "," + unit + "\r\n";
}

}  // namespace

std::string FormatStatisticsCsv(const FrameStats& s) {
    std::string out = "statistic,value,unit\r\n";
    const bool any = s.Count() > 0;
    const auto figure = [any](double v) { return any ? std::optional(v) : std::nullopt; };
    Row(out, "frames", double(s.Count()), "");
    Row(out, "mean", figure(s.Millimetres().Mean()), "mm");
    Row(out, "standard deviation", s.Millimetres().StdDev(), "mm");
    Row(out, "minimum", figure(s.Min()), "mm");
    Row(out, "maximum", figure(s.Max()), "mm");
    Row(out, "within tolerance", figure(s.InTolerancePercent()), "%");
    const Capability c = s.Capable();
    Row(out, "Cp", c.cp, "");
    Row(out, "Cpk", c.cpk, "");
    const Window& w = s.LastWindow();
    Row(out, "lower limit", figure(w.lower), "px");
    Row(out, "target", figure(w.target), "px");
    Row(out, "upper limit", figure(w.upper), "px");

    out += "\r\nbin,from [px],to [px],frames\r\n";
    const std::vector<HistogramBin> bins = s.Histogram();
    char row[96];
    for (std::size_t i = 0; i < bins.size(); ++i) {
        const HistogramBin& b = bins[i];
        char from[16] = "", to[16] = "";
        if (i > 0)
            std::snprintf(from, sizeof from, "%d", b.first);
        if (i + 1 < bins.size())
            std::snprintf(to, sizeof to, "%d", b.last);
        const int n = std::snprintf(row, sizeof row, "%zu,%s,%s,%llu\r\n", i, from, to,
                                    static_cast<unsigned long long>(b.frames));
        out.append(row, std::size_t(n));
    }
    return out;
}

}  // namespace core
