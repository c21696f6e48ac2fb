// What an unlucky machine does to the serial layer and the file reads: a FIFO
// for a file, a directory for a port, a second instance on the line, flags an
// earlier program left, a full queue, a signal in a write, a USB adapter.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app_fixture.h"
#include "platform/files.h"
#include "platform/serial.h"
#include "platform/serial_internal.h"
#include "platform/text_codec.h"

namespace {

// A fresh pty, listed as COM1 and again as COM2; `slave` is the test's own
// descriptor, opened before the layer's.
struct Line {
    Line() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::grantpt(master);
        ::unlockpt(master);
        path = ::ptsname(master);
        slave = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        SetPortTable({{path, "first"}, {path, "second"}});
    }
    ~Line() {
        CloseCom(1);
        CloseCom(2);
        SetPortTable({});
        ::close(slave);
        ::close(master);
    }
    int master = -1, slave = -1;
    std::string path;
};

int Open(int port, int queueSize = 4096) {
    return OpenComConfig(port, "", 19200, 0, 8, 1, queueSize, queueSize);
}

std::vector<int> g_serialSets;  // flags of each TIOCSSERIAL the fake driver saw
constexpr int kDriverFlags = ASYNC_SKIP_TEST;

int FakeUsbDriver(int, unsigned long request, void* arg) {
    auto* ss = static_cast<serial_struct*>(arg);
    if (request == TIOCGSERIAL) {
        *ss = serial_struct{};
        ss->flags = kDriverFlags;
    }
    if (request == TIOCSSERIAL)
        g_serialSets.push_back(ss->flags);
    return 0;
}

}  // namespace

TEST(FileBytes, ReadAndWriteRefuseAnythingButARegularFileAndNeverBlock) {
    char dir[] = "/tmp/kbex-read-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/a.cfg", fifo = std::string(dir) + "/fifo.cfg";
    ASSERT_EQ(WriteFileBytes(file.c_str(), "1\n", false), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(WriteFileBytes(fifo.c_str(), "x", true), 0);  // no reader: a plain open would wait for one
    EXPECT_NE(WriteFileBytes("/dev/null", "x", false), 0);
    // Should the read wait for a writer on the FIFO, this one comes and ends
    // the wait with an empty file, which must be refused all the same.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 500 && !done; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
                ::close(fd);
    });
    const struct {
        std::string path;
        bool ok;
    } cases[] = {{file, true}, {dir, false}, {"/dev/null", false}, {fifo, false}};
    for (const auto& c : cases) {
        std::string bytes = "old";
        EXPECT_EQ(ReadFileBytes(c.path.c_str(), bytes) == 0, c.ok) << c.path;
        EXPECT_EQ(bytes, c.ok ? "1\n" : "old") << c.path;
    }
    done = true;
    writer.join();
    std::filesystem::remove_all(dir);
}

TEST(TextCodec, OnlyWellFormedUtf8IsTakenAsUtf8AndAllElseAsWindows1252) {
    const struct {
        const char *bytes, *shown;
    } cases[] = {
        {"FW \xC0\xB5m", "FW Àµm"},           // overlong two bytes
        {"\xE0\x80\xAF", "à€¯"},              // overlong three bytes
        {"\xED\xA0\x80", "í\xC2\xA0€"},       // UTF-16 surrogate
        {"\xF0\x80\x80\xAF", "ð€€¯"},         // overlong four bytes
        {"\xF4\x90\x80\x80", "ô\xC2\x90€€"},  // beyond U+10FFFF
        {"\xF5\x80\x80\x80", "õ€€€"},         // no lead byte at all
        {"\xC2\xB5\xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         "µ\u0800\uD7FF\U00010000\U0010FFFF"},  // well-formed up to each edge
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::DecodeText(c.bytes).toStdString(), c.shown) << c.bytes;
}

TEST(Serial, OpenClearsEveryInputFlagThatAltersOrInjectsBytesAndCloseRestoresTheLine) {
    Line line;
    tcflag_t altering =
        IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | IMAXBEL | INPCK;
#ifdef IUCLC
    altering |= IUCLC;
#endif
    termios before{}, open{}, after{};
    ::tcgetattr(line.slave, &before);
    before.c_iflag |= altering;  // as an earlier program may have left them
    before.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(::tcsetattr(line.slave, TCSANOW, &before), 0);
    ::tcgetattr(line.slave, &before);  // as the driver keeps them
    ASSERT_EQ(Open(1), 0);
    ::tcgetattr(line.slave, &open);
    EXPECT_EQ(open.c_iflag & altering, 0u);
    EXPECT_EQ(open.c_lflag & (ICANON | ECHO), 0u);
    ASSERT_EQ(CloseCom(1), 0);
    ::tcgetattr(line.slave, &after);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
}

TEST(Serial, ALineInUseOrADirectoryCannotBeOpenedNeverAnUnknownError) {
    Line line;
    ASSERT_EQ(Open(1), 0);
    EXPECT_EQ(Open(2), kComCannotOpen);  // the same device again
    EXPECT_EQ(ComWrt(1, "x", 1), 1);     // the owner keeps the line
    ASSERT_EQ(CloseCom(1), 0);
    EXPECT_EQ(Open(2), 0);
    SetPortTable({{"/tmp", "a directory"}});
    EXPECT_EQ(Open(1), kComCannotOpen);
}

TEST(Serial, ReadOfMoreThanTheFullQueueHoldsReturnsWhatIsQueuedWithoutSpinning) {
    Line line;
    ASSERT_EQ(Open(1, 64), 0);
    const std::vector<std::uint8_t> bytes(200, 0x22);
    ASSERT_EQ(::write(line.master, bytes.data(), bytes.size()), 200);
    ASSERT_TRUE(kbex_test::PumpUntil([] { return GetInQLen(1) == 64; }, 2.0));
    SetComTime(1, 1.0);
    std::uint8_t buf[100];
    timespec cpu[2] = {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu[0]);
    EXPECT_EQ(ComRd(1, buf, 100), 64);
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu[1]);
    // The queue cannot grow, so there is nothing to wait for: waiting anyway
    // would burn a core for the whole time-out.
    EXPECT_LT((cpu[1].tv_sec - cpu[0].tv_sec) + (cpu[1].tv_nsec - cpu[0].tv_nsec) * 1e-9, 0.5);
}

TEST(Serial, ASignalWhileAWriteWaitsForRoomIsNoTimeOut) {
    Line line;
    ASSERT_EQ(Open(1), 0);
    SetComTime(1, 5.0);
    const std::vector<std::uint8_t> chunk(4096, 0x33);
    for (pollfd pfd{line.slave, POLLOUT, 0}; ::poll(&pfd, 1, 200) > 0;)
        while (::write(line.slave, chunk.data(), chunk.size()) > 0) {
        }
    if (::write(line.slave, chunk.data(), 1) > 0)
        GTEST_SKIP() << "this pty never makes a writer wait";
    struct sigaction sa = {}, old = {};
    sa.sa_handler = [](int) {};  // no SA_RESTART: the signal breaks into the wait
    ::sigaction(SIGUSR1, &sa, &old);
    std::atomic<bool> written{false};
    std::thread farEnd([&, writer = ::pthread_self()] {
        for (int i = 0; i < 10; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            ::pthread_kill(writer, SIGUSR1);
        for (std::uint8_t sink[4096]; !written; std::this_thread::sleep_for(std::chrono::milliseconds(5)))
            while (::read(line.master, sink, sizeof sink) > 0) {
            }
    });
    EXPECT_EQ(ComWrt(1, chunk.data(), 36), 36);
    written = true;
    farEnd.join();
    ::sigaction(SIGUSR1, &old, nullptr);
}

TEST(Serial, OpenAsksTheAdapterForLowLatencyAndCloseGivesItsSettingsBack) {
    Line line;
    ASSERT_EQ(Open(1), 0);  // the real driver of a pty has no such settings: nothing fails
    ASSERT_EQ(CloseCom(1), 0);
    const auto realIoctl = std::exchange(platform::SerialIoctlSeam, FakeUsbDriver);
    g_serialSets.clear();
    EXPECT_EQ(Open(1), 0);
    EXPECT_EQ(g_serialSets, std::vector<int>{kDriverFlags | ASYNC_LOW_LATENCY});
    EXPECT_EQ(CloseCom(1), 0);
    EXPECT_EQ(g_serialSets, (std::vector<int>{kDriverFlags | ASYNC_LOW_LATENCY, kDriverFlags}));
    platform::SerialIoctlSeam = realIoctl;
}
