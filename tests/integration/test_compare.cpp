// Verify after SEND and the compare view against the simulated sensor pair:
// what is read back over the line, what the status line and the view say,
// and that neither ever changes the set on the panels.

#include <fstream>

#include "app_fixture.h"
#include "core/compare.h"
#include "core/paramfile.h"

using namespace kbex_test;
using Verify = ProgramTest;

namespace {

constexpr const char* kVerified = "Parameter-frames verified!";

struct VerifyCase {
    const char* name;
    bool eeprom;
    sim::Faults faults;
    std::string last;  // the status line at the end
};

}  // namespace

// Each SEND writes a trigger threshold typed on the panel, so a read-back
// from the other memory (which still holds the old one) would differ.
TEST_F(Verify, ReadsTheSentMemoryBackAndSaysWhetherItHoldsTheSetWithoutChangingIt) {
    const VerifyCase cases[] = {
        {"RAM", false, {}, kVerified},
        {"EEPROM", true, {}, kVerified},
        // teachA is page 1 word 3; the sensor's 1500 has the top bit clear.
        {"worn EEPROM cell",
         true,
         {.stuckEepromWord = 18, .stuckEepromBits = 0x8000},
         "Verify failed: 1 words differ (first: teachA)"},
        {"silent sensor", true, {.mute = true}, "Timeout-RS-232..."},
    };
    for (const VerifyCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimLine line;
        ASSERT_TRUE(line.Connect());
        if (!Val<int>(pHandle, PANEL_CHKVerifySend)) {
            ASSERT_TRUE(Click(pHandle, PANEL_CHKVerifySend));
        }
        ASSERT_TRUE(Click(pHandle, PANEL_RBTRam));  // RAM stays chosen; EEPROM clicked twice would not
        if (c.eeprom) {
            ASSERT_TRUE(Click(pHandle, PANEL_RBTEeprom));
        }
        ASSERT_TRUE(Type(pPara2, PARA2_NUMTriggThresholdB, 991));
        line.sensor.SetFaults(c.faults);
        line.sensor.ClearRequests();
        status.texts.clear();
        ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
        const std::uint16_t write = c.eeprom ? 3 : 1, read = c.eeprom ? 4 : 2;
        const auto expected = c.faults.mute
                                  ? std::vector<std::uint16_t>{write, write, write, read}
                                  : std::vector<std::uint16_t>{write, write, write, read, read, read};
        EXPECT_EQ(line.Commands(), expected);
        EXPECT_EQ(StatusLine(), c.last);
        EXPECT_EQ(status.Showed(kVerified), c.last == kVerified);
        // What was sent stays the set and stays on the panels.
        EXPECT_EQ(Values(parameter[core::kTeachA], parameter[core::kTrigThdB], parameter[core::kCommand]),
                  Values(1500, 991, write));
        EXPECT_EQ(Val<unsigned short>(pPara1, PARA1_NUMTeachA), 1500);
    }
    EXPECT_TRUE(SavePanelImage(pHandle, "main-verify-send.png"));
}

// Unticked, SEND is what it always was: three page writes, byte for byte,
// and nothing read back.
TEST_F(Verify, UntickedSendWritesTheThreePagesAndReadsNothing) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    EXPECT_EQ(Val<int>(pHandle, PANEL_CHKVerifySend), 0);
    ASSERT_TRUE(Click(pHandle, PANEL_RBTEeprom));
    line.sensor.ClearRequests();
    status.texts.clear();
    ASSERT_TRUE(Click(pHandle, PANEL_BTNSend));
    const Pages pages = ProgramPages();
    // Nothing answers a page write: the last one may still be on its way.
    PumpUntil([&] { return line.sensor.Requests().size() >= 3; }, 2.0);
    Pump(0.2);
    const auto requests = line.sensor.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (std::uint16_t page = 0; page < 3; ++page) {
        std::array<std::uint8_t, core::kFrameLen> frame{};
        core::FillTxBuf(frame, 3, page, pages[page]);
        EXPECT_EQ(requests[page].bytes, frame) << "page " << page;
    }
    EXPECT_EQ(status.texts, (std::vector<std::string>{"Transmit...", "Sending Para-Frame 0 ...",
                                                      "Sending Para-Frame 1 ...", "Line Ok!"}));
}

using CompareView = ProgramTest;

namespace {

std::string Cell(int row, int column) {
    std::string text;
    EXPECT_EQ(GetTableCellVal(pCompare, COMPARE_TABLEWords, row, column, text), 0);
    return text;
}

// The rows of a column marked by the sign and, apart, by the colour.
std::pair<std::vector<int>, std::vector<int>> Marked(int column) {
    std::pair<std::vector<int>, std::vector<int>> marked;
    for (int row = 0; row < static_cast<int>(core::kSetWords); ++row) {
        if (Cell(row, column).ends_with("\u2260"))
            marked.first.push_back(row);
        int colour = 0;
        GetTableCellAttribute(pCompare, COMPARE_TABLEWords, row, column, ATTR_TEXT_BGCOLOR, colour);
        if (colour != VAL_WHITE)
            marked.second.push_back(row);
    }
    return marked;
}

}  // namespace

// RAM, EEPROM and a file each differ from the panels in known words; no
// fetch changes the panels, the set or the file of GET and SEND.
TEST_F(CompareView, EachColumnComesOnRequestWithTheWordsThatDifferFromThePanelsMarkedAndCounted) {
    SimLine line;
    ASSERT_TRUE(line.Connect());  // the panels show the sensor's RAM
    line.sensor.WithModel([](sim::SensorModel& m) {
        m.ram[1][3] = 1501;          // teachA, row 18
        m.eeprom[0][6] = 61;         // tolLoPix, row 6
        return m.eeprom[2][14] = 9;  // setpointB (high), row 44
    });
    core::ParamFileValues file{};
    const core::SetWords shown = core::SetWordsOf(parameter);
    std::copy(shown.begin(), shown.end(), file.begin());
    file[20] = 70000;  // pixEndA, read as its low 16 bits
    const std::string path = TempDir() + "/other.cfg";
    std::ofstream(path) << core::FormatParamFile(file);
    std::array<std::uint16_t, core::kParamCount> set;
    std::copy(std::begin(parameter), std::end(parameter), set.begin());

    ASSERT_TRUE(Click(pHandle, PANEL_BTNCompare));
    EXPECT_EQ(Values(Cell(18, 0) == "teachA", Cell(18, 1) == "1/3", Cell(18, 3) == "-"), Values(1, 1, 1));
    struct Case {
        int button, column;
        std::vector<std::uint16_t> requests;
        std::vector<int> marked;
        const char* count;
    };
    const Case cases[] = {{COMPARE_BTNFetchRam, 3, {2, 2, 2}, {18}, "1 differ"},
                          {COMPARE_BTNFetchEeprom, 4, {4, 4, 4}, {6, 44}, "2 differ"},
                          {COMPARE_BTNFetchFile, 5, {}, {20}, "1 differ"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count + std::to_string(c.column));
        line.sensor.ClearRequests();
        ASSERT_TRUE(ClickChoosing(pCompare, c.button, VAL_EXISTING_FILE_SELECTED, path));
        EXPECT_EQ(line.Commands(), c.requests);
        EXPECT_EQ(Marked(c.column), std::pair(c.marked, c.marked));
        EXPECT_EQ(Val<std::string>(pCompare, COMPARE_TXTDiffRam + c.column - 3), c.count);
        EXPECT_TRUE(std::equal(set.begin(), set.end(), parameter));
        EXPECT_EQ(Values(Val<unsigned short>(pPara1, PARA1_NUMTeachA), file_name[0]), Values(1500, 0));
    }
    EXPECT_EQ(Values(Cell(18, 3) == "1501 \u2260", Cell(20, 5) == "4464 \u2260", Cell(18, 4) == "1500"),
              Values(1, 1, 1));
    // The panels are the reference: typed to the RAM's word, that word is no longer marked.
    ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, 1501));
    ASSERT_TRUE(Click(pCompare, COMPARE_BTNFetchPanels));
    EXPECT_EQ(Values(Marked(3).first.size(), Marked(4).first.size(), Marked(5).first.size()),
              Values(0, 3, 2));
    EXPECT_EQ(parameter[core::kTeachA], 1500);
    EXPECT_TRUE(SavePanelImage(pCompare, "compare-view.png"));

    // A silent sensor leaves its column unfetched, never a column of old or half values.
    line.sensor.SetFaults({.mute = true});
    ASSERT_TRUE(Click(pCompare, COMPARE_BTNFetchEeprom));
    EXPECT_EQ(
        Values(Val<std::string>(pCompare, COMPARE_TXTDiffEeprom) == "not fetched", Cell(6, 4) == "-",
               Val<std::string>(pCompare, COMPARE_TXTStatus) == "EEPROM not fetched: Timeout-RS-232..."),
        Values(1, 1, 1));
    EXPECT_TRUE(std::equal(set.begin(), set.end(), parameter));
}

// RUN has the line: the sensor columns refuse, as GET's neighbours do, and say why.
TEST_F(CompareView, SensorFetchesAreRefusedWhileRunHasTheLine) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    ASSERT_TRUE(Click(pHandle, PANEL_BTNCompare));
    line.sensor.ClearRequests();
    Once([&] { return line.Count(core::kCmdRaw) >= 3; },
         [] {
             EXPECT_TRUE(Click(pCompare, COMPARE_BTNFetchRam));
             EXPECT_TRUE(Click(pCompare, COMPARE_BTNFetchEeprom));
             EXPECT_TRUE(Click(pHandle, PANEL_BTNStop));
         });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));
    EXPECT_EQ(line.Count(core::kCmdReadRam) + line.Count(core::kCmdReadEeprom), 0u);
    EXPECT_EQ(Val<std::string>(pCompare, COMPARE_TXTStatus),
              "EEPROM not fetched: stop RUN, VIDEO or the transfer first.");
    EXPECT_EQ(Val<std::string>(pCompare, COMPARE_TXTDiffRam), "not fetched");
}
