// The number files of the program (parameter file, linearisation table)
// share one layout: numbers separated by blanks and line ends, CR LF or LF.
#pragma once

#include <string_view>

namespace core {

// Calls take(token) for every run of characters between blanks (space, tab,
// CR, LF), in order. Stops with false as soon as take returns false.
template <typename Take>
bool ForEachToken(std::string_view text, Take take) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    for (std::size_t i = 0; i < text.size();) {
        if (blank(text[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && !blank(text[i]))
            ++i;
        if (!take(text.substr(start, i - start)))
            return false;
    }
    return true;
}

}  // namespace core
