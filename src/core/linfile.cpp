#include "core/linfile.h"

namespace core {

bool ParseLinFile(std::string_view text, LinFileValues& values) {
    LinFileValues parsed{};
    std::size_t count = 0;
    std::size_t i = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < text.size()) {
        if (blank(text[i])) {
            ++i;
            continue;
        }
        if (count == parsed.size())
            return false;  // more than 2048 numbers
        bool negative = false;
        if (text[i] == '-' || text[i] == '+')
            negative = text[i++] == '-';
        long v = 0;
        std::size_t digits = 0;
        while (i < text.size() && !blank(text[i])) {
            const char c = text[i++];
            if (c < '0' || c > '9')
                return false;  // letters, decimal points, a lone sign: not a table
            v = v * 10 + (c - '0');
            if (v > 32768)
                return false;  // out of range, and no overflow however long the number
            ++digits;
        }
        if (digits == 0)
            return false;
        if (negative)
            v = -v;
        if (v > 32767)
            return false;
        parsed[count++] = static_cast<std::int16_t>(v);
    }
    if (count != parsed.size())
        return false;
    values = parsed;
    return true;
}

}  // namespace core
