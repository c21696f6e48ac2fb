// A misbehaving sensor against every operation that moves the parameter set,
// and an impatient operator against a transfer in progress.
#include <QTimer>

#include "app_fixture.h"
#include "platform/clock.h"

using namespace kbex_test;

namespace {

enum Op { kStartup, kGetRam, kGetEeprom, kSendRam, kSendEeprom, kTeach, kOps };
constexpr const char* kOpNames[kOps] = {"start-up", "GET RAM",     "GET EEPROM",
                                        "SEND RAM", "SEND EEPROM", "TEACH"};

// What the operator reads at the end, and whether the operation completed.
struct Cell {
    const char* status;
    bool completed;
};
struct FaultRow {
    const char* name;
    sim::Faults faults;
    Cell cells[kOps];
};

constexpr const char* kTimeout = "Timeout-RS-232...";
const std::string kFirmware = sim::HardwareConfig{}.firmware;  // what a good start shows
const Cell kSent = {"Line Ok!", true}, kTimedOut = {kTimeout, false}, kGoodStart = {kFirmware.c_str(), true},
           kTeachLost = {"Timeout RS232-Line!", false},
           kFetched = {"Parameter-frame received! - Line Ok!", true},
           kBadSync = {"read error - not sync byte 0xAA!", false}, kDisturbed = {kLineDisturbedText, false},
           kLost = {kLineLostText, false};

// A stray raw frame ahead of an answer is passed over, as the late answer of
// a run would be: everything completes. A wrong sync word, five garbage bytes
// ahead of every answer or answers cut to 20 bytes are damage: asked for again
// three times, then the line is said to be disturbed. A vanishing device is a
// lost line.
const FaultRow kRows[] = {
    {"mute", {.mute = true}, {kTimedOut, kTimedOut, kTimedOut, kSent, kSent, kTeachLost}},
    {"wrongSync", {.wrongSync = true}, {kBadSync, kDisturbed, kDisturbed, kSent, kSent, kDisturbed}},
    {"nonRaw", {.nonRaw = true}, {kGoodStart, kFetched, kFetched, kSent, kSent, kFetched}},
    {"strayRaw", {.strayRaw = true}, {kGoodStart, kFetched, kFetched, kSent, kSent, kFetched}},
    {"noBlocks", {.noBlocks = true}, {kGoodStart, kFetched, kFetched, kSent, kSent, kFetched}},
    {"noFirmware",
     {.noFirmware = true},
     {{"Error reading firmware-info!", true}, kFetched, kFetched, kSent, kSent, kFetched}},
    {"garbage", {.garbageBytes = 5}, {kBadSync, kDisturbed, kDisturbed, kSent, kSent, kDisturbed}},
    {"truncation", {.truncateTo = 20}, {kDisturbed, kDisturbed, kDisturbed, kSent, kSent, kDisturbed}},
    {"lateAnswer", {.lateAnswer = 1.7}, {kTimedOut, kTimedOut, kTimedOut, kSent, kSent, kTeachLost}},
    {"vanish", {.vanishAfter = 1}, {kLost, kLost, kLost, kLost, kLost, kLost}},
};

// An edit the operator has typed but not sent.
constexpr int kTyped = 1234;

// The teach request makes the sensor take its spot as the set-point: that
// much of its RAM is the sensor's own doing, whatever the program then reads.
Pages WithoutTeach(Pages p) {
    p[1][3] = p[2][3] = 0;
    return p;
}

// Longest stretch during `run` in which the program ran no events: a 10 ms
// timer can only fire while events are processed.
double LongestFreeze(const std::function<void()>& run) {
    double last = Timer(), longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, Timer() - last);
        last = Timer();
    });
    tick.start(10);
    run();
    return std::max(longest, Timer() - last);
}

void PrintTo(const FaultRow& row, std::ostream* os) {
    *os << row.name;
}

class FaultMatrix : public ProgramTest, public ::testing::WithParamInterface<FaultRow> {};

}  // namespace

TEST_P(FaultMatrix, OperatorReadsTheOutcomeAndNothingChangesUnlessTheOperationCompleted) {
    const FaultRow& row = GetParam();
    for (int op = kStartup; op < kOps; ++op) {
        SCOPED_TRACE(kOpNames[op]);
        if (op != kStartup) {
            ASSERT_NO_FATAL_FAILURE(SetUp());
        }
        SimLine line;
        if (op != kStartup) {
            ASSERT_TRUE(line.Connect());
            ASSERT_TRUE(Type(pPara1, PARA1_NUMTeachA, kTyped));
        }
        line.sensor.SetFaults(row.faults);
        line.sensor.ClearRequests();
        const Pages ram = Memory(line.sensor, false), eeprom = Memory(line.sensor, true),
                    before = ProgramPages();
        ASSERT_TRUE(Click(pHandle, op == kGetEeprom || op == kSendEeprom ? PANEL_RBTEeprom : PANEL_RBTRam));
        const int button = op == kTeach ? PANEL_ButtonTeach : op >= kSendRam ? PANEL_BTNSend : PANEL_BTNGet;
        const double freeze = LongestFreeze([&] {
            if (op == kStartup)
                (void)line.Connect();
            else
                ASSERT_TRUE(Click(pHandle, button));
        });
        Pump(0.05);

        const Cell& cell = row.cells[op];
        const std::string status = StatusLine();
        EXPECT_EQ(status, cell.status);
        // A sequence stops at the first request that goes unanswered (asked
        // for three times more when its answers came damaged): the echo with
        // no identification after it, page 0 with no page after it, the teach
        // with no fetch after it (and the run flag down).
        const bool damaged = cell.status == kDisturbed.status || cell.status == kBadSync.status;
        if ((op == kStartup && (status == kTimeout || damaged)) ||
            ((op == kGetRam || op == kGetEeprom || op == kTeach) && !cell.completed &&
             cell.status != kLost.status)) {
            EXPECT_EQ(std::pair(line.Commands().size(), stop_flag),
                      std::pair(std::size_t{damaged ? 4u : 1u}, 1));
        }
        // The firmware text is the one wait that runs no events.
        EXPECT_LT(freeze, TIMEOUT + 0.5);

        const Pages ramAfter = Memory(line.sensor, false), eepromAfter = Memory(line.sensor, true);
        const bool fetches = op == kStartup || op == kGetRam || op == kGetEeprom || op == kTeach;
        if (fetches && cell.completed)
            EXPECT_EQ(ProgramPages(), op == kGetEeprom ? eepromAfter : ramAfter);
        else if (fetches) {
            Pages kept = before;  // the teach request took the panels over, as SEND does
            kept[1][3] = op == kTeach ? kTyped : kept[1][3];
            EXPECT_EQ(ProgramPages(), kept);
            EXPECT_TRUE(op == kStartup || Val<int>(pPara1, PARA1_NUMTeachA) == kTyped)
                << "the operator's edit is lost";
        }
        // Only a SEND that went out whole writes the memory it targets; one
        // cut off by a vanishing line leaves whatever reached the sensor.
        if ((op == kSendRam || op == kSendEeprom) && !cell.completed)
            continue;
        EXPECT_EQ(op == kTeach ? WithoutTeach(ramAfter) : ramAfter, op == kSendRam ? ProgramPages()
                                                                    : op == kTeach ? WithoutTeach(ram)
                                                                                   : ram);
        EXPECT_EQ(eepromAfter, op == kSendEeprom ? ProgramPages() : eeprom);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

using TransferInProgressTest = ProgramTest;

// A second click while a transfer waits for its answer would run inside that
// wait: GET twice mixed channel B's words into the general page, and a SEND
// that followed wrote them into the sensor.
TEST_F(TransferInProgressTest, ClicksOnTransferTargetAndAcquisitionButtonsAreIgnoredUntilItEnds) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    line.sensor.SetFaults({.lateAnswer = 0.3});
    line.sensor.ClearRequests();
    int nestedClicks = 0;
    QTimer::singleShot(100, [&] {
        nestedClicks += Click(pHandle, PANEL_BTNGet) && Click(pHandle, PANEL_ButtonTeach) &&
                        Click(pHandle, PANEL_BTNSend) && Click(pHandle, PANEL_RBTEeprom) &&
                        Click(pHandle, PANEL_BTNRun) && Click(pHandle, PANEL_BTNData) &&
                        Click(pHandle, PANEL_ButtonReset);
    });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNGet));
    EXPECT_EQ(std::tuple(nestedClicks, line.Commands()), std::tuple(1, std::vector<std::uint16_t>{2, 2, 2}));
    EXPECT_EQ(ProgramPages(), line.sensor.WithModel([](sim::SensorModel& m) { return m.ram; }));
    EXPECT_EQ(Values(target, Val<int>(pHandle, PANEL_RBTRam), Val<int>(pHandle, PANEL_RBTEeprom)),
              Values(1, 1, 0));
    EXPECT_EQ(StatusLine(), kFetched.status);
}
