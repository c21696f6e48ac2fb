// Parameter file: 45 unsigned decimal words, one per line, 10-character fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/paramfile.h"

namespace {

core::ParamFileValues Sentinel() {
    core::ParamFileValues v;
    v.fill(0xDEADBEEF);
    return v;
}

core::ParamFileValues Counting() {
    core::ParamFileValues v;
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<std::uint32_t>(i * 1000 + 7);
    return v;
}

// The values one per line with `eol`; the line at `index` replaced by `replacement`.
std::string Lines(const core::ParamFileValues& v, const std::string& eol = "\r\n", std::size_t index = 99,
                  const std::string& replacement = "") {
    std::string s;
    for (std::size_t i = 0; i < v.size(); ++i)
        s += (i == index ? replacement : std::to_string(v[i])) + eol;
    return s;
}

}  // namespace

TEST(FormatParamFile, FortyFiveRightAlignedTenCharacterFieldsEndingCrLfThatParseBack) {
    core::ParamFileValues v = Counting();
    v[0] = 0;
    v[2] = 65535;
    v[44] = 4294967295u;
    const std::string text = core::FormatParamFile(v);
    ASSERT_EQ(text.size(), 45u * 12u);
    EXPECT_EQ(text.substr(0, 24), "         0\r\n      1007\r\n");
    EXPECT_EQ(text.substr(24, 12), "     65535\r\n");
    EXPECT_EQ(text.substr(44 * 12), "4294967295\r\n");
    core::ParamFileValues back = Sentinel();
    ASSERT_TRUE(core::ParseParamFile(text, back));
    EXPECT_EQ(back, v);
}

TEST(ParseParamFile, AcceptsLfCrLfAndBlanksAroundNumbersAndKeepsValuesAbove65535) {
    core::ParamFileValues v = Counting();
    v[18] = 70000;  // the loader takes the low 16 bits, 4464, not a clamp
    std::string padded;
    for (std::size_t i = 0; i < v.size(); ++i)
        padded +=
            (i % 2 ? "\t " : "   ") + std::to_string(v[i]) + (i % 3 ? "  \t" : "") + (i % 2 ? "\r\n" : "\n");
    for (const std::string& text : {Lines(v, "\n"), Lines(v), padded}) {
        core::ParamFileValues out = Sentinel();
        EXPECT_TRUE(core::ParseParamFile(text, out));
        EXPECT_EQ(out, v);
    }
}

TEST(ParseParamFile, DamagedFileIsRejectedWholeAndLeavesTheOutputAlone) {
    const core::ParamFileValues v = Counting();
    // 44 numbers; 45 lines with the last one blank; 46 numbers; signs, letters, points and commas.
    const std::string fewer = Lines(v).substr(0, Lines(v).rfind("44007"));
    std::vector<std::string> damaged = {"", "\r\n\r\n   \n", fewer, fewer + "\r\n", Lines(v) + "5\r\n"};
    for (auto [line, text] :
         {std::pair{10, "12a"}, {44, "abc"}, {0, "-5"}, {1, "+5"}, {20, "1.5"}, {30, "0x10"}, {40, "1,5"}})
        damaged.push_back(Lines(v, "\r\n", line, text));
    for (const std::string& text : damaged) {
        core::ParamFileValues out = Sentinel();
        EXPECT_FALSE(core::ParseParamFile(text, out)) << "accepted: [" << text << "]";
        EXPECT_EQ(out, Sentinel()) << "output changed by: [" << text << "]";
    }
}
