// The linearisation file read for the flash, and the recorder file written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/linfile.h"
#include "core/recfile.h"

// 2048 values counting up from -32768 in steps of 32, then the line at
// `index` replaced by `replacement`; LF and CR LF line ends alternate.
static std::string Table(std::size_t index = 9999, const std::string& replacement = "") {
    std::string s;
    for (std::size_t i = 0; i < core::kLinTableWords; ++i)
        s += (i == index ? replacement : std::to_string(int(i) * 32 - 32768)) + (i % 2 ? "\r\n" : "\n");
    return s;
}

// The full signed range maps onto the flash words with 0 at 32767; a table
// that is short, long, out of range or not numbers is refused whole.
TEST(LinFile, TakesExactly2048SignedValuesAndRefusesAnyOtherFileWhole) {
    core::LinFileValues v{}, untouched{};
    untouched.fill(1234);
    v = untouched;
    ASSERT_TRUE(core::ParseLinFile(Table(0, "  -32768\t") + " \r\n", v));
    EXPECT_EQ((std::array{v[0], v[1024], v[2047]}), (std::array<std::int16_t, 3>{-32768, 0, 32736}));
    v = untouched;
    EXPECT_TRUE(core::ParseLinFile(Table(5, "+32767"), v) && v[5] == 32767);
    for (auto [value, word] :
         {std::pair{-32768, 65535}, {-32767, 0}, {-1, 32766}, {0, 32767}, {32767, 65534}})
        EXPECT_EQ(core::LinTableWord(static_cast<std::int16_t>(value)), word) << value;

    const std::string table = Table();
    const std::string fewer = table.substr(0, table.rfind("32736"));
    std::vector<std::string> damaged = {"", fewer, table + "7\n"};
    for (const char* bad :
         {"32768", "-32769", "99999999999999999999", "1.5", "12a", "-", "--5", "0x10", "1 2"})
        damaged.push_back(Table(3, bad));
    for (const std::string& file : damaged) {
        v = untouched;
        EXPECT_FALSE(core::ParseLinFile(file, v)) << file.substr(0, 40);
        EXPECT_EQ(v, untouched);
    }
}

// Byte for byte: CR LF after every number, the signed micrometre value as its
// unsigned pattern. The header's bytes are the recorder's integration test's.
TEST(RecorderFile, RecordsAreTheBytesTheReadersExpect) {
    EXPECT_EQ(core::RecorderRecord({2048, 65535, 0, static_cast<std::uint32_t>(-5), 7, 4294967295u}),
              "2048\r\n65535\r\n0\r\n4294967291\r\n7\r\n4294967295\r\n");
}
