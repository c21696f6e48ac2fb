#include "core/compare.h"

namespace core {

SetWords SetWordsOf(std::span<const std::uint16_t, kParamCount> parameter) {
    SetWords words{};
    std::uint16_t page[kPPWords] = {};
    for (std::uint16_t p = 0; p < 3; ++p) {
        CopyVarsToPP(parameter, p, page);
        for (std::size_t w = 0; w < kPageWords; ++w)
            words[p * kPageWords + w] = page[w];
    }
    return words;
}

std::string SetWordName(std::size_t k) {
    // Page 0 is the general page; the channel pages differ only in the
    // channel's letter, written '#' here.
    static constexpr const char* kNames[2][kPageWords] = {
        {"evalMode", "modeSelect", "anaMode", "hardwareMode", "countSetting", "flagSetting", "tolLoPix",
         "tolUpPix", nullptr, nullptr, nullptr, nullptr, nullptr, "calibRef (low)", "calibRef (high)"},
        {"pmodeVal#", "pmode#", "videoThd#", "teach#", "pixStart#", "pixEnd#", "gain#", "trigThd#", nullptr,
         nullptr, nullptr, "calib# (low)", "calib# (high)", "setpoint# (low)", "setpoint# (high)"}};
    if (k >= kSetWords)
        return "";
    const std::size_t page = k / kPageWords, word = k % kPageWords;
    const char* name = kNames[page == 0 ? 0 : 1][word];
    if (!name)
        return "spare " + std::to_string(page) + "/" + std::to_string(word);
    std::string s = name;
    if (const std::size_t at = s.find('#'); at != std::string::npos)
        s[at] = page == 1 ? 'A' : 'B';
    return s;
}

Difference Compare(const SetWords& a, const SetWords& b) {
    Difference d;
    for (std::size_t k = 0; k < kSetWords; ++k)
        if (a[k] != b[k] && d.count++ == 0)
            d.first = static_cast<int>(k);
    return d;
}

std::string VerifyText(const Difference& d) {
    if (d.count == 0)
        return "Parameter-frames verified!";
    return "Verify failed: " + std::to_string(d.count) +
           " words differ (first: " + SetWordName(static_cast<std::size_t>(d.first)) + ")";
}

}  // namespace core
