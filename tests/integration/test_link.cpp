// The sensor link on its own, as a program without a window uses it: the
// rules, the link, the serial port and the clock against the simulated sensor
// pair, with no panels and no widgets linked in (this executable has none).
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "com232.h"
#include "platform/clock.h"
#include "platform/serial.h"
#include "simulated_sensor.h"

namespace {

// What a program without a window would print, and the flash blocks reported.
struct Log : LinkObserver {
    void Status(const char* text) override { texts.emplace_back(text); }
    void ParameterSetTaken() override { ++sets; }
    void FlashProgress(int, std::uint16_t) override { ++blocks; }
    void FlashUploadComplete(std::uint16_t) override { ++complete; }
    std::vector<std::string> texts;
    int sets = 0, blocks = 0, complete = 0;
};

// Aborts whatever runs once `after` seconds have passed in its waits, as the
// window's STOP or close would from an event.
struct Impatient : Log {
    void Wait(int port, double seconds) override {
        if (Timer() > abortAt)
            AbortOperations();
        LinkObserver::Wait(port, seconds);
    }
    double abortAt = 1e9;
};

struct LinkAlone : ::testing::Test {
    void SetUp() override {
        InitCom232Vars();
        ASSERT_TRUE(sensor.Start());
        SetPortTable({{sensor.Path(), "simulated"}});
        ASSERT_EQ(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
        SetObserver(&log);
    }
    void TearDown() override {
        SetObserver(nullptr);
        CloseCom(com);
        SetPortTable({});
    }
    std::size_t Requests() const { return sensor.Requests().size(); }
    sim::SimulatedSensor sensor{{.paced = false, .seed = 7}};
    Impatient log;
};

std::array<std::uint16_t, core::kLinTableWords> Table() {
    std::array<std::uint16_t, core::kLinTableWords> t{};
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = static_cast<std::uint16_t>(i * 29 + 3);
    return t;
}

}  // namespace

TEST_F(LinkAlone, ChecksTheLineAndFetchesTheEepromSet) {
    EXPECT_EQ(CheckComLine(com), 1);
    sensor.WithModel([](sim::SensorModel& m) { return m.eeprom[2][3] = 2345; });
    EXPECT_EQ(FetchParameterSet(2), 1);
    EXPECT_EQ(parameter[core::kTeachB], 2345);
    EXPECT_EQ(log.sets, 1);
    EXPECT_EQ(log.texts.front(), "Echo Check - Line Ok!");
    EXPECT_EQ(log.texts.back(), "Parameter-frame received! - Line Ok!");
}

// Success only when the clear and every block were acknowledged: a sensor
// that falls silent half-way, or was silent from the start after a good
// upload, leaves the time-out text and no success.
TEST_F(LinkAlone, UploadWritesTheTableAndStopsAtTheFirstStepWithoutAnswer) {
    const auto table = Table();
    EXPECT_EQ(UploadLinTable(table.data(), 1), Outcome::Answered);
    EXPECT_EQ(sensor.WithModel([](sim::SensorModel& m) { return m.flash; }), table);
    EXPECT_EQ(std::tuple(Requests(), log.complete, log.texts.back()),
              std::tuple(257u, 1, "X-FLASH Data successfully written!"));

    for (int answered : {0, 41}) {
        SCOPED_TRACE(answered);
        sensor.SetFaults({.mute = answered == 0, .muteAfter = answered});
        sensor.ClearRequests();
        log = {};
        EXPECT_EQ(UploadLinTable(table.data(), 1), Outcome::TimedOut);
        EXPECT_EQ(Requests(), static_cast<std::size_t>(answered + 1));
        EXPECT_EQ(std::tuple(log.texts.back(), log.complete, log.blocks),
                  std::tuple("Timeout-RS-232...", 0, answered));
    }
}

TEST_F(LinkAlone, AnAbortEndsEveryWaitAtOnceAndWhatWaitsForTheLineRunsAfter) {
    sensor.SetFaults({.mute = true});
    std::vector<std::string> order;
    const double t0 = Timer();
    log.abortAt = t0 + 0.2;
    {
        LineOperation outer;
        WhenLineFree([&] { order.push_back("line free"); });
        EXPECT_EQ(UploadLinTable(Table().data(), 0), Outcome::Aborted);
        order.push_back("upload returned");
    }
    EXPECT_LT(Timer() - t0, 0.5);
    EXPECT_EQ(Requests(), 1u);  // the clear, and nothing after it
    EXPECT_EQ(order, (std::vector<std::string>{"upload returned", "line free"}));
    EXPECT_EQ(log.texts.back(), "X-FLASH upload stopped - table incomplete!");
    // An abort while nothing runs is no abort of what comes next.
    sensor.SetFaults({});
    log.abortAt = 1e9;
    AbortOperations();
    EXPECT_EQ(CheckComLine(com), 1);
}

// A far end of its own, byte by byte: the first answer to the echo has a
// noise byte ahead and its last byte a moment behind. The link asks again
// only once that byte has come and gone, so the second answer starts a clean
// queue and is taken: two requests, not a chain of misaligned frames.
TEST(LinkResync, ADamagedAnswerIsLetComeAndGoBeforeTheRequestGoesAgain) {
    int master = -1, slave = -1;
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    ASSERT_EQ(::openpty(&master, &slave, name, &raw, nullptr), 0);
    InitCom232Vars();
    SetPortTable({{name, "far end"}});
    ASSERT_EQ(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    int requests = 0;
    std::thread farEnd([&] {
        std::uint8_t answer[37] = {0x5A, 0x00, 0xAA, 0x00, 0x05};
        for (std::uint8_t request[36]; requests < 3;) {
            pollfd pfd{master, POLLIN, 0};
            if (::poll(&pfd, 1, 300) <= 0 || ::read(master, request, sizeof request) != 36)
                return;
            if (++requests == 1) {
                EXPECT_EQ(::write(master, answer, 36), 36);  // noise, then 35 bytes of the answer
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                EXPECT_EQ(::write(master, answer + 36, 1), 1);
            } else {
                EXPECT_EQ(::write(master, answer + 1, 36), 36);
            }
        }
    });
    EXPECT_EQ(CheckComLine(com), 1);
    EXPECT_EQ(std::pair(requests, Health().resyncs), std::pair(2, 1u));
    farEnd.join();
    CloseCom(com);
    ::close(master);
    ::close(slave);
    SetPortTable({});
}
