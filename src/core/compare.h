// The 45 data words of the parameter set side by side: their names as the
// operator knows them, and what differs between two copies of the set (the
// panels, the sensor's RAM or EEPROM, a parameter file, the set just sent).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/frame.h"

namespace core {

inline constexpr std::size_t kSetWords = 3 * kPageWords;
// Word k is data word k % 15 of page k / 15: the order of the pages on the
// wire and of the lines of the parameter file.
using SetWords = std::array<std::uint16_t, kSetWords>;
SetWords SetWordsOf(std::span<const std::uint16_t, kParamCount> parameter);

// Entry name of word k: "teachA", "calibA (low)", "spare 0/9"; "" past the end.
std::string SetWordName(std::size_t k);

struct Difference {
    std::size_t count = 0;
    int first = -1;  // the lowest word that differs, -1 when none does
};
Difference Compare(const SetWords& a, const SetWords& b);

// The outcome of reading a sent set back: "Parameter-frames verified!" or
// "Verify failed: N words differ (first: <entry name>)".
std::string VerifyText(const Difference& d);

}  // namespace core
