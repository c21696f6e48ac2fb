// The export of the last captures: one CSV table, a header row and then one
// row per point of each capture (capture, index, x position, channel A,
// channel B, and the threshold lines where the capture has them), lines
// ending CR LF as spreadsheet programs expect.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace core {

struct CaptureView {
    const char* name;
    const double* x;
    const std::uint16_t *a, *b;
    const std::uint16_t *thresholdA = nullptr, *thresholdB = nullptr;  // empty cells without
};
std::string FormatCaptureCsv(std::span<const CaptureView> captures, std::size_t points);

}  // namespace core
