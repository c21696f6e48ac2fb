// The export of the last captures: one CSV table, a header row and then one
// row per point of each capture (capture, index, x position, channel A,
// channel B, and the threshold lines where the capture has them), lines
// ending CR LF as spreadsheet programs expect.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/stats.h"

namespace core {

struct CaptureView {
    const char* name;
    const double* x;
    const std::uint16_t *a, *b;
    const std::uint16_t *thresholdA = nullptr, *thresholdB = nullptr;  // empty cells without
};
std::string FormatCaptureCsv(std::span<const CaptureView> captures, std::size_t points);

// The statistics window's figures as two tables a blank line apart (and
// after the captures' table by another): one row per figure (an undefined one with an empty cell), then the
// histogram, one row per bin with the pixels it counts (the outer bins open
// towards their side).
std::string FormatStatisticsCsv(const FrameStats& stats);

}  // namespace core
