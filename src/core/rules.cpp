#include "core/rules.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/frame.h"

namespace core {
namespace {

void Limit(std::span<std::uint16_t, kParamCount> p, std::size_t i, std::uint16_t max,
           std::uint16_t fallback) {
    if (p[i] > max)
        p[i] = fallback;
}

std::uint16_t U16(int v) {
    return static_cast<std::uint16_t>(v & 0xFFFF);
}

}  // namespace

void LimitParameters(std::span<std::uint16_t, kParamCount> p, std::uint16_t cvp) {
    Limit(p, kEvalMode, 4, 1);
    Limit(p, kModeSelect, 3, 0);
    Limit(p, kAnaMode, 4, 0);
    Limit(p, kHardwareMode, 4, 1);
    Limit(p, kCountSetting, 2048, 1);
    Limit(p, kFlagSetting, 1, 1);
    Limit(p, kTolUpPix, cvp, cvp);
    Limit(p, kTolLoPix, cvp, cvp);
    for (std::size_t off : {std::size_t{0}, kPmodeValB - kPmodeValA}) {
        Limit(p, kPmodeValA + off, 1000, 500);
        Limit(p, kPmodeA + off, 1, 0);
        Limit(p, kVideoThdA + off, 255, 128);
        Limit(p, kTeachA + off, cvp, static_cast<std::uint16_t>(cvp / 2));
        Limit(p, kPixStartA + off, cvp, 1);
        Limit(p, kPixEndA + off, cvp, cvp);
        Limit(p, kGainA + off, 1, 0);
    }
}

std::uint32_t CalibFromControl(double value) {
    const double scaled = value * 1024.0;
    if (!(scaled > 0))  // also NaN
        return 0;
    if (scaled >= 4294967295.0)
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(scaled);
}

float CalibToControl(std::uint32_t entry) {
    return static_cast<float>(entry) / 1024.0f;
}

EvalModeView EvalModeRule(std::uint16_t evalMode, std::uint16_t teachA, std::uint16_t teachB,
                          std::uint16_t cvp) {
    const std::uint16_t twice = U16(2 * cvp);
    switch (evalMode) {
    case 0: return {true, teachB, true, false, cvp};
    case 1: return {true, teachA, false, true, cvp};
    case 2: return {true, U16(2 * cvp - (teachA + teachB)), false, false, twice};
    case 3: return {true, cvp, true, true, twice};
    case 4: return {true, cvp, false, false, twice};
    default: return {};
    }
}

TeachBand TeachLines(std::uint16_t teach, std::uint16_t tolLo, std::uint16_t tolUp, std::uint16_t cvp) {
    return {U16(std::max(int(teach) - int(tolLo), 0)), U16(std::min(int(teach) + int(tolUp), int(cvp)))};
}

EvalModeControls EvalModeControlRule(std::uint16_t evalMode, bool bothTraces, std::uint16_t cvp) {
    const std::uint16_t combined = bothTraces ? U16(2 * cvp) : cvp;
    switch (evalMode) {
    case 0: return {true, false, true, cvp};
    case 1: return {false, true, true, cvp};
    case 2: return {false, false, true, combined};
    case 3: return {true, true, false, combined};
    case 4: return {false, false, false, combined};
    default: return {false, true, false, cvp};
    }
}

ThresholdLines ComputeThresholds(std::span<const std::uint16_t, kParamCount> p, std::uint16_t adcMax,
                                 std::uint16_t cvp) {
    const TeachBand a = TeachLines(p[kTeachA], p[kTolLoPix], p[kTolUpPix], cvp);
    const TeachBand b = TeachLines(p[kTeachB], p[kTolLoPix], p[kTolUpPix], cvp);
    ThresholdLines t{};
    t.thdA = U16(int(adcMax) * int(p[kVideoThdA]) / 100);
    t.thdB = U16(int(adcMax) * int(p[kVideoThdB]) / 100);
    t.trgA = p[kTrigThdA];
    t.trgB = p[kTrigThdB];
    t.refA = p[kTeachA];
    t.refB = p[kTeachB];
    t.upA = a.up;
    t.upB = b.up;
    t.loA = a.lo;
    t.loB = b.lo;
    return t;
}

Derived DeriveTarget(std::span<std::uint16_t, kParamCount> p, std::uint16_t cvp, std::uint16_t poti,
                     std::uint16_t previousTVal) {
    Derived d{previousTVal, 0, 0};
    switch (p[kEvalMode]) {
    case 0: d.tVal = p[kTeachB]; break;
    case 1: d.tVal = p[kTeachA]; break;
    case 2:
        d.tVal = U16(2 * cvp - (p[kTeachA] + p[kTeachB]));
        if (p[kTolUpPix] == 0)
            p[kTolUpPix] = 1;
        if (p[kTolLoPix] == 0)
            p[kTolLoPix] = 1;
        break;
    case 3:
    case 4: d.tVal = cvp; break;
    default: break;
    }
    if (p[kHardwareMode] == 0 || p[kHardwareMode] == 2) {
        d.tolup = p[kTolUpPix];
        d.tollo = p[kTolLoPix];
    } else {
        d.tolup = d.tollo = poti;
    }
    return d;
}

Limits ToleranceLimits(const Derived& t) {
    return {static_cast<std::uint16_t>(std::max(int(t.tVal) - int(t.tollo), 0)),
            static_cast<std::uint16_t>(std::min(int(t.tVal) + int(t.tolup), 0xFFFF))};
}

bool WithinTolerance(std::uint16_t value, const Derived& t) {
    const Limits l = ToleranceLimits(t);
    return value >= l.lower && value <= l.upper;
}

Bands ToleranceBands(const BandInputs& in) {
    const std::uint16_t cvp = in.cvp;
    auto clamped = [cvp](int lo, int hi) {
        if (lo < 0)
            lo = 1;
        if (hi > int(cvp) - 1)
            hi = cvp;
        return Band{true, double(lo), double(hi)};
    };
    const int A = in.teachA, B = in.teachB, up = in.tolup, dn = in.tollo;
    const int posA = in.posA, posB = in.posB;
    Bands b;
    switch (in.mode) {
    case 0: b.slave = clamped(B - dn, B + up); break;
    case 1: b.master = clamped(A - dn, A + up); break;
    case 2:
        if (in.edcntA > 0 && in.edcntB > 0) {
            const int d = (A + B) - (posA + posB);
            b.master = clamped(posA + d / 2 - dn / 2, posA + d / 2 + up / 2);
            b.slave = clamped(posB + d / 2 - dn / 2, posB + d / 2 + up / 2);
        } else {
            b.master = clamped(A - dn / 2, A + up / 2);
            b.slave = clamped(B - dn / 2, B + up / 2);
        }
        break;
    case 3:
    case 4:
        // The deviation modes show how far the tolerances reach from the
        // line's end, so the bands start at pixel 1 and are not clamped.
        b.master = Band{true, 1.0, double(up)};
        b.slave = Band{true, 1.0, double(dn)};
        break;
    default: break;
    }
    return b;
}

RecTime SplitRecTime(std::uint16_t interval, std::uint16_t records) {
    std::uint32_t t = std::uint32_t(interval) * std::uint32_t(records);
    RecTime r{};
    r.days = t / 86400;
    t -= 86400 * r.days;
    r.hours = t / 3600;
    t -= 3600 * r.hours;
    r.minutes = t / 60;
    r.seconds = t - 60 * r.minutes;
    return r;
}

// --- strip chart ----------------------------------------------------------------------------

int Copy1D(const double* x, int n, double* y) {
    if (n < 1)
        return kArrayTooSmall;
    std::copy_n(x, n, y);
    return 0;
}

int Shift(const double* x, int n, int shift, double* y) {
    if (n < 1)
        return kArrayTooSmall;
    if (shift == 0)
        return Copy1D(x, n, y);
    if (shift >= n || shift <= -n)
        return kShiftTooLarge;
    // Copying in the direction of the move lets x and y be one array.
    if (shift > 0) {
        for (int i = n - 1; i >= shift; --i)
            y[i] = x[i - shift];
        std::fill_n(y, shift, 0.0);
    } else {
        const int s = -shift;
        for (int i = 0; i < n - s; ++i)
            y[i] = x[i + s];
        std::fill(y + (n - s), y + n, 0.0);
    }
    return 0;
}

std::uint16_t AnalogOutputValue(std::uint16_t anaMode, std::uint16_t mvalue, std::uint16_t anaMax,
                                std::uint16_t anaMin, std::uint16_t yAxisMax) {
    switch (anaMode) {
    case 1:
    case 3: return anaMax;
    case 2:
    case 4: return anaMin == U16(yAxisMax - 1) ? 1 : anaMin;
    default: return mvalue;
    }
}

ZoomRange StripZoom(const Derived& d, std::uint16_t mvalue, std::uint16_t yAxisMax) {
    const int t = d.tVal, m = mvalue;
    ZoomRange z{};
    if (d.tollo < 20 || d.tolup < 20) {
        z = {t - 20, t + 20};
        if (m > z.top)
            z.top = m + 40;
        if (m < z.bottom)
            z.bottom = m - 40;
    } else {
        z = {t - 2 * d.tollo, t + 2 * d.tolup};
        if (m > z.top)
            z.top = m + 100;
        if (m < z.bottom)
            z.bottom = m - 100;
    }
    z.top = std::min(z.top, yAxisMax - 1);
    z.bottom = std::max(z.bottom, 1);
    // A target beyond the axis leaves nothing to zoom into: show the whole axis.
    if (z.bottom >= z.top)
        z = {1, yAxisMax - 1};
    return z;
}

ZoomRange VideoZoom(std::uint16_t threshold, std::uint16_t adcMax) {
    const int width = std::max(adcMax / 4, 2);
    const int bottom = std::clamp(threshold - width / 2, 0, std::max(adcMax - width, 0));
    return {bottom, std::min(bottom + width, int(adcMax))};
}

ZoomRange DataZoom(std::initializer_list<std::span<const std::uint16_t>> curves, std::uint16_t cvp) {
    int lo = std::numeric_limits<int>::max(), hi = 0;
    for (std::span<const std::uint16_t> curve : curves)
        for (const std::uint16_t v : curve) {
            lo = std::min<int>(lo, v);
            hi = std::max<int>(hi, v);
        }
    if (lo > cvp)
        return {0, cvp};
    const int margin = std::max((hi - lo) / 10, 5);
    return {std::max(lo - margin, 0), std::min(hi + margin, int(cvp))};
}

std::array<double, kStripTraces> StripSample(const Derived& d, const LiveWords& live,
                                             std::uint16_t yAxisMax) {
    const int upper = std::min(int(d.tVal) + int(d.tolup), yAxisMax - 1);
    const int lower = std::max(int(d.tVal) - int(d.tollo), 1);
    return {double(d.tVal), double(live.mvalue), double(live.analog), double(upper),
            double(lower),  double(live.aval),   double(live.bval)};
}

}  // namespace core
