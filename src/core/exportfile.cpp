#include "core/exportfile.h"

#include <cstdio>

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

}  // namespace core
