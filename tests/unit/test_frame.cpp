// Wire codec: page mapping, request frames, answer decoding, raw words.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "core/frame.h"

namespace {

using Set = std::array<std::uint16_t, core::kParamCount>;
using Frame = std::array<std::uint8_t, core::kFrameLen>;

// Parameter set as the program starts, written out entry by entry.
Set StartValues() {
    Set p{};
    p[0] = 0x55;  // frameHeader
    p[1] = 1;     // command
    p[2] = 0;     // page
    p[4] = 1;     // evalMode
    p[5] = 0;     // modeSelect
    p[6] = 0;     // anaMode
    p[7] = 1;     // hardwareMode
    p[8] = 1;     // countSetting
    p[9] = 1;     // flagSetting
    p[10] = 100;  // tolLoPix
    p[11] = 100;  // tolUpPix
    p[18] = 37000 & 0xFFFF;  // calibRef low
    p[19] = 37000 >> 16;     // calibRef high
    for (std::size_t base : {std::size_t{20}, std::size_t{36}}) {
        p[base + 0] = 500;   // pmodeVal
        p[base + 1] = 1;     // pmode
        p[base + 2] = 50;    // videoThd
        p[base + 3] = 512;   // teach
        p[base + 4] = 1;     // pixStart
        p[base + 5] = 4096;  // pixEnd
        p[base + 6] = 0;     // gain
        p[base + 7] = 50;    // trigThd
        p[base + 12] = 1024 & 0xFFFF;  // calib low
        p[base + 13] = 1024 >> 16;     // calib high
        p[base + 14] = 37000 & 0xFFFF;  // setpoint low
        p[base + 15] = 37000 >> 16;     // setpoint high
    }
    return p;
}

// Every entry a different, recognisable value.
Set Distinct(std::uint16_t base) {
    Set p{};
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<std::uint16_t>(base + 0x0101 * i);
    return p;
}

// Expected parameter index of each data word, page by page, from the page table.
constexpr int kPageIndex[3][15] = {
    {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 19},
    {20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 32, 33, 34, 35},
    {36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 48, 49, 50, 51},
};

Frame Answer(std::uint16_t sync, std::uint16_t echo, std::uint16_t second,
             const std::array<std::uint16_t, 15>& words) {
    Frame f{};
    core::PutWordBE(f.data(), sync);
    core::PutWordBE(f.data() + 2, echo);
    core::PutWordBE(f.data() + 4, second);
    for (std::size_t i = 0; i < 15; ++i)
        core::PutWordBE(f.data() + 6 + 2 * i, words[i]);
    return f;
}

}  // namespace

TEST(FrameCodec, LineCheckRequestFromStartValuesMatchesWireBytes) {
    Set p = StartValues();
    p[core::kCommand] = core::kCmdEcho;
    p[core::kPage] = 0;
    std::array<std::uint16_t, 16> pp{};
    core::CopyVarsToPP(p.data(), 0, pp.data());
    Frame frame{};
    core::FillTxBuf(frame.data(), p[core::kCommand], p[core::kPage], pp.data());

    const Frame expected = {0x00, 0x55, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01,
                            0x00, 0x64, 0x00, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x88, 0x00, 0x00};
    EXPECT_EQ(frame, expected);
}

TEST(PageMapping, EachDataWordCarriesItsEntryAndUnusedIndexesAreSkipped) {
    for (std::uint16_t page = 0; page < 3; ++page)
        for (std::size_t w = 0; w < 15; ++w)
            EXPECT_EQ(core::PageEntryIndex(page, w), kPageIndex[page][w])
                << "page " << page << " word " << w;
    EXPECT_EQ(core::PageEntryIndex(3, 0), -1);
    EXPECT_EQ(core::PageEntryIndex(0xFFFF, 0), -1);
}

TEST(PageMapping, CopyVarsToPPTakesThePageEntriesAndLeavesWord15) {
    const Set p = Distinct(0x1000);
    for (std::uint16_t page = 0; page < 3; ++page) {
        std::array<std::uint16_t, 16> pp;
        pp.fill(0xBEEF);
        core::CopyVarsToPP(p.data(), page, pp.data());
        for (std::size_t w = 0; w < 15; ++w)
            EXPECT_EQ(pp[w], p[kPageIndex[page][w]]) << "page " << page << " word " << w;
        EXPECT_EQ(pp[15], 0xBEEF) << "page " << page;
    }
}

TEST(PageMapping, CopyPPtoVarsWritesOnlyThePageEntries) {
    for (std::uint16_t page = 0; page < 3; ++page) {
        const Set before = Distinct(0x2000);
        Set p = before;
        std::array<std::uint16_t, 16> pp;
        for (std::size_t w = 0; w < 16; ++w)
            pp[w] = static_cast<std::uint16_t>(0xA000 + w);
        core::CopyPPtoVars(p.data(), page, pp.data());

        Set expected = before;
        for (std::size_t w = 0; w < 15; ++w)
            expected[kPageIndex[page][w]] = pp[w];
        EXPECT_EQ(p, expected) << "page " << page;
        // Entries that no page carries, and the header entries.
        for (std::size_t i : {0, 1, 2, 3, 17, 31, 47})
            EXPECT_EQ(p[i], before[i]) << "page " << page << " index " << i;
    }
}

TEST(PageMapping, RoundTripOfEveryPageLeavesTheSetUnchanged) {
    for (std::uint16_t page = 0; page < 3; ++page) {
        const Set before = Distinct(0x3000);
        Set p = before;
        std::array<std::uint16_t, 16> pp{};
        core::CopyVarsToPP(p.data(), page, pp.data());
        core::CopyPPtoVars(p.data(), page, pp.data());
        EXPECT_EQ(p, before) << "page " << page;
    }
}

TEST(PageMapping, PageOutsideZeroToTwoCopiesNothing) {
    for (std::uint16_t page : {std::uint16_t{3}, std::uint16_t{4}, std::uint16_t{0xFFFF}}) {
        const Set before = Distinct(0x4000);
        Set p = before;
        std::array<std::uint16_t, 16> pp;
        pp.fill(0x7777);
        core::CopyVarsToPP(p.data(), page, pp.data());
        for (std::uint16_t w : pp)
            EXPECT_EQ(w, 0x7777) << "page " << page;
        core::CopyPPtoVars(p.data(), page, pp.data());
        EXPECT_EQ(p, before) << "page " << page;
    }
}

TEST(PageMapping, ThirtyTwoBitEntriesTravelLowWordFirst) {
    Set p = StartValues();
    core::Put32(p.data(), core::kCalibA, 1536);
    std::array<std::uint16_t, 16> pp{};
    core::CopyVarsToPP(p.data(), 1, pp.data());
    Frame frame{};
    core::FillTxBuf(frame.data(), core::kCmdWriteRam, 1, pp.data());
    // Data word k occupies bytes 6 + 2k, 7 + 2k.
    EXPECT_EQ(frame[6 + 22], 0x06);
    EXPECT_EQ(frame[7 + 22], 0x00);
    EXPECT_EQ(frame[6 + 24], 0x00);
    EXPECT_EQ(frame[7 + 24], 0x00);
    EXPECT_EQ(frame[4], 0x00);
    EXPECT_EQ(frame[5], 0x01);

    // A value over 16 bits: low word 0x5678 in word 13, high word 0x1234 in word 14.
    core::Put32(p.data(), core::kSetpointA, 0x12345678u);
    core::CopyVarsToPP(p.data(), 1, pp.data());
    EXPECT_EQ(pp[13], 0x5678);
    EXPECT_EQ(pp[14], 0x1234);
    EXPECT_EQ(core::Get32(p.data(), core::kSetpointA), 0x12345678u);
}

TEST(FillTxBuf, WritesAll36BytesBigEndianAndNothingBeyond) {
    std::array<std::uint8_t, 40> buf;
    buf.fill(0xEE);
    std::array<std::uint16_t, 15> words;
    for (std::size_t i = 0; i < 15; ++i)
        words[i] = static_cast<std::uint16_t>(0x0102 * (i + 1));  // no 0xEE byte
    core::FillTxBuf(buf.data(), 0x0166, 0x0A0B, words.data());

    EXPECT_EQ(buf[0], 0x00);
    EXPECT_EQ(buf[1], 0x55);
    EXPECT_EQ(buf[2], 0x01);
    EXPECT_EQ(buf[3], 0x66);
    EXPECT_EQ(buf[4], 0x0A);
    EXPECT_EQ(buf[5], 0x0B);
    for (std::size_t i = 0; i < 15; ++i) {
        EXPECT_EQ(buf[6 + 2 * i], words[i] >> 8) << "word " << i;
        EXPECT_EQ(buf[7 + 2 * i], words[i] & 0xFF) << "word " << i;
    }
    for (std::size_t i = 36; i < 40; ++i)
        EXPECT_EQ(buf[i], 0xEE) << "byte " << i << " written past the frame";
}

TEST(FillTxBuf, ZeroWordsOverwriteLeftoversOfAPreviousRequest) {
    Frame buf;
    buf.fill(0xEE);
    const std::array<std::uint16_t, 15> zeros{};
    core::FillTxBuf(buf.data(), 0, 0, zeros.data());
    Frame expected{};
    expected[1] = 0x55;
    EXPECT_EQ(buf, expected);
}

TEST(RxDecode, EchoOf8FillsAll16WordsFromByte4) {
    Frame f{};
    f[0] = 0x00;
    f[1] = 0xAA;
    f[2] = 0x00;
    f[3] = 0x08;
    for (std::size_t i = 0; i < 16; ++i)
        core::PutWordBE(f.data() + 4 + 2 * i, static_cast<std::uint16_t>(0xC100 + i));
    std::array<std::uint16_t, 16> pp;
    pp.fill(0);
    EXPECT_EQ(core::GetRxBuf(f.data(), pp.data()), 1);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(pp[i], 0xC100 + i) << "word " << i;
}

TEST(RxDecode, EchoOf0x0108Or0x0800IsNotARawFrame) {
    std::array<std::uint16_t, 15> words;
    for (std::size_t i = 0; i < 15; ++i)
        words[i] = static_cast<std::uint16_t>(0xD200 + i);
    for (std::uint16_t echo : {std::uint16_t{0x0108}, std::uint16_t{0x0800},
                               std::uint16_t{0xFF08}, std::uint16_t{2}, std::uint16_t{10}}) {
        const Frame f = Answer(0x00AA, echo, 0x4444, words);
        std::array<std::uint16_t, 16> pp;
        pp.fill(0x5A5A);
        EXPECT_EQ(core::GetRxBuf(f.data(), pp.data()), 0) << "echo " << echo;
        for (std::size_t i = 0; i < 15; ++i)
            EXPECT_EQ(pp[i], words[i]) << "echo " << echo << " word " << i;
        EXPECT_EQ(pp[15], 0x5A5A) << "a parameter answer changed pp[15], echo " << echo;
    }
}

TEST(RxDecode, SyncWordIsNotExamined) {
    std::array<std::uint16_t, 15> words{};
    words[0] = 0x1234;
    for (std::uint16_t sync : {std::uint16_t{0x0055}, std::uint16_t{0xFFFF}, std::uint16_t{0}}) {
        Frame raw = Answer(sync, 8, 0x9999, words);
        std::array<std::uint16_t, 16> pp{};
        EXPECT_EQ(core::GetRxBuf(raw.data(), pp.data()), 1) << "sync " << sync;
        EXPECT_EQ(pp[0], 0x9999);
        EXPECT_EQ(pp[1], 0x1234);

        Frame page = Answer(sync, 2, 0x9999, words);
        EXPECT_EQ(core::GetRxBuf(page.data(), pp.data()), 0) << "sync " << sync;
        EXPECT_EQ(pp[0], 0x1234);
    }
}

TEST(RawDecode, EachWordLandsInItsMeasurementValue) {
    std::array<std::uint16_t, 16> pp;
    for (std::size_t i = 0; i < 16; ++i)
        pp[i] = static_cast<std::uint16_t>(100 + i);
    pp[3] = 0x0003;
    pp[4] = 0x0000;
    const core::RawValues r = core::DecodeRaw(pp.data());
    EXPECT_EQ(r.Aval, 100);
    EXPECT_EQ(r.Bval, 101);
    EXPECT_EQ(r.Mvalue, 102);
    EXPECT_EQ(r.umValue, 3);
    EXPECT_EQ(r.poti, 105);
    EXPECT_EQ(r.edcntA, 106);
    EXPECT_EQ(r.edcntB, 107);
    EXPECT_EQ(r.peakwA, 108);
    EXPECT_EQ(r.peakwB, 109);
    EXPECT_EQ(r.anaMax, 110);
    EXPECT_EQ(r.anaMin, 111);
    EXPECT_EQ(r.teachA, 112);
    EXPECT_EQ(r.teachB, 113);
    EXPECT_EQ(r.raw15, 114);
    EXPECT_EQ(r.instate, 115);
}

TEST(RawDecode, MicrometreValueIsSignedFromTheHighWord) {
    struct Case {
        std::uint16_t low, high;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {0x5678, 0x1234, 0x12345678},
        {0xFFFF, 0x7FFF, 0x7FFFFFFF},
        {0x0000, 0x8000, INT32_MIN},
        {0xFFFF, 0xFFFF, -1},
        {0x0000, 0x0001, 65536},        // high half counts 65536
        {0x8000, 0x0000, 32768},        // a low half of 0x8000 or more stays positive
        {0xFC18, 0xFFFF, -1000},
    };
    for (const Case& c : cases) {
        std::array<std::uint16_t, 16> pp{};
        pp[3] = c.low;
        pp[4] = c.high;
        EXPECT_EQ(core::DecodeRaw(pp.data()).umValue, c.expected)
            << std::hex << "low " << c.low << " high " << c.high;
    }
}
