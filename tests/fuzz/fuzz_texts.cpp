// Texts off the line: the firmware answer of both board kinds, the hardware
// description's CCD information, and the status line buffer they end up in.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/frame.h"
#include "core/texts.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::uint8_t, core::kFirmwareLen + 4> in{};
    std::copy_n(data, std::min(size, in.size()), in.begin());
    const auto bytes = std::span(in).first<core::kFirmwareLen>();

    const std::string plain = core::DecodeFirmware(bytes, 1);
    const auto zero = std::find(bytes.begin(), bytes.end(), 0);
    FUZZ_CHECK(plain.size() == static_cast<std::size_t>(zero - bytes.begin()) &&
               std::memcmp(plain.data(), in.data(), plain.size()) == 0);
    const std::string words = core::DecodeFirmware(bytes, 0);  // ends at the first zero low byte
    FUZZ_CHECK(words.size() == core::kFirmwareLen / 2 || in[2 * words.size() + 1] == 0);
    for (std::size_t i = 0; i < words.size(); ++i)
        FUZZ_CHECK(static_cast<std::uint8_t>(words[i]) == in[2 * i + 1]);

    const std::uint16_t ccd = core::GetWordBE(&in[core::kFirmwareLen]);
    const core::CcdInfo info = core::DescribeCcd(ccd, core::GetWordBE(&in[core::kFirmwareLen + 2]));
    FUZZ_CHECK(info.knownCcd == (ccd == 1 || ccd == 4) && info.knownCcd == !info.gainLow.empty());
    FUZZ_CHECK(std::none_of(std::begin(info.lines), std::end(info.lines), [](auto& l) { return l.empty(); }));

    // The whole input as a C string into a buffer of a capacity it chooses,
    // followed by guard bytes that must stay as they were.
    constexpr std::size_t kGuard = 16;
    const std::size_t capacity = in[0] % 100;
    std::vector<char> status(capacity + 1 + kGuard, '\x7F');
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool null = in[1] == 0xFF;
    core::CopyStatus(status.data(), capacity, null ? nullptr : text.c_str());
    const std::size_t n = null ? 0 : std::min(std::strlen(text.c_str()), capacity);
    FUZZ_CHECK(status[n] == '\0' && std::memcmp(status.data(), text.c_str(), n) == 0);
    FUZZ_CHECK(std::all_of(status.begin() + static_cast<long>(capacity) + 1, status.end(),
                           [](char c) { return c == '\x7F'; }));
    return 0;
}
