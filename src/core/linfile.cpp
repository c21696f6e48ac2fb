#include "core/linfile.h"

#include "core/tokens.h"

namespace core {

bool ParseLinFile(std::string_view text, LinFileValues& values) {
    LinFileValues parsed{};
    std::size_t count = 0;
    const bool read = ForEachToken(text, [&](std::string_view token) {
        if (count == parsed.size())
            return false;  // more than 2048 numbers
        const bool negative = token.front() == '-';
        if (negative || token.front() == '+')
            token.remove_prefix(1);
        if (token.empty())
            return false;  // a lone sign
        long v = 0;
        for (char c : token) {
            if (c < '0' || c > '9')
                return false;  // letters, decimal points: not a table
            v = v * 10 + (c - '0');
            if (v > 32768)
                return false;  // out of range, and no overflow however long the number
        }
        v = negative ? -v : v;
        if (v > 32767)
            return false;
        parsed[count++] = static_cast<std::int16_t>(v);
        return true;
    });
    if (!read || count != parsed.size())
        return false;
    values = parsed;
    return true;
}

}  // namespace core
