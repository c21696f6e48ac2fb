// Parameter file: 45 unsigned decimal words, one per line, 10-character fields.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "core/frame.h"
#include "core/paramfile.h"

namespace {

using Set = std::array<std::uint16_t, core::kParamCount>;

core::ParamFileValues Sentinel() {
    core::ParamFileValues v;
    v.fill(0xDEADBEEF);
    return v;
}

// 45 lines, each number on its own line with the given line end.
std::string Lines(const core::ParamFileValues& values, const std::string& eol) {
    std::string s;
    for (std::uint32_t v : values)
        s += std::to_string(v) + eol;
    return s;
}

core::ParamFileValues Counting() {
    core::ParamFileValues v;
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<std::uint32_t>(i * 1000 + 7);
    return v;
}

// What saving does: the three pages, word by word, zero-extended.
core::ParamFileValues ValuesFromSet(const Set& p) {
    core::ParamFileValues v{};
    for (std::uint16_t page = 0; page < 3; ++page) {
        std::array<std::uint16_t, 16> pp{};
        core::CopyVarsToPP(p.data(), page, pp.data());
        for (std::size_t w = 0; w < 15; ++w)
            v[15 * page + w] = pp[w];
    }
    return v;
}

// What loading does: each value cut to 16 bits, page by page into the set.
void ValuesIntoSet(const core::ParamFileValues& v, Set& p) {
    for (std::uint16_t page = 0; page < 3; ++page) {
        std::array<std::uint16_t, 16> pp{};
        for (std::size_t w = 0; w < 15; ++w)
            pp[w] = static_cast<std::uint16_t>(v[15 * page + w]);
        core::CopyPPtoVars(p.data(), page, pp.data());
    }
}

}  // namespace

TEST(FormatParamFile, FortyFiveRightAlignedTenCharacterFieldsEndingCrLf) {
    core::ParamFileValues v{};
    v[0] = 0;
    v[1] = 7;
    v[2] = 65535;
    v[3] = 37000;
    v[44] = 4294967295u;
    const std::string text = core::FormatParamFile(v);
    ASSERT_EQ(text.size(), 45u * 12u);
    for (std::size_t k = 0; k < 45; ++k) {
        const std::string line = text.substr(12 * k, 12);
        EXPECT_EQ(line.substr(10), "\r\n") << "line " << k + 1;
        const std::string field = line.substr(0, 10);
        const std::string digits = std::to_string(v[k]);
        EXPECT_EQ(field, std::string(10 - digits.size(), ' ') + digits) << "line " << k + 1;
    }
    EXPECT_EQ(text.substr(0, 12), "         0\r\n");
    EXPECT_EQ(text.substr(24, 12), "     65535\r\n");
    EXPECT_EQ(text.substr(44 * 12), "4294967295\r\n");
}

TEST(ParamFile, FormattedFileParsesBackToTheSameValues) {
    for (const core::ParamFileValues& v :
         {Counting(), core::ParamFileValues{}, [] {
              core::ParamFileValues m;
              m.fill(65535);
              return m;
          }()}) {
        core::ParamFileValues back = Sentinel();
        ASSERT_TRUE(core::ParseParamFile(core::FormatParamFile(v), back));
        EXPECT_EQ(back, v);
    }
}

TEST(ParamFile, SaveAndLoadRestoresEveryFrameWordOfTheSet) {
    Set original{};
    for (std::size_t i = 0; i < original.size(); ++i)
        original[i] = static_cast<std::uint16_t>(0xF000 ^ (i * 1237));
    core::Put32(original.data(), core::kCalibRef, 0x89ABCDEFu);
    core::Put32(original.data(), core::kCalibA, 0x00010600u);
    core::Put32(original.data(), core::kSetpointB, 0xFFFF0001u);

    const core::ParamFileValues saved = ValuesFromSet(original);
    // Lines 14/15, 27/28, 44/45 carry the 32-bit halves, low word first.
    EXPECT_EQ(saved[13], 0xCDEFu);
    EXPECT_EQ(saved[14], 0x89ABu);
    EXPECT_EQ(saved[26], 0x0600u);
    EXPECT_EQ(saved[27], 0x0001u);
    EXPECT_EQ(saved[43], 0x0001u);
    EXPECT_EQ(saved[44], 0xFFFFu);

    core::ParamFileValues parsed = Sentinel();
    ASSERT_TRUE(core::ParseParamFile(core::FormatParamFile(saved), parsed));
    EXPECT_EQ(parsed, saved);

    // Loading into a different set restores every paged entry; the entries
    // that no page carries keep what the target set had.
    Set loaded{};
    for (std::size_t i = 0; i < loaded.size(); ++i)
        loaded[i] = 0x1111;
    ValuesIntoSet(parsed, loaded);
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        const bool unpaged = i <= 3 || i == 17 || i == 31 || i == 47;
        EXPECT_EQ(loaded[i], unpaged ? 0x1111 : original[i]) << "index " << i;
    }
}

TEST(ParseParamFile, AcceptsLfCrLfAndBlanksAroundNumbers) {
    const core::ParamFileValues v = Counting();
    for (const std::string eol : {"\n", "\r\n"}) {
        core::ParamFileValues out = Sentinel();
        EXPECT_TRUE(core::ParseParamFile(Lines(v, eol), out));
        EXPECT_EQ(out, v);
    }
    std::string padded;
    for (std::size_t i = 0; i < v.size(); ++i)
        padded += (i % 2 ? "\t " : "   ") + std::to_string(v[i]) + (i % 3 ? "  \t" : "") +
                  (i % 2 ? "\r\n" : "\n");
    core::ParamFileValues out = Sentinel();
    EXPECT_TRUE(core::ParseParamFile(padded, out));
    EXPECT_EQ(out, v);
}

TEST(ParseParamFile, ValueAbove65535IsKeptAndItsLow16BitsAreTheWord) {
    core::ParamFileValues v = Counting();
    v[18] = 70000;
    core::ParamFileValues out = Sentinel();
    ASSERT_TRUE(core::ParseParamFile(Lines(v, "\r\n"), out));
    EXPECT_EQ(out[18], 70000u);
    EXPECT_EQ(static_cast<std::uint16_t>(out[18]), 4464);

    Set p{};
    ValuesIntoSet(out, p);
    EXPECT_EQ(p[core::kTeachA], 4464);
}

TEST(ParseParamFile, DamagedFileIsRejectedWholeAndLeavesTheOutputAlone) {
    const core::ParamFileValues v = Counting();
    const std::string good = Lines(v, "\r\n");

    std::string fewer;  // 44 numbers
    for (std::size_t i = 0; i < 44; ++i)
        fewer += std::to_string(v[i]) + "\r\n";
    const std::string more = good + "5\r\n";  // 46 numbers

    auto withLine = [&](std::size_t index, const std::string& replacement) {
        std::string s;
        for (std::size_t i = 0; i < v.size(); ++i)
            s += (i == index ? replacement : std::to_string(v[i])) + "\r\n";
        return s;
    };

    const std::string damaged[] = {
        "",
        "\r\n\r\n   \n",
        fewer,
        fewer + "\r\n",            // 45 lines, the last one blank
        more,
        withLine(10, "12a"),
        withLine(44, "abc"),
        withLine(0, "-5"),
        withLine(20, "1.5"),
        withLine(30, "0x10"),
        withLine(40, "1,5"),
    };
    for (const std::string& text : damaged) {
        core::ParamFileValues out = Sentinel();
        EXPECT_FALSE(core::ParseParamFile(text, out)) << "accepted: [" << text << "]";
        EXPECT_EQ(out, Sentinel()) << "output changed by: [" << text << "]";
    }
}
