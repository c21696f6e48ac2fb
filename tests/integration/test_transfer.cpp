// GET, SEND and TEACH from the main panel against the simulated sensor pair:
// what goes over the line, what the sensor ends up holding, what the panels
// show.
#include <gtest/gtest.h>

#include <filesystem>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/serial.h"

using namespace kbex_test;

namespace {

std::vector<std::uint16_t> Commands(sim::SimulatedSensor& s) {
    std::vector<std::uint16_t> out;
    for (const sim::RequestRecord& r : s.Requests())
        out.push_back(r.command());
    return out;
}

sim::SensorModel::Pages Ram(sim::SimulatedSensor& s) {
    return s.WithModel([](sim::SensorModel& m) { return m.ram; });
}
sim::SensorModel::Pages Eeprom(sim::SimulatedSensor& s) {
    return s.WithModel([](sim::SensorModel& m) { return m.eeprom; });
}

// The parameter set as pages, the way the sensor holds it.
sim::SensorModel::Pages ProgramPages() {
    sim::SensorModel::Pages pages{};
    std::uint16_t words[16] = {};
    for (std::uint16_t p = 0; p < 3; ++p) {
        core::CopyVarsToPP(parameter, p, words);
        std::copy_n(words, 15, pages[p].begin());
    }
    return pages;
}

unsigned short Shown(int panel, int control) {
    unsigned short v = 0;
    GetCtrlVal(panel, control, v);
    return v;
}

void SelectTarget(int radio) { Click(pHandle, radio); }

}  // namespace

TEST(Transfer, StartUpFetchShowsTheSensorsRamSet) {
    ResetProgram();
    SimLine line;
    line.Connect();
    EXPECT_EQ(ProgramPages(), Ram(line.sensor()));
    EXPECT_EQ(Shown(pPara1, PARA1_NUMTeachA), parameter[core::kTeachA]);
    EXPECT_EQ(Shown(pPara2, PARA2_NUMTeachB), parameter[core::kTeachB]);
    EXPECT_EQ(Shown(pPara0, PARA0_NUMToleranceUP), parameter[core::kTolUpPix]);
    double calibA = 0;
    GetCtrlVal(pCalib, CALIB_NUMCalibA, calibA);
    EXPECT_DOUBLE_EQ(calibA, core::Get32(parameter, core::kCalibA) / 1024.0);
    // The simulated set has analogue mode 1: RESET and max/min appear.
    int visible = 0;
    GetCtrlAttribute(pHandle, PANEL_ButtonReset, ATTR_VISIBLE, visible);
    EXPECT_EQ(visible, parameter[core::kAnaMode] != 0 ? 1 : 0);
}

TEST(Transfer, GetFromEepromReadsTheEepromPages) {
    ResetProgram();
    SimLine line;
    line.Connect();
    line.sensor().WithModel([](sim::SensorModel& m) {
        m.eeprom[1][3] = 2222;  // teachA
        m.eeprom[0][7] = 77;    // tolUpPix
        return 0;
    });
    line.sensor().ClearRequests();
    SelectTarget(PANEL_RBTEeprom);
    ASSERT_EQ(target, 2);
    Click(pHandle, PANEL_BTNGet);
    EXPECT_EQ(Commands(line.sensor()), (std::vector<std::uint16_t>{4, 4, 4}));
    EXPECT_EQ(ProgramPages(), Eeprom(line.sensor()));
    EXPECT_EQ(Shown(pPara1, PARA1_NUMTeachA), 2222);
    EXPECT_EQ(Shown(pPara0, PARA0_NUMToleranceUP), 77);
    EXPECT_EQ(StatusLine(), "Parameter-frame received! - Line Ok!");
}

TEST(Transfer, GetFromASilentSensorTimesOutAndKeepsTheSet) {
    ResetProgram();
    SimLine line;
    line.Connect();
    const auto before = ProgramPages();
    sim::Faults f;
    f.mute = true;
    line.sensor().SetFaults(f);
    Click(pHandle, PANEL_BTNGet);
    EXPECT_EQ(StatusLine(), "Timeout-RS-232...");
    EXPECT_EQ(ProgramPages(), before);
    EXPECT_EQ(Shown(pPara1, PARA1_NUMTeachA), parameter[core::kTeachA]);
}

TEST(Transfer, StrayRawFrameDuringGetIsNeverTakenAsAPage) {
    // Both frames arrive in one burst: the receive callback takes the first
    // 36 bytes (the raw frame) and drops the rest, so the page never comes.
    ResetProgram();
    SimLine line;
    line.Connect();
    const auto before = ProgramPages();
    sim::Faults f;
    f.strayRaw = true;
    line.sensor().SetFaults(f);
    PushGET(1, 1);
    EXPECT_EQ(StatusLine(), "Timeout-RS-232...");
    EXPECT_EQ(ProgramPages(), before);
}

TEST(Transfer, StrayRawFrameAheadOfThePageOnAPacedLineIsSkipped) {
    // At line speed the raw frame is taken and dropped first; the page that
    // follows is the answer.
    ResetProgram();
    sim::Options o = FastSim();
    o.paced = true;
    SimLine line(o);
    line.Connect();
    line.sensor().WithModel([](sim::SensorModel& m) {
        m.ram[1][3] = 1717;
        return 0;
    });
    sim::Faults f;
    f.strayRaw = true;
    line.sensor().SetFaults(f);
    PushGET(1, 1);
    EXPECT_EQ(StatusLine(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(parameter[core::kTeachA], 1717);
    EXPECT_EQ(ProgramPages()[1], Ram(line.sensor())[1]);
}

TEST(Transfer, SendToEepromWritesThreePagesATenthApartAndEndsLineOk) {
    ResetProgram();
    SimLine line;
    line.Connect();
    const auto ramBefore = Ram(line.sensor());
    Type(pPara1, PARA1_NUMTeachA, 1234);
    Type(pCalib, CALIB_NUMCalibA, 1.5);
    Type(pPara2, PARA2_NUMTriggThresholdB, 999);
    line.sensor().ClearRequests();
    SelectTarget(PANEL_RBTEeprom);
    Click(pHandle, PANEL_BTNSend);
    ASSERT_TRUE(PumpUntil([&] { return line.sensor().Requests().size() >= 3; }, 2.0));
    const auto requests = line.sensor().Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (std::uint16_t page = 0; page < 3; ++page) {
        EXPECT_EQ(requests[page].command(), 3);
        EXPECT_EQ(requests[page].second(), page);
    }
    EXPECT_GE(requests[1].time - requests[0].time, 0.09);
    EXPECT_GE(requests[2].time - requests[1].time, 0.09);
    EXPECT_EQ(StatusLine(), "Line Ok!");
    ASSERT_TRUE(PumpUntil([&] { return Eeprom(line.sensor())[2][7] == 999; }, 2.0));
    const auto eeprom = Eeprom(line.sensor());
    EXPECT_EQ(eeprom, ProgramPages());
    EXPECT_EQ(eeprom[1][3], 1234);
    EXPECT_EQ(eeprom[1][11], 1536);  // 1.5 x 1024, low word
    EXPECT_EQ(eeprom[1][12], 0);
    EXPECT_EQ(Ram(line.sensor()), ramBefore);
}

TEST(Transfer, SendToRamUsesCommandOne) {
    ResetProgram();
    SimLine line;
    line.Connect();
    Type(pPara0, PARA0_NUMCountSetting, 42);
    line.sensor().ClearRequests();
    Click(pHandle, PANEL_BTNSend);
    ASSERT_TRUE(PumpUntil([&] { return line.sensor().Requests().size() >= 3; }, 2.0));
    EXPECT_EQ(Commands(line.sensor()), (std::vector<std::uint16_t>{1, 1, 1}));
    ASSERT_TRUE(PumpUntil([&] { return Ram(line.sensor())[0][4] == 42; }, 2.0));
}

TEST(Transfer, TeachRefreshesAllPagesAndMovesTheCursors) {
    ResetProgram();
    SimLine line;
    line.Connect();
    line.sensor().ClearRequests();
    Click(pHandle, PANEL_ButtonTeach);
    EXPECT_EQ(Commands(line.sensor()), (std::vector<std::uint16_t>{6, 2, 2, 2}));
    const auto ram = Ram(line.sensor());
    EXPECT_EQ(ProgramPages(), ram);
    EXPECT_EQ(parameter[core::kTeachA], ram[1][3]);
    EXPECT_EQ(Shown(pPara1, PARA1_NUMTeachA), ram[1][3]);
    for (int graph : {PANEL_GRAPHBarMaster, PANEL_GRAPHBarSlave}) {
        const auto* m = platform::GetGraphModel(pHandle, graph);
        ASSERT_NE(m, nullptr);
        const auto& c1 = m->cursors.at(1);
        EXPECT_EQ(c1.x, graph == PANEL_GRAPHBarMaster ? ram[1][3] : ram[2][3]);
        EXPECT_EQ(c1.y, 0.75);
    }
}

TEST(Transfer, TeachWithoutAnswerTimesOutAndFetchesNothing) {
    ResetProgram();
    SimLine line;
    line.Connect();
    sim::Faults f;
    f.mute = true;
    line.sensor().SetFaults(f);
    line.sensor().ClearRequests();
    stop_flag = 0;
    Click(pHandle, PANEL_ButtonTeach);
    EXPECT_EQ(StatusLine(), "Timeout RS232-Line!");
    EXPECT_EQ(stop_flag, 1);
    EXPECT_EQ(Commands(line.sensor()), (std::vector<std::uint16_t>{6}));
    const auto* m = platform::GetGraphModel(pHandle, PANEL_GRAPHBarMaster);
    EXPECT_EQ(m->cursors.at(1).x, parameter[core::kTeachA]);
}

TEST(Transfer, FileTargetGetLoadsTheFileWithoutSerialTraffic) {
    ResetProgram();
    SimLine line;
    line.Connect();
    ScriptedPopups popups;
    const std::string path = TempDir() + "/set.cfg";
    SelectTarget(PANEL_RBTFile);
    Type(pPara1, PARA1_NUMTeachA, 3333);
    popups.SelectFile(VAL_NEW_FILE_SELECTED, path);
    Click(pHandle, PANEL_BTNSend);
    ASSERT_TRUE(std::filesystem::exists(path));
    Type(pPara1, PARA1_NUMTeachA, 100);
    line.sensor().ClearRequests();
    popups.SelectFile(VAL_EXISTING_FILE_SELECTED, path);
    Click(pHandle, PANEL_BTNGet);
    EXPECT_TRUE(line.sensor().Requests().empty());
    EXPECT_EQ(parameter[core::kTeachA], 3333);
    EXPECT_EQ(Shown(pPara1, PARA1_NUMTeachA), 3333);
}
