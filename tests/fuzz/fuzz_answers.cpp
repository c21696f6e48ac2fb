// Answers off the line: a 36-byte frame decoded as the receive callback does,
// and every rule that its words and a fetched parameter set feed. The checks
// are what the panels rely on, whatever the sensor sent.
#include <algorithm>
#include <array>

#include "core/frame.h"
#include "core/rules.h"
#include "core/texts.h"
#include "fuzz_check.h"

using namespace core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The frame, the 52 words of a parameter set, then the reported virtual
    // pixel count, ADC full scale and the previous target; missing bytes read 0.
    std::array<std::uint8_t, kFrameLen + 2 * kParamCount + 6> in{};
    std::copy_n(data, std::min(size, in.size()), in.begin());
    const std::uint8_t* const tail = in.data() + kFrameLen + 2 * kParamCount;

    std::array<std::uint16_t, kPPWords> pp{};
    pp[15] = 0xA5A5;
    const int raw = GetRxBuf(std::span(in).first<kFrameLen>(), pp);
    FUZZ_CHECK(raw == (GetWordBE(&in[2]) == kCmdRaw) && (raw || pp[15] == 0xA5A5));
    const RawValues v = DecodeRaw(pp);
    FUZZ_CHECK(static_cast<std::uint32_t>(v.umValue) == (pp[3] | std::uint32_t{pp[4]} << 16));

    std::array<std::uint16_t, kParamCount> p{};
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = GetWordBE(&in[kFrameLen + 2 * i]);
    const std::uint16_t cvp = NormaliseVirtPixels(GetWordBE(tail));
    const std::uint16_t adcMax = ScaleFor(1, GetWordBE(tail + 2), cvp).adcMax;
    const std::uint16_t previous = GetWordBE(tail + 4);

    // Before the limits: an unknown mode keeps the previous target.
    auto unlimited = p;
    const Derived u = DeriveTarget(unlimited, cvp, v.poti, previous);
    FUZZ_CHECK((p[kEvalMode] <= 4 || u.tVal == previous) && WithinTolerance(u.tVal, u));

    LimitParameters(p, cvp);
    const auto once = p;
    LimitParameters(p, cvp);
    FUZZ_CHECK(p == once);
    FUZZ_CHECK(p[kEvalMode] <= 4 && p[kTeachA] <= cvp && p[kTeachB] <= cvp && p[kTolUpPix] <= cvp &&
               p[kTolLoPix] <= cvp && p[kPixStartA] <= cvp && p[kPixEndB] <= cvp && p[kVideoThdA] <= 255);

    const std::uint16_t mode = p[kEvalMode];
    const EvalModeView view = EvalModeRule(mode, p[kTeachA], p[kTeachB], cvp);
    const Derived d = DeriveTarget(p, cvp, v.poti, previous);
    FUZZ_CHECK(view.valid && view.tVal == d.tVal && WithinTolerance(d.tVal, d));
    FUZZ_CHECK(mode != 2 || (p[kTolUpPix] > 0 && p[kTolLoPix] > 0));

    const ThresholdLines t = ComputeThresholds(p, adcMax, cvp);
    FUZZ_CHECK(t.loA <= t.refA && t.refA <= t.upA && t.upA <= cvp);
    FUZZ_CHECK(t.loB <= t.refB && t.refB <= t.upB && t.upB <= cvp);

    const auto posA = std::clamp<std::uint16_t>(v.Aval, 1, cvp),
               posB = std::clamp<std::uint16_t>(v.Bval, 1, cvp);
    const Bands b =
        ToleranceBands({mode, posA, posB, p[kTeachA], p[kTeachB], d.tolup, d.tollo, v.edcntA, v.edcntB, cvp});
    FUZZ_CHECK(b.master.drawn == (mode != 0) && b.slave.drawn == (mode != 1));
    for (const Band& band : {b.master, b.slave})  // modes 3 and 4 are not clamped
        FUZZ_CHECK(!band.drawn || mode > 2 || (band.lo >= 0 && band.hi <= cvp));
    return 0;
}
