// The simulated sensor over a real pseudo-terminal, seen from the program's
// side: the slave path opened with plain POSIX calls.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>
#include <vector>

#include "core/frame.h"
#include "simulated_sensor.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::array<std::uint16_t, 15>;

constexpr int kAnswerWaitMs = 3000;  // generous; only waited out when an answer is missing
constexpr int kSilenceMs = 100;      // waited out in full where nothing may come

Bytes Request(std::uint16_t cmd, std::uint16_t second, const Words& words = {}) {
    Bytes frame(core::kFrameLen);
    core::FillTxBuf(std::span<std::uint8_t, core::kFrameLen>(frame), cmd, second, words);
    return frame;
}
Bytes Slice(const Bytes& a, std::size_t from, std::size_t n) {
    return Bytes(a.begin() + static_cast<long>(std::min(from, a.size())),
                 a.begin() + static_cast<long>(std::min(from + n, a.size())));
}

struct Port {
    int fd = -1;
    // Sets nothing on the line: the sensor keeps it raw for any program.
    explicit Port(const std::string& path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
    ~Port() { ::close(fd); }
    bool Write(const Bytes& b) { return ::write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size()); }
    // Reads until `want` bytes have come or nothing more came for `waitMs`.
    Bytes Read(std::size_t want, int waitMs = kAnswerWaitMs) {
        Bytes out;
        std::uint8_t buf[256];
        for (pollfd p{fd, POLLIN, 0}; out.size() < want && ::poll(&p, 1, waitMs) > 0;) {
            const ssize_t n = ::read(fd, buf, std::min(sizeof buf, want - out.size()));
            if (n <= 0)
                break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
};

}  // namespace

// Paced, bytes cross the line one at a time both ways: a request counts only
// once its last byte is through, and the answers follow one another on the line.
TEST(SimPty, LineIsRawPacedRequestsBehindNoiseAreAnsweredInOrderAndLoggedAndStopHangsUp) {
    sim::SimulatedSensor s;  // paced, like the real line
    std::string error;
    ASSERT_TRUE(s.Start(&error)) << error;
    EXPECT_EQ(s.Path().rfind("/dev/pts/", 0), 0u) << s.Path();
    // The line is raw for a program that sets nothing: a cooked line would
    // translate CR and LF in either direction, take DEL for an erase and FS
    // for a signal.
    const Bytes req = Request(core::kCmdEcho, 0, Words{0x0D0A, 0x0A0D, 0x7F1C});
    for (int round = 0; round < 2; ++round) {  // and again after the port was closed
        Port port(s.Path());
        termios tio{};
        ASSERT_EQ(::tcgetattr(port.fd, &tio), 0);
        EXPECT_EQ(tio.c_lflag & ECHO, 0u);  // the rest shows in the bytes that come back
        ASSERT_TRUE(port.Write(req));
        EXPECT_EQ(Slice(port.Read(36), 6, 30), Slice(req, 6, 30)) << round;
    }
    s.ClearRequests();

    Port port(s.Path());
    const Bytes echo = Request(core::kCmdEcho, 0, Words{0xBEEF, 0x9088});
    const double byteTime = 10.0 / 19200, t0 = sim::Now();
    // A stray byte, a false 00, a 00 00 55 run: only the frames behind them count.
    for (const Bytes& b : {Bytes{0x13, 0x55, 0x00, 0xAA, 0x00, 0x00}, echo, Request(core::kCmdHardware, 0),
                           Request(core::kCmdBlock, 64, Words{1})})
        ASSERT_TRUE(port.Write(b));
    const Bytes a = port.Read(36 + 36 + 128);
    ASSERT_EQ(a.size(), 200u);
    // 6 noise bytes and the first request in, then the three answers out.
    EXPECT_GE(sim::Now() - t0, (6 + 36 + 200) * byteTime);
    EXPECT_EQ(Slice(a, 0, 2), (Bytes{0x00, 0xAA}));
    EXPECT_EQ(Slice(a, 2, 34), Slice(echo, 2, 34));
    EXPECT_EQ(Slice(a, 36, 4), (Bytes{0x00, 0xAA, 0x00, 0x0A}));
    EXPECT_EQ(core::GetWordBE(&a[36 + 22]), 10080);
    EXPECT_TRUE(port.Read(1, kSilenceMs).empty());

    // The log's bytes are every program test's; here its times.
    const auto log = s.Requests();
    ASSERT_EQ(log.size(), 3u);
    for (std::size_t i = 0; i < log.size(); ++i)
        EXPECT_GE(log[i].time - t0, (6 + 36 * (i + 1)) * byteTime) << i;

    // Stopping while idle hangs up the port; a second Stop is harmless.
    EXPECT_FALSE(s.Vanished());
    s.Stop();
    EXPECT_TRUE(s.Vanished());
    std::uint8_t b = 0;
    const ssize_t n = ::read(port.fd, &b, 1);
    EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << "not hung up";
    s.Stop();
}
