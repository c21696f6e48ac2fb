#include "core/frame.h"

namespace core {

int PageEntryIndex(std::uint16_t page, std::size_t word) {
    if (page > 2 || word >= kPageWords)
        return -1;
    // Each page skips one unused entry: 17 after word 12 on page 0, 31 and 47
    // after word 10 on pages 1 and 2.
    if (page == 0)
        return static_cast<int>(word <= 12 ? 4 + word : 5 + word);
    const std::size_t base = page == 1 ? 20 : 36;
    return static_cast<int>(word <= 10 ? base + word : base + word + 1);
}

void CopyVarsToPP(std::span<const std::uint16_t, kParamCount> parameter, std::uint16_t page,
                  std::span<std::uint16_t, kPPWords> pp) {
    if (page > 2)
        return;
    for (std::size_t w = 0; w < kPageWords; ++w)
        pp[w] = parameter[PageEntryIndex(page, w)];
}

void CopyPPtoVars(std::span<std::uint16_t, kParamCount> parameter, std::uint16_t page,
                  std::span<const std::uint16_t, kPageWords> words) {
    if (page > 2)
        return;
    for (std::size_t w = 0; w < kPageWords; ++w)
        parameter[PageEntryIndex(page, w)] = words[w];
}

void FillTxBuf(std::span<std::uint8_t, kFrameLen> frame, std::uint16_t command, std::uint16_t second,
               std::span<const std::uint16_t, kPageWords> words) {
    std::uint8_t* const f = frame.data();
    PutWordBE(f, kRequestSync);
    PutWordBE(f + 2, command);
    PutWordBE(f + 4, second);
    for (std::size_t i = 0; i < kPageWords; ++i)
        PutWordBE(f + 6 + 2 * i, words[i]);
}

int GetRxBuf(std::span<const std::uint8_t, kFrameLen> frame, std::span<std::uint16_t, kPPWords> pp) {
    const std::uint8_t* const f = frame.data();
    if (GetWordBE(f + 2) == kCmdRaw) {
        for (std::size_t i = 0; i < kPPWords; ++i)
            pp[i] = GetWordBE(f + 4 + 2 * i);
        return 1;
    }
    for (std::size_t i = 0; i < kPageWords; ++i)
        pp[i] = GetWordBE(f + 6 + 2 * i);
    return 0;
}

RawValues DecodeRaw(std::span<const std::uint16_t, kPPWords> pp) {
    RawValues r{};
    r.Aval = pp[0];
    r.Bval = pp[1];
    r.Mvalue = pp[2];
    r.umValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(pp[3]) |
                                          (static_cast<std::uint32_t>(pp[4]) << 16));
    r.poti = pp[5];
    r.edcntA = pp[6];
    r.edcntB = pp[7];
    r.peakwA = pp[8];
    r.peakwB = pp[9];
    r.anaMax = pp[10];
    r.anaMin = pp[11];
    r.teachA = pp[12];
    r.teachB = pp[13];
    r.raw15 = pp[14];
    r.instate = pp[15];
    return r;
}

}  // namespace core
