// Texts off the line: the firmware answer of both board kinds, the hardware
// description's CCD information, and the status line buffer they end up in.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "core/frame.h"
#include "core/texts.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A 72-byte firmware answer, then CCD and hardware type; missing bytes read 0.
    std::array<std::uint8_t, core::kFirmwareLen + 4> in{};
    std::copy_n(data, std::min(size, in.size()), in.begin());
    const auto bytes = std::span(in).first<core::kFirmwareLen>();
    const auto* const plain = reinterpret_cast<const char*>(in.data());
    FUZZ_CHECK(core::DecodeFirmware(bytes, 1) == std::string(plain, strnlen(plain, core::kFirmwareLen)));
    std::string low;  // word-wise: the low byte of each word, up to the first zero one
    for (std::size_t i = 1; i < core::kFirmwareLen && in[i] != 0; i += 2)
        low += static_cast<char>(in[i]);
    FUZZ_CHECK(core::DecodeFirmware(bytes, 0) == low);

    const std::uint16_t ccd = core::GetWordBE(&in[core::kFirmwareLen]);
    const core::CcdInfo info = core::DescribeCcd(ccd, core::GetWordBE(&in[core::kFirmwareLen + 2]));
    FUZZ_CHECK(info.knownCcd == (ccd == 1 || ccd == 4) && info.knownCcd == !info.gainLow.empty());

    // The whole input as a C string (or none) into a buffer of a capacity it
    // chooses; the 16 bytes past capacity and terminator must stay as they were.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* const source = in[1] == 0xFF ? nullptr : text.c_str();
    const std::size_t capacity = in[0] % 100, n = source ? std::min(std::strlen(source), capacity) : 0;
    std::string status(capacity + 1 + 16, '\x7F');
    core::CopyStatus(status.data(), capacity, source);
    FUZZ_CHECK(status.compare(0, n, text, 0, n) == 0 && status[n] == '\0' &&
               status.substr(capacity + 1) == std::string(16, '\x7F'));
    return 0;
}
