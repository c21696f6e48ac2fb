// The serial layer against a bare pseudo-terminal: the test plays the line's
// far end byte by byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"

using namespace kbex_test;

namespace {

// The far end of a line: the master side of a fresh pty, listed as COM1.
class FarEnd {
public:
    FarEnd() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master_, 0);
        ::grantpt(master_);
        ::unlockpt(master_);
        path_ = ::ptsname(master_);
        // Keep the line raw between users, as an adapter would be.
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(slave_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave_, TCSANOW, &t);
        SetPortTable({{path_, "test line"}});
    }
    ~FarEnd() {
        CloseCom(1);
        SetPortTable({});
        Hangup();
    }
    [[nodiscard]] bool Send(const std::vector<std::uint8_t>& bytes) {
        return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    void Hangup() {
        for (int* fd : {&slave_, &master_})
            if (*fd >= 0)
                ::close(std::exchange(*fd, -1));
    }
    const std::string& path() const { return path_; }

private:
    int master_ = -1, slave_ = -1;
    std::string path_;
};

int Open(int queueSize = 4096) {
    return OpenComConfig(1, "", 19200, 0, 8, 1, queueSize, queueSize);
}

struct Calls {
    int count = 0;
    int flags = 0;
    int queued = 0;
};
Calls g_calls;

void CountingCallback(int port, int flags, void*) {
    ++g_calls.count;
    g_calls.flags = flags;
    g_calls.queued = GetInQLen(port);
}

void ReadingCallback(int port, int flags, void*) {
    CountingCallback(port, flags, nullptr);
    std::uint8_t buf[36];
    ComRd(port, buf, 36);
}

std::vector<std::uint8_t> Bytes(std::size_t n) {
    return std::vector<std::uint8_t>(n, 0x11);
}

}  // namespace

TEST(Serial, BadArgumentsUnknownAndClosedPortsFailWithTheirCodes) {
    std::uint8_t buf[36] = {};
    EXPECT_LT(ComWrt(7, buf, 36), 0);
    EXPECT_LT(ComRd(7, buf, 36), 0);
    EXPECT_LT(GetInQLen(7), 0);
    EXPECT_LT(FlushInQ(7), 0);
    EXPECT_LT(FlushOutQ(7), 0);
    EXPECT_LT(SetComTime(7, 1.5), 0);
    EXPECT_LT(InstallComCallback(7, LWRS_RECEIVE, 36, 0x55, CountingCallback, nullptr), 0);
    EXPECT_LT(CloseCom(7), 0);

    FarEnd line;
    EXPECT_EQ(OpenComConfig(0, "", 19200, 0, 8, 1, 4096, 4096), kComInvalidPort);
    EXPECT_EQ(OpenComConfig(2, "", 19200, 0, 8, 1, 4096, 4096), kComInvalidPort);
    EXPECT_EQ(OpenComConfig(1, "", 12345, 0, 8, 1, 4096, 4096), kComInvalidParameter);
    EXPECT_EQ(OpenComConfig(1, "", 19200, 5, 8, 1, 4096, 4096), kComInvalidParameter);
    EXPECT_EQ(Open(), 0);
    // Opening an open port again starts afresh rather than failing.
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(ComRd(1, buf, -1), kComInvalidParameter);
    EXPECT_EQ(CloseCom(1), 0);
    EXPECT_LT(CloseCom(1), 0);
}

TEST(Serial, DeviceWithoutPermissionCannotBeOpened) {
    FarEnd line;
    // Root opens anything; an ordinary user may not open another's terminal.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        ::chmod(line.path().c_str(), 0);  // the owner locks himself out; others are out already
        ::_exit(-Open());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 100)
        GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_EQ(-static_cast<int>(WEXITSTATUS(status)), kComCannotOpen);
}

TEST(Serial, ReceiveCallbackRunsOnlyFromEventDispatchOncePerCrossingOfTheNotifyCount) {
    FarEnd line;
    ASSERT_EQ(Open(), 0);
    g_calls = {};
    ASSERT_EQ(InstallComCallback(1, LWRS_RECEIVE, 36, 0x55, ReadingCallback, nullptr), 0);
    ASSERT_TRUE(line.Send(Bytes(35)));
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 35; }, 2.0));
    Pump(0.05);
    EXPECT_EQ(g_calls.count, 0);  // one byte short of a frame
    ASSERT_TRUE(line.Send(Bytes(1)));
    // Filling the queue outside the event loop does not call back from there.
    Delay(0.05);
    EXPECT_EQ(GetInQLen(1), 36);
    EXPECT_EQ(g_calls.count, 0);
    ASSERT_TRUE(PumpUntil([] { return g_calls.count == 1; }, 2.0));
    EXPECT_EQ(g_calls.flags & LWRS_RECEIVE, LWRS_RECEIVE);
    EXPECT_EQ(g_calls.queued, 36);
    // Two frames in one burst: one call per crossing of the count.
    ASSERT_TRUE(line.Send(Bytes(72)));
    ASSERT_TRUE(PumpUntil([] { return g_calls.count == 3; }, 2.0));
    Pump(0.05);
    EXPECT_EQ(g_calls.count, 3);
    EXPECT_EQ(GetInQLen(1), 0);

    // A callback that leaves the queue is not called again until it drops.
    g_calls = {};
    InstallComCallback(1, LWRS_RECEIVE, 36, 0x55, CountingCallback, nullptr);
    ASSERT_TRUE(line.Send(Bytes(40)));
    ASSERT_TRUE(PumpUntil([] { return g_calls.count == 1; }, 2.0));
    ASSERT_TRUE(line.Send(Bytes(10)));
    Pump(0.1);
    EXPECT_EQ(g_calls.count, 1);
    FlushInQ(1);
    ASSERT_TRUE(line.Send(Bytes(36)));
    ASSERT_TRUE(PumpUntil([] { return g_calls.count == 2; }, 2.0));
    // Switched off: bytes stay in the queue for whoever reads them.
    InstallComCallback(1, 0, 36, 0x55, nullptr, nullptr);
    FlushInQ(1);
    ASSERT_TRUE(line.Send(Bytes(128)));
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 128; }, 2.0));
    EXPECT_EQ(g_calls.count, 2);
}

TEST(Serial, ReadWaitsForItsBytesUpToTheTimeOutAndFlushEmptiesWhatTheLineBrought) {
    FarEnd line;
    ASSERT_EQ(Open(), 0);
    SetComTime(1, 0.2);
    ASSERT_TRUE(line.Send({1, 2, 3, 4}));
    std::uint8_t buf[16] = {};
    const double t0 = Timer();
    EXPECT_EQ(ComRd(1, buf, 10), 4);
    EXPECT_GE(Timer() - t0, 0.19);
    EXPECT_EQ(buf[0], 1);
    EXPECT_EQ(buf[3], 4);

    ASSERT_TRUE(line.Send(Bytes(50)));
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 50; }, 2.0));
    ASSERT_TRUE(line.Send(Bytes(20)));
    Pump(0.05);
    EXPECT_EQ(FlushInQ(1), 0);
    EXPECT_EQ(GetInQLen(1), 0);
}

TEST(Serial, SmallQueueHoldsWhatFitsAndTakesTheRestLater) {
    FarEnd line;
    ASSERT_EQ(Open(64), 0);
    ASSERT_TRUE(line.Send(Bytes(200)));
    Pump(0.1);  // must not spin on the readable device either
    EXPECT_EQ(GetInQLen(1), 64);
    std::uint8_t buf[64];
    for (int left = 200; left > 64; left -= 64) {
        ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 64; }, 2.0)) << left;
        EXPECT_EQ(ComRd(1, buf, 64), 64);
    }
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 200 % 64; }, 2.0));
}

TEST(Serial, HangupMakesEveryOperationFailWithoutSpinning) {
    FarEnd line;
    ASSERT_EQ(Open(), 0);
    ASSERT_TRUE(line.Send({0xAB, 0xCD}));
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 2; }, 2.0));
    line.Hangup();
    Pump(0.1);
    std::uint8_t buf[4] = {};
    // What arrived before the hang-up can still be read; then only failures.
    EXPECT_EQ(ComRd(1, buf, 4), 2);
    EXPECT_EQ(buf[0], 0xAB);
    EXPECT_LT(ComRd(1, buf, 4), 0);
    EXPECT_LT(ComWrt(1, buf, 4), 0);
    EXPECT_LT(GetInQLen(1), 0);
    EXPECT_EQ(CloseCom(1), 0);
}
