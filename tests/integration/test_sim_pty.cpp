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

extern char** environ;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::array<std::uint16_t, 15>;

constexpr int kAnswerWaitMs = 3000;  // generous; only waited out when an answer is missing
constexpr int kSilenceMs = 300;      // waited out in full where nothing may come

Bytes Request(std::uint16_t cmd, std::uint16_t second, const Words& words = {}) {
    Bytes frame(36);
    core::FillTxBuf(frame.data(), cmd, second, words.data());
    return frame;
}
Bytes Head(const Bytes& a, std::size_t n) {
    return Bytes(a.begin(), a.begin() + static_cast<long>(std::min(n, a.size())));
}
Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
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
    bool Write(const Bytes& b) {
        return ::write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size());
    }
    // Reads until `want` bytes have come or nothing more came for `waitMs`.
    Bytes Read(std::size_t want, int waitMs = kAnswerWaitMs) {
        Bytes out(want);
        std::size_t got = 0;
        pollfd p{fd, POLLIN, 0};
        while (got < want && ::poll(&p, 1, waitMs) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(fd, out.data() + got, want - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        out.resize(got);
        return out;
    }
};

sim::Options Unpaced(sim::Faults faults = {}) {
    sim::Options o;
    o.paced = false;
    o.faults = faults;
    return o;
}

bool HungUp(int fd) {
    std::uint8_t b = 0;
    const ssize_t n = ::read(fd, &b, 1);
    return n == 0 || (n < 0 && errno == EIO);
}

}  // namespace

TEST(SimPty, RequestsAreAnsweredInOrderAndLogged) {
    sim::SimulatedSensor s;  // paced, like the real line
    std::string error;
    ASSERT_TRUE(s.Start(&error)) << error;
    EXPECT_EQ(s.Path().rfind("/dev/pts/", 0), 0u) << s.Path();
    Port port(s.Path());
    const double before = sim::Now();
    const Bytes echo = Request(core::kCmdEcho, 0, Words{0xBEEF, 0x9088});
    ASSERT_TRUE(port.Write(
        Cat(Cat(echo, Request(core::kCmdHardware, 0)), Request(core::kCmdBlock, 64, Words{1}))));

    const Bytes a = port.Read(36 + 36 + 128);
    ASSERT_EQ(a.size(), 200u);
    EXPECT_EQ(Head(a, 36), Cat({0x00, 0xAA}, Bytes(echo.begin() + 2, echo.end())));
    EXPECT_EQ(Bytes(a.begin() + 36, a.begin() + 40), (Bytes{0x00, 0xAA, 0x00, 0x0A}));
    EXPECT_EQ(core::GetWordBE(&a[36 + 22]), 10080);
    EXPECT_TRUE(port.Read(1, kSilenceMs).empty());

    const auto log = s.Requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(Bytes(log[0].bytes.begin(), log[0].bytes.end()), echo);
    EXPECT_EQ(log[2].command(), core::kCmdBlock);
    EXPECT_EQ(log[2].second(), 64);
    EXPECT_GE(log[0].time, before);
    s.ClearRequests();
    EXPECT_TRUE(s.Requests().empty());

    // Stopping while idle hangs up the port; a second Stop is harmless.
    EXPECT_FALSE(s.Vanished());
    s.Stop();
    EXPECT_TRUE(s.Vanished());
    EXPECT_TRUE(HungUp(port.fd));
    s.Stop();
}

TEST(SimPty, LineNoiseAndBrokenRequestsAreSkipped) {
    sim::SimulatedSensor s(Unpaced());
    ASSERT_TRUE(s.Start());
    Port port(s.Path());
    // A stray byte, a false 00, a 00 00 55 run: only the frame behind them counts.
    const Bytes req = Request(core::kCmdReadRam, 1);
    ASSERT_TRUE(port.Write(Cat({0x13, 0x55, 0x00, 0xAA, 0x00, 0x00}, req)));
    const Bytes a = port.Read(36);
    ASSERT_EQ(a.size(), 36u);
    EXPECT_EQ(Head(a, 6), (Bytes{0x00, 0xAA, 0x00, 0x02, 0x00, 0x01}));
    EXPECT_EQ(core::GetWordBE(&a[6 + 2 * 3]), 1500);  // teachA

    // A request broken off half-way is forgotten after a pause instead of
    // swallowing the head of the next one.
    const Bytes broken = Request(core::kCmdWriteEeprom, 0, Words{9, 9, 9});
    ASSERT_TRUE(port.Write(Head(broken, 20)));
    EXPECT_TRUE(port.Read(1, 1000).empty());
    ASSERT_TRUE(port.Write(Request(core::kCmdEcho, 0, Words{0x1111})));
    EXPECT_EQ(Head(port.Read(36), 8), (Bytes{0x00, 0xAA, 0x00, 0x05, 0x00, 0x00, 0x11, 0x11}));
    EXPECT_EQ(s.Requests().size(), 2u);
    EXPECT_EQ(s.WithModel([](sim::SensorModel& m) { return m.eeprom[0][0]; }), 1);
}

TEST(SimPty, LineIsRawForAProgramThatSetsNothing) {
    sim::SimulatedSensor s(Unpaced());
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
        EXPECT_EQ(Bytes(a.begin() + 6, a.end()), Bytes(req.begin() + 6, req.end()));
    }
}

TEST(SimPtyFaults, FaultsChangeTheAnswerFromTheNextRequestOn) {
    sim::SimulatedSensor s(Unpaced());
    ASSERT_TRUE(s.Start());
    Port port(s.Path());
    auto exchange = [&](const sim::Faults& f, const Bytes& req, std::size_t want,
                        int waitMs = kAnswerWaitMs) {
        s.SetFaults(f);
        EXPECT_TRUE(port.Write(req));
        const Bytes a = port.Read(want, waitMs);
        EXPECT_TRUE(port.Read(1, kSilenceMs).empty());
        return a;
    };
    const Bytes raw = Request(core::kCmdRaw, 0);
    sim::Faults f;
    EXPECT_EQ(Head(exchange(f, raw, 36), 4), (Bytes{0x00, 0xAA, 0x00, 0x08}));
    f.wrongSync = true;
    EXPECT_EQ(Head(exchange(f, raw, 36), 4), (Bytes{0x00, 0x55, 0x00, 0x08}));
    EXPECT_TRUE(s.GetFaults().wrongSync);
    f = {};
    f.nonRaw = true;
    const Bytes nonRaw = exchange(f, raw, 36);
    EXPECT_EQ(Head(nonRaw, 4), (Bytes{0x00, 0xAA, 0x00, 0x02}));
    EXPECT_EQ(core::GetWordBE(&nonRaw[4 + 2 * 12]), 1500);  // still the raw words: teachA
    f = {};
    f.noBlocks = f.noFirmware = true;
    EXPECT_TRUE(exchange(f, Request(core::kCmdBlock, 0, Words{0}), 128, kSilenceMs).empty());
    EXPECT_TRUE(exchange(f, Request(core::kCmdFirmware, 0), 72, kSilenceMs).empty());
    EXPECT_EQ(exchange(f, Request(core::kCmdEcho, 0), 36).size(), 36u);
    f = {};
    f.garbageBytes = 5;
    const Bytes noisy = exchange(f, Request(core::kCmdEcho, 0, Words{0x4242}), 41);
    ASSERT_EQ(noisy.size(), 41u);
    EXPECT_EQ(Bytes(noisy.begin() + 5, noisy.begin() + 13),
              (Bytes{0x00, 0xAA, 0x00, 0x05, 0x00, 0x00, 0x42, 0x42}));
    f = {};
    f.truncateTo = 10;
    EXPECT_EQ(exchange(f, Request(core::kCmdBlock, 0, Words{2}), 128, kSilenceMs).size(), 10u);

    // Mute: the request is still taken, only the answer never comes.
    f = {};
    f.mute = true;
    s.ClearRequests();
    EXPECT_TRUE(exchange(f, Request(core::kCmdWriteRam, 0, Words{2}), 36, kSilenceMs).empty());
    EXPECT_TRUE(exchange(f, Request(core::kCmdEcho, 0), 36, kSilenceMs).empty());
    EXPECT_EQ(s.Requests().size(), 2u);
    EXPECT_EQ(s.WithModel([](sim::SensorModel& m) { return m.ram[0][0]; }), 2);
}

TEST(SimPtyFaults, VanishedDeviceHangsUpThePort) {
    sim::Faults f;
    f.vanishAfter = 2;
    sim::SimulatedSensor s(Unpaced(f));
    ASSERT_TRUE(s.Start());
    Port port(s.Path());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(port.Write(Request(core::kCmdEcho, 0)));
        EXPECT_EQ(port.Read(36).size(), 36u) << "answer " << i;
    }
    for (int i = 0; i < 500 && !s.Vanished(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(s.Vanished());
    EXPECT_TRUE(HungUp(port.fd));
    EXPECT_FALSE(port.Write(Request(core::kCmdEcho, 0)));
    EXPECT_EQ(s.Requests().size(), 2u);
}

#ifdef KBEX_BUILD_DIR
namespace {

// Starts the executable with stdout on a pipe; returns its pid, or -1.
pid_t Spawn(std::vector<std::string> args, int* out) {
    args.insert(args.begin(), std::string(KBEX_BUILD_DIR) + "/kbex-sensor-sim");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    *out = fds[0];
    return pid;
}

std::string FirstLine(int fd) {
    std::string line;
    char ch = 0;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, kAnswerWaitMs) > 0 && ::read(fd, &ch, 1) == 1 && ch != '\n')
        line += ch;
    return line;
}

int ExitCode(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(SimExecutable, PrintsThePtyPathServesAndRejectsBadOptions) {
    int out = -1;
    const pid_t pid = Spawn({"--unpaced", "--hw-type", "10037", "--seed=3"}, &out);
    ASSERT_GT(pid, 0);
    const std::string path = FirstLine(out);
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    {
        Port port(path);
        ASSERT_TRUE(port.Write(Request(core::kCmdHardware, 0)));
        const Bytes a = port.Read(36);
        ASSERT_EQ(a.size(), 36u);
        EXPECT_EQ(Bytes(a.begin() + 22, a.begin() + 24), (Bytes{0x27, 0x35}));
    }
    ::kill(pid, SIGTERM);
    EXPECT_EQ(ExitCode(pid), 0);
    ::close(out);

    for (const auto& bad : {std::vector<std::string>{"--bogus"},
                            {"--baud", "fast"},
                            {"--garbage"},
                            {"--virt-pixels", "70000"},
                            {"--mute=1"}}) {
        const pid_t p = Spawn(bad, &out);
        ASSERT_GT(p, 0);
        EXPECT_EQ(ExitCode(p), 2) << bad[0];
        EXPECT_EQ(FirstLine(out), "") << bad[0];
        ::close(out);
    }
}
#endif
