// The rules between the parameter set and what the panels show: limits of a
// received set, the calibration conversion, the evaluation-mode view, the
// threshold lines, the target and tolerance derivation, the tolerance test and
// the tolerance bands, and the recorder's total time. Numbers in, numbers out.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "core/frame.h"

namespace core {

// Holds a received set displayable: each entry outside its range gets its
// fallback (channel A before channel B). `cvp` is the virtual pixel count.
void LimitParameters(std::span<std::uint16_t, kParamCount> parameter, std::uint16_t cvp);

// Scale factor shown in µm per pixel <-> the 32-bit entry (factor x 1024).
// The entry is the control value x 1024 truncated; values outside the
// entry's range clamp to it.
std::uint32_t CalibFromControl(double value);
float CalibToControl(std::uint32_t entry);

// What the evaluation mode means for the panels after a fetch.
struct EvalModeView {
    bool valid = false;  // modes 0..4; the limits make any other impossible
    std::uint16_t tVal = 0;
    bool dimTeachA = false, dimTeachB = false;
    std::uint16_t yAxisMax = 0;
};
EvalModeView EvalModeRule(std::uint16_t evalMode, std::uint16_t teachA, std::uint16_t teachB,
                          std::uint16_t cvp);

// Values of the threshold lines; every point of a line holds the same value.
struct ThresholdLines {
    std::uint16_t thdA, thdB;  // video threshold, from percent of ADC full scale
    std::uint16_t trgA, trgB;  // trigger threshold
    std::uint16_t refA, refB;  // teach value
    std::uint16_t upA, upB;    // teach + upper tolerance, at most cvp
    std::uint16_t loA, loB;    // teach - lower tolerance, at least 0
};
ThresholdLines ComputeThresholds(std::span<const std::uint16_t, kParamCount> parameter, std::uint16_t adcMax,
                                 std::uint16_t cvp);

// The tolerance lines around a teach value: teach - lower tolerance, at
// least 0, and teach + upper tolerance, at most cvp. Worked out in full
// integers, so a large tolerance never wraps a line to the far side.
struct TeachBand {
    std::uint16_t lo, up;
};
TeachBand TeachLines(std::uint16_t teach, std::uint16_t tolLo, std::uint16_t tolUp, std::uint16_t cvp);

// What choosing an evaluation mode on the panel does before anything is sent:
// which teach fields are dimmed, whether cursor 2 of the bar graphs loses its
// marker, and the strip chart's axis maximum (twice the pixels when the
// combined modes show both traces).
struct EvalModeControls {
    bool dimTeachA, dimTeachB;
    bool plainCursor;
    std::uint16_t yAxisMax;
};
EvalModeControls EvalModeControlRule(std::uint16_t evalMode, bool bothTraces, std::uint16_t cvp);

// Target value and tolerances in force for the live display. In mode 2 a zero
// tolerance entry is raised to 1 in `parameter` (the sensor's rule for the
// combined mode). A mode outside 0..4 leaves `tVal` as it was.
struct Derived {
    std::uint16_t tVal, tolup, tollo;
};
Derived DeriveTarget(std::span<std::uint16_t, kParamCount> parameter, std::uint16_t cvp, std::uint16_t poti,
                     std::uint16_t previousTVal);

// True when `value` lies within tVal - tollo .. tVal + tolup, limits
// included. The limits do not wrap: a target below the lower tolerance has
// the lower limit 0, and an upper limit past 65535 stays 65535, so the
// colour always agrees with the band drawn.
bool WithinTolerance(std::uint16_t value, const Derived& target);
// The two limits WithinTolerance judges by.
struct Limits {
    std::uint16_t lower, upper;
};
Limits ToleranceLimits(const Derived& target);

// Green tolerance band of each bar graph, edges in virtual pixels.
struct Band {
    bool drawn = false;
    double lo = 0, hi = 0;
};
struct Bands {
    Band master, slave;
};
struct BandInputs {
    std::uint16_t mode;        // evaluation mode
    std::uint16_t posA, posB;  // bar positions as drawn, held to 1..cvp
    std::uint16_t teachA, teachB;
    std::uint16_t tolup, tollo;    // tolerances in force (DeriveTarget)
    std::uint16_t edcntA, edcntB;  // mode 2 follows the spots only while both sensors see edges
    std::uint16_t cvp;
};
Bands ToleranceBands(const BandInputs& in);

// --- strip chart of the live values ---------------------------------------------------------

// Array routines that move the strip chart's history, with the run-time
// library's error codes: nothing to move, or a shift of the whole array.
inline constexpr int kArrayTooSmall = -20003;
inline constexpr int kShiftTooLarge = -20102;
// Copies n values of x into y in ascending order; kArrayTooSmall when n < 1.
int Copy1D(const double* x, int n, double* y);
// y = x moved by `shift` places (positive towards higher indices), vacated
// places 0.0; x and y may be the same array. On an error y is untouched.
int Shift(const double* x, int n, int shift, double* y);

// The analogue output value the sensor drives, by analogue output mode. An
// unknown mode shows the measured value, as mode 0 does.
std::uint16_t AnalogOutputValue(std::uint16_t anaMode, std::uint16_t mvalue, std::uint16_t anaMax,
                                std::uint16_t anaMin, std::uint16_t yAxisMax);

// Y range of the zoomed strip chart around the target, held to 1 .. yAxisMax - 1.
struct ZoomRange {
    int bottom, top;
};
ZoomRange StripZoom(const Derived& d, std::uint16_t mvalue, std::uint16_t yAxisMax);
// Y range of a zoomed video graph: a quarter of the converter's range centred
// on the threshold, moved (never narrowed) to stay within 0 .. adcMax.
ZoomRange VideoZoom(std::uint16_t threshold, std::uint16_t adcMax);
// Y range of a zoomed data graph: the lowest to the highest point of the
// curves, a tenth of that span (at least 5 pixels) added either side, held to
// 0 .. cvp; the whole axis when nothing of them lies on it.
ZoomRange DataZoom(std::initializer_list<std::span<const std::uint16_t>> curves, std::uint16_t cvp);

// The seven values of one strip-chart sample, traces 1 to 7: target, measured
// value, analogue output, upper and lower tolerance limit, peak A, peak B.
// The limits are held inside the chart: the upper one at most yAxisMax - 1,
// the lower one at least 1, also when the target lies below the lower tolerance.
inline constexpr int kStripTraces = 7;
inline constexpr int kStripSamples = 100;
struct LiveWords {
    std::uint16_t mvalue, analog, aval, bval;
};
std::array<double, kStripTraces> StripSample(const Derived& d, const LiveWords& live, std::uint16_t yAxisMax);

// Total recording time of `records` records `interval` seconds apart.
struct RecTime {
    std::uint32_t days, hours, minutes, seconds;
};
RecTime SplitRecTime(std::uint16_t interval, std::uint16_t records);

}  // namespace core
