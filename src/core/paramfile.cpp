#include "core/paramfile.h"

#include <cstdio>

namespace core {

std::string FormatParamFile(const ParamFileValues& values) {
    std::string out;
    out.reserve(values.size() * 12);
    char line[32];
    for (std::uint32_t v : values) {
        std::snprintf(line, sizeof line, "%10u\r\n", static_cast<unsigned>(v));
        out += line;
    }
    return out;
}

bool ParseParamFile(std::string_view text, ParamFileValues& values) {
    ParamFileValues parsed{};
    std::size_t count = 0;
    std::size_t i = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < text.size()) {
        if (blank(text[i])) {
            ++i;
            continue;
        }
        if (count == parsed.size())
            return false;  // more than 45 numbers
        std::uint32_t v = 0;
        std::size_t digits = 0;
        while (i < text.size() && !blank(text[i])) {
            const char c = text[i++];
            if (c < '0' || c > '9')
                return false;  // signs, letters, decimal points: not our file
            // Modulo 2^32 keeps the low 16 bits exact however long the number.
            v = v * 10u + static_cast<std::uint32_t>(c - '0');
            ++digits;
        }
        if (digits == 0)
            return false;
        parsed[count++] = v;
    }
    if (count != parsed.size())
        return false;
    values = parsed;
    return true;
}

}  // namespace core
