// Parameter file: 45 unsigned decimal words, one per line, 10-character fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/paramfile.h"

// The values one per line ending CR LF; the line at `index` replaced by `replacement`.
static std::string Lines(const core::ParamFileValues& v, std::size_t index = 99,
                         const std::string& replacement = "") {
    std::string s;
    for (std::size_t i = 0; i < v.size(); ++i)
        s += (i == index ? replacement : std::to_string(v[i])) + "\r\n";
    return s;
}

// Written right-aligned ending CR LF; read back from that and from LF lines
// mixed with CR LF ones, blanks around the numbers, keeping values above 65535.
// A damaged file is refused whole and leaves the values as they were.
TEST(ParamFile, TenCharacterFieldsReadBackWithLfAndBlanksAndADamagedFileIsRejectedWhole) {
    core::ParamFileValues v, untouched;
    untouched.fill(0xDEADBEEF);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<std::uint32_t>(i * 1000 + 7);
    // Line 19 beyond 16 bits: the loader takes the low 16 bits, 4464, not a clamp.
    std::tie(v[0], v[2], v[18], v[44]) = std::tuple(0u, 65535u, 70000u, 4294967295u);
    const std::string text = core::FormatParamFile(v);
    ASSERT_EQ(text.size(), 45u * 12u);
    EXPECT_EQ(text.substr(0, 36), "         0\r\n      1007\r\n     65535\r\n");
    EXPECT_EQ(text.substr(44 * 12), "4294967295\r\n");
    std::string padded;  // LF and CR LF lines, blanks and tabs around the numbers
    for (std::size_t i = 0; i < v.size(); ++i)
        padded +=
            (i % 2 ? "\t " : "   ") + std::to_string(v[i]) + (i % 3 ? "  \t" : "") + (i % 2 ? "\r\n" : "\n");
    for (const std::string& file : {text, padded}) {
        core::ParamFileValues out = untouched;
        EXPECT_TRUE(core::ParseParamFile(file, out));
        EXPECT_EQ(out, v);
    }

    // 44 numbers; 45 lines with the last one blank; 46 numbers; signs, letters, points and commas.
    const std::string fewer = Lines(v).substr(0, Lines(v).rfind("4294967295"));
    std::vector<std::string> damaged = {"", "\r\n\r\n   \n", fewer, fewer + "\r\n", Lines(v) + "5\r\n"};
    for (auto [line, bad] :
         {std::pair{10, "12a"}, {44, "abc"}, {0, "-5"}, {1, "+5"}, {20, "1.5"}, {30, "0x10"}, {40, "1,5"}})
        damaged.push_back(Lines(v, line, bad));
    for (const std::string& file : damaged) {
        core::ParamFileValues out = untouched;
        EXPECT_FALSE(core::ParseParamFile(file, out)) << "accepted: [" << file << "]";
        EXPECT_EQ(out, untouched) << "output changed by: [" << file << "]";
    }
}
