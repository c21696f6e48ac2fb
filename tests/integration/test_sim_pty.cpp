// The simulated sensor over a real pseudo-terminal, seen from the program's
// side: the slave path opened with plain POSIX calls.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/frame.h"
#include "simulated_sensor.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::array<std::uint16_t, 15>;

constexpr int kAnswerWaitMs = 3000;  // generous; only waited out when an answer is missing
constexpr int kSilenceMs = 100;      // waited out in full where nothing may come

Bytes Request(std::uint16_t cmd, std::uint16_t second, const Words& words = {}) {
    Bytes frame(36);
    core::PutWordBE(&frame[0], core::kRequestSync);
    core::PutWordBE(&frame[2], cmd);
    core::PutWordBE(&frame[4], second);
    for (std::size_t i = 0; i < words.size(); ++i)
        core::PutWordBE(&frame[6 + 2 * i], words[i]);
    return frame;
}
Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes Slice(const Bytes& a, std::size_t from, std::size_t n) {
    return Bytes(a.begin() + static_cast<long>(std::min(from, a.size())),
                 a.begin() + static_cast<long>(std::min(from + n, a.size())));
}

struct Port {
    int fd = -1;
    explicit Port(const std::string& path, bool makeRaw = true) {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios tio{};
        if (fd >= 0 && makeRaw && ::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~Port() { ::close(fd); }
    bool Write(const Bytes& b) { return ::write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size()); }
    // Reads until `want` bytes have come or nothing more came for `waitMs`.
    Bytes Read(std::size_t want, int waitMs = kAnswerWaitMs) {
        Bytes out(want);
        std::size_t got = 0;
        pollfd p{fd, POLLIN, 0};
        while (got < want && (::poll(&p, 1, waitMs) > 0) && (p.revents & POLLIN)) {
            const ssize_t n = ::read(fd, out.data() + got, want - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        out.resize(got);
        return out;
    }
    bool HungUp() {
        std::uint8_t b = 0;
        const ssize_t n = ::read(fd, &b, 1);
        return n == 0 || (n < 0 && errno == EIO);
    }
};

}  // namespace

TEST(SimPty, PacedRequestsBehindLineNoiseAreAnsweredInOrderAndLoggedAndStopHangsUp) {
    sim::SimulatedSensor s;  // paced, like the real line
    std::string error;
    ASSERT_TRUE(s.Start(&error)) << error;
    EXPECT_EQ(s.Path().rfind("/dev/pts/", 0), 0u) << s.Path();
    Port port(s.Path());
    const Bytes echo = Request(core::kCmdEcho, 0, Words{0xBEEF, 0x9088});
    // A stray byte, a false 00, a 00 00 55 run: only the frames behind them count.
    ASSERT_TRUE(
        port.Write(Cat(Cat(Cat({0x13, 0x55, 0x00, 0xAA, 0x00, 0x00}, echo), Request(core::kCmdHardware, 0)),
                       Request(core::kCmdBlock, 64, Words{1}))));
    const Bytes a = port.Read(36 + 36 + 128);
    ASSERT_EQ(a.size(), 200u);
    EXPECT_EQ(Slice(a, 0, 36), Cat({0x00, 0xAA}, Slice(echo, 2, 34)));
    EXPECT_EQ(Slice(a, 36, 4), (Bytes{0x00, 0xAA, 0x00, 0x0A}));
    EXPECT_EQ(core::GetWordBE(&a[36 + 22]), 10080);
    EXPECT_TRUE(port.Read(1, kSilenceMs).empty());

    const auto log = s.Requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(Bytes(log[0].bytes.begin(), log[0].bytes.end()), echo);
    EXPECT_EQ(log[2].command(), core::kCmdBlock);
    EXPECT_EQ(log[2].second(), 64);
    EXPECT_LE(log[0].time, log[2].time);
    s.ClearRequests();
    EXPECT_TRUE(s.Requests().empty());

    // Stopping while idle hangs up the port; a second Stop is harmless.
    EXPECT_FALSE(s.Vanished());
    s.Stop();
    EXPECT_TRUE(s.Vanished());
    EXPECT_TRUE(port.HungUp());
    s.Stop();
}

TEST(SimPty, LineIsRawForAProgramThatSetsNothing) {
    sim::SimulatedSensor s({.paced = false});
    ASSERT_TRUE(s.Start());
    // CR and LF bytes would be translated by a cooked line in both directions.
    const Bytes req = Request(core::kCmdEcho, 0, Words{0x0D0A, 0x0A0D, 0x7F1C});
    for (int round = 0; round < 2; ++round) {  // and again after the port was closed
        Port port(s.Path(), false);
        termios tio{};
        ASSERT_EQ(::tcgetattr(port.fd, &tio), 0);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(tio.c_iflag & ICRNL, 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        ASSERT_TRUE(port.Write(req));
        const Bytes a = port.Read(36);
        ASSERT_EQ(a.size(), 36u) << round;
        EXPECT_EQ(Slice(a, 6, 30), Slice(req, 6, 30));
    }
}

TEST(SimPtyFaults, EachSwitchChangesTheBytesTheProgramGetsFromTheNextRequestOn) {
    const struct {
        const char* name;
        sim::Faults faults;
        Bytes request;
        std::size_t size;  // bytes that come
        std::size_t at;    // where `head` starts in them
        Bytes head;
    } rows[] = {
        {"none", {}, Request(core::kCmdRaw, 0), 36, 0, {0x00, 0xAA, 0x00, 0x08}},
        {"wrong sync", {.wrongSync = true}, Request(core::kCmdRaw, 0), 36, 0, {0x00, 0x55, 0x00, 0x08}},
        {"non-raw", {.nonRaw = true}, Request(core::kCmdRaw, 0), 36, 0, {0x00, 0xAA, 0x00, 0x02}},
        {"no blocks", {.noBlocks = true}, Request(core::kCmdBlock, 0, Words{0}), 0, 0, {}},
        {"no firmware", {.noFirmware = true}, Request(core::kCmdFirmware, 0), 0, 0, {}},
        {"garbage",
         {.garbageBytes = 5},
         Request(core::kCmdEcho, 0, Words{0x4242}),
         41,
         5,
         {0x00, 0xAA, 0x00, 0x05, 0x00, 0x00, 0x42, 0x42}},
        {"truncated", {.truncateTo = 10}, Request(core::kCmdBlock, 0, Words{2}), 10, 0, {}},
        // The request is still taken, only the answer never comes.
        {"mute", {.mute = true}, Request(core::kCmdWriteRam, 0, Words{2}), 0, 0, {}},
    };
    sim::SimulatedSensor s({.paced = false});
    ASSERT_TRUE(s.Start());
    Port port(s.Path());
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        s.SetFaults(r.faults);
        ASSERT_TRUE(port.Write(r.request));
        const Bytes a = port.Read(std::max<std::size_t>(r.size, 1), r.size ? kAnswerWaitMs : kSilenceMs);
        EXPECT_EQ(a.size(), r.size);
        EXPECT_EQ(Slice(a, r.at, r.head.size()), r.head);
        EXPECT_TRUE(port.Read(1, kSilenceMs).empty());
    }
    EXPECT_EQ(s.Requests().size(), std::size(rows));
    EXPECT_EQ(s.WithModel([](sim::SensorModel& m) { return m.ram[0][0]; }), 2);
}

#ifdef KBEX_BUILD_DIR
TEST(SimExecutable, PrintsThePtyPathServesAndRejectsBadOptions) {
    const std::string exe = std::string(KBEX_BUILD_DIR) + "/kbex-sensor-sim";
    // The shell prints its pid, which the simulator keeps through exec.
    FILE* out =
        ::popen(("echo $$; exec " + exe + " --unpaced --hw-type 10037 --seed=3 2>/dev/null").c_str(), "r");
    ASSERT_NE(out, nullptr);
    char pid[32] = {}, path[256] = {};
    ASSERT_TRUE(::fgets(pid, sizeof pid, out) && ::fgets(path, sizeof path, out));
    const std::string pts = std::string(path).substr(0, std::string(path).find('\n'));
    EXPECT_EQ(pts.rfind("/dev/pts/", 0), 0u) << pts;
    {
        Port port(pts);
        ASSERT_TRUE(port.Write(Request(core::kCmdHardware, 0)));
        EXPECT_EQ(Slice(port.Read(36), 22, 2), (Bytes{0x27, 0x35}));
    }
    ::kill(std::stoi(pid), SIGTERM);
    const int status = ::pclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    for (const char* bad : {"--bogus", "--baud fast", "--garbage", "--virt-pixels 70000", "--mute=1"}) {
        FILE* p = ::popen((exe + " " + bad + " 2>/dev/null").c_str(), "r");
        ASSERT_NE(p, nullptr);
        char line[64];
        EXPECT_EQ(::fgets(line, sizeof line, p), nullptr) << bad << ": printed a path";
        const int s = ::pclose(p);
        EXPECT_TRUE(WIFEXITED(s) && WEXITSTATUS(s) == 2) << bad;
    }
}
#endif
