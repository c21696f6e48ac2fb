// The linearisation file: the sensor's 2048-word table as plain ASCII, one
// signed decimal number per line, in table order, without a header.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/frame.h"

namespace core {

using LinFileValues = std::array<std::int16_t, kLinTableWords>;

// Reads a linearisation file. Accepts CR LF or LF line ends and blanks around
// the numbers, with or without a sign. Anything but exactly 2048 decimal
// numbers in -32768..32767 is refused whole (false, `values` untouched): a
// table cut short or padded would be flashed into the sensor shifted.
bool ParseLinFile(std::string_view text, LinFileValues& values);

// The flash word of a file value: the value + 32767 in 16 bits, so that -32767
// is 0, 0 is 32767, 32767 is 65534 and -32768 wraps to 65535.
constexpr std::uint16_t LinTableWord(std::int16_t value) {
    return static_cast<std::uint16_t>(value + 32767);
}

}  // namespace core
