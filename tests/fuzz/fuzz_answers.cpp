// Answers off the line: a 36-byte frame decoded as the sensor link does,
// and every rule that its words and a fetched parameter set feed. The checks
// are what the panels rely on, whatever the sensor sent; the exact decoding of
// the frame is the unit tests' business.
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
    GetRxBuf(std::span(in).first<kFrameLen>(), pp);
    const RawValues v = DecodeRaw(pp);
    std::array<std::uint16_t, kParamCount> p{};
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = GetWordBE(&in[kFrameLen + 2 * i]);
    const std::uint16_t cvp = NormaliseVirtPixels(GetWordBE(tail));

    // Any mode and tolerance, before the limits: the target lies within its own tolerance.
    const Derived u = DeriveTarget(p, cvp, v.poti, GetWordBE(tail + 4));
    FUZZ_CHECK(WithinTolerance(u.tVal, u));
    LimitParameters(p, cvp);
    const std::uint16_t mode = p[kEvalMode];
    const Derived d = DeriveTarget(p, cvp, v.poti, 0);
    FUZZ_CHECK(EvalModeRule(mode, p[kTeachA], p[kTeachB], cvp).tVal == d.tVal && WithinTolerance(d.tVal, d));

    const ThresholdLines t = ComputeThresholds(p, ScaleFor(1, GetWordBE(tail + 2), cvp).adcMax, cvp);
    FUZZ_CHECK(t.loA <= t.refA && t.refA <= t.upA && t.upA <= cvp && t.loB <= t.refB && t.refB <= t.upB &&
               t.upB <= cvp);
    const auto posA = std::clamp<std::uint16_t>(v.Aval, 1, cvp),
               posB = std::clamp<std::uint16_t>(v.Bval, 1, cvp);
    // The bands' edges are the unit tests' table; here they only run under the sanitizers.
    ToleranceBands({mode, posA, posB, p[kTeachA], p[kTeachB], d.tolup, d.tollo, v.edcntA, v.edcntB, cvp});
    return 0;
}
