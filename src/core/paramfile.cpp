#include "core/paramfile.h"

#include <cstdio>

#include "core/tokens.h"

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
    const bool read = ForEachToken(text, [&](std::string_view token) {
        if (count == parsed.size())
            return false;  // more than 45 numbers
        std::uint32_t v = 0;
        for (char c : token) {
            if (c < '0' || c > '9')
                return false;  // signs, letters, decimal points: not our file
            // Modulo 2^32 keeps the low 16 bits exact however long the number.
            v = v * 10u + static_cast<std::uint32_t>(c - '0');
        }
        parsed[count++] = v;
        return true;
    });
    if (!read || count != parsed.size())
        return false;
    values = parsed;
    return true;
}

}  // namespace core
