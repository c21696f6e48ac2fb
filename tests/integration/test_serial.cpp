// The serial layer against a bare pseudo-terminal: the test plays the line's
// far end byte by byte.
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <vector>

#include "app_fixture.h"
#include "platform/clock.h"

using namespace kbex_test;

namespace {

// The far end of a line: the master side of a fresh pty, listed as COM1,
// which is opened with queues of `queueSize` bytes. The slave side is held
// open too and raw, as an adapter keeps its line between users.
struct FarEnd {
    explicit FarEnd(int queueSize = 4096) {
        char name[256] = {};
        termios raw{};
        ::cfmakeraw(&raw);
        EXPECT_EQ(::openpty(&master, &slave, name, &raw, nullptr), 0);
        SetPortTable({{name, "test line"}});
        EXPECT_EQ(OpenComConfig(1, "", 19200, 0, 8, 1, queueSize, queueSize), 0);
    }
    ~FarEnd() {
        CloseCom(1);
        SetPortTable({});
        Hangup();
    }
    [[nodiscard]] bool Send(std::size_t n, std::uint8_t byte = 0x11) {
        const std::vector<std::uint8_t> bytes(n, byte);
        return ::write(master, bytes.data(), n) == static_cast<ssize_t>(n);
    }
    void Hangup() {
        for (int* fd : {&slave, &master})
            if (*fd >= 0)
                ::close(std::exchange(*fd, -1));
    }
    int master = -1, slave = -1;
};

struct Calls {
    int count = 0, flags = 0, queued = 0;
} g_calls;

// Counts its calls; given any callback data it also reads one frame's worth.
void Callback(int port, int flags, void* reads) {
    g_calls = {g_calls.count + 1, flags, GetInQLen(port)};
    std::uint8_t buf[36];
    if (reads)
        ComRd(port, buf, 36);
}

}  // namespace

TEST(Serial, BadArgumentsUnknownAndClosedPortsFailWithTheirCodes) {
    // Every operation on a port that is not in the table fails.
    std::uint8_t buf[36] = {};
    for (int r :
         {ComWrt(7, buf, 36), ComRd(7, buf, 36), GetInQLen(7), FlushInQ(7), FlushOutQ(7), SetComTime(7, 1.5),
          InstallComCallback(7, LWRS_RECEIVE, 36, 0x55, Callback, nullptr), CloseCom(7)})
        EXPECT_LT(r, 0);

    FarEnd line;
    EXPECT_EQ(OpenComConfig(0, "", 19200, 0, 8, 1, 4096, 4096), kComInvalidPort);
    EXPECT_EQ(OpenComConfig(2, "", 19200, 0, 8, 1, 4096, 4096), kComInvalidPort);
    EXPECT_EQ(OpenComConfig(1, "", 12345, 0, 8, 1, 4096, 4096), kComInvalidParameter);
    EXPECT_EQ(OpenComConfig(1, "", 19200, 5, 8, 1, 4096, 4096), kComInvalidParameter);
    EXPECT_EQ(OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096), 0);  // again: starts afresh, no failure
    EXPECT_EQ(ComRd(1, buf, -1), kComInvalidParameter);
    EXPECT_EQ(CloseCom(1), 0);
    EXPECT_LT(CloseCom(1), 0);
}

TEST(Serial, ReceiveCallbackRunsOnlyFromEventDispatchOncePerCrossingOfTheNotifyCount) {
    FarEnd line;
    g_calls = {};
    ASSERT_EQ(InstallComCallback(1, LWRS_RECEIVE, 36, 0x55, Callback, &g_calls), 0);
    ASSERT_TRUE(line.Send(35));
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 35; }, 2.0));
    Pump(0.05);
    EXPECT_EQ(g_calls.count, 0);  // one byte short of a frame
    ASSERT_TRUE(line.Send(1));
    // Filling the queue outside the event loop does not call back from there.
    Delay(0.05);
    EXPECT_EQ(GetInQLen(1), 36);
    EXPECT_EQ(g_calls.count, 0);
    ASSERT_TRUE(PumpUntil([] { return g_calls.count == 1; }, 2.0));
    EXPECT_EQ(Values(g_calls.flags & LWRS_RECEIVE, g_calls.queued), Values(LWRS_RECEIVE, 36));
    // Two frames in one burst: one call per crossing of the count.
    ASSERT_TRUE(line.Send(72));
    ASSERT_TRUE(PumpUntil([] { return g_calls.count == 3; }, 2.0));
    Pump(0.05);
    EXPECT_EQ(g_calls.count, 3);
    EXPECT_EQ(GetInQLen(1), 0);

    // A callback that leaves the queue is not called again until it drops.
    InstallComCallback(1, LWRS_RECEIVE, 36, 0x55, Callback, nullptr);
    ASSERT_TRUE(line.Send(40));
    ASSERT_TRUE(PumpUntil([] { return g_calls.count == 4; }, 2.0));
    ASSERT_TRUE(line.Send(10));
    Pump(0.1);
    EXPECT_EQ(g_calls.count, 4);
    FlushInQ(1);
    ASSERT_TRUE(line.Send(36));
    ASSERT_TRUE(PumpUntil([] { return g_calls.count == 5; }, 2.0));
    // Switched off: bytes stay in the queue for whoever reads them.
    InstallComCallback(1, 0, 36, 0x55, nullptr, nullptr);
    FlushInQ(1);
    ASSERT_TRUE(line.Send(128));
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 128; }, 2.0));
    EXPECT_EQ(g_calls.count, 5);
}

TEST(Serial, ReadWaitsForItsBytesUpToTheTimeOut) {
    FarEnd line;
    SetComTime(1, 0.2);
    ASSERT_TRUE(line.Send(4, 0x42));
    std::uint8_t buf[16] = {};
    const double t0 = Timer();
    EXPECT_EQ(ComRd(1, buf, 10), 4);
    EXPECT_GE(Timer() - t0, 0.19);
    EXPECT_EQ(buf[3], 0x42);
}

TEST(Serial, SmallQueueHoldsWhatFitsAndAfterAHangupOnlyWhatHadArrivedIsRead) {
    FarEnd line(64);
    ASSERT_TRUE(line.Send(200));
    Pump(0.1);  // must not spin on the readable device either
    std::uint8_t buf[64];
    for (int left = 200; left > 64; left -= 64) {
        ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 64; }, 2.0)) << left;
        EXPECT_EQ(ComRd(1, buf, 64), 64);
    }
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 200 % 64; }, 2.0));
    // The far end hangs up: what arrived can still be read, then every
    // operation fails, without spinning.
    line.Hangup();
    Pump(0.1);
    EXPECT_EQ(ComRd(1, buf, 64), 200 % 64);
    for (int r : {ComRd(1, buf, 4), ComWrt(1, buf, 4), GetInQLen(1)})
        EXPECT_LT(r, 0);
    EXPECT_EQ(CloseCom(1), 0);
}
