// The parameter file: the 45 data words of the three parameter pages as plain
// ASCII, one unsigned decimal number per line, each right-aligned in a field
// of 10 characters, lines ending CR LF as the Windows versions wrote them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

inline constexpr std::size_t kParamFileValues = 45;
using ParamFileValues = std::array<std::uint32_t, kParamFileValues>;

std::string FormatParamFile(const ParamFileValues& values);

// Reads a parameter file. Accepts CR LF or LF line ends and blanks around the
// numbers. Anything but exactly 45 unsigned decimal numbers is rejected as a
// whole (false, `values` untouched). A number above 65535 is kept as read;
// the loader takes its low 16 bits, which is what a page word can carry.
bool ParseParamFile(std::string_view text, ParamFileValues& values);

}  // namespace core
