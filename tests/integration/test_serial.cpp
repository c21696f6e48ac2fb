// The serial layer against a bare pseudo-terminal, the test playing the
// line's far end byte by byte, and what an unlucky machine does to it and to
// the file reads: a FIFO for a file, a directory for a port, a second
// instance on the line, flags an earlier program left, a full queue, a
// signal in a write, a USB adapter, a program folder the user may not write.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <thread>

#include "app_fixture.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/serial_internal.h"
#include "platform/text_codec.h"

using namespace kbex_test;

namespace {

// The far end of a line: a fresh pty, listed as COM1 and again as COM2. The
// test holds the master side and, raw as an adapter keeps its line between
// users, the slave side, opened before the layer's; both never block.
struct FarEnd {
    FarEnd() {
        char name[256] = {};
        termios raw{};
        ::cfmakeraw(&raw);
        EXPECT_EQ(::openpty(&master, &slave, name, &raw, nullptr), 0);
        for (int fd : {master, slave})
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        SetPortTable({{name, "first"}, {name, "second"}});
    }
    ~FarEnd() {
        CloseCom(1);
        CloseCom(2);
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

int Open(int port, int queueSize = 4096) {
    return OpenComConfig(port, "", 19200, 0, 8, 1, queueSize, queueSize);
}

// A USB adapter's driver, which has a low-latency setting: it reports
// kDriverFlags and notes the flags of each TIOCSSERIAL.
std::vector<int> g_serialSets;
constexpr int kDriverFlags = ASYNC_SKIP_TEST;
int FakeUsbDriver(int, unsigned long request, void* arg) {
    auto* ss = static_cast<serial_struct*>(arg);
    if (request == TIOCSSERIAL)
        g_serialSets.push_back(ss->flags);
    else
        ss->flags = kDriverFlags;
    return 0;
}

}  // namespace

TEST(Serial, BadArgumentsAndBusyPortsFailWithTheirCodesOpenClearsAlteringFlagsCloseRestoresThem) {
    // Every operation on a port that is not in the table fails.
    std::uint8_t buf[36] = {};
    for (int r : {ComWrt(7, buf, 36), ComRd(7, buf, 36), GetInQLen(7), FlushInQ(7), FlushOutQ(7),
                  SetComTime(7, 1.5), WaitComInput(7, 0.01), CloseCom(7)})
        EXPECT_LT(r, 0);

    FarEnd line;
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
    ASSERT_EQ(Open(1), 0);             // the real driver of a pty has no low-latency setting: nothing fails
    ::tcgetattr(line.slave, &open);
    EXPECT_EQ(std::pair(open.c_iflag & altering, open.c_lflag & (ICANON | ECHO)), std::pair(0u, 0u));
    // 19200 baud both ways, 8 data bits, no parity, one stop bit, no handshake,
    // as the line reads them back (a pty keeps them without using them).
    EXPECT_EQ(Values(::cfgetospeed(&open), ::cfgetispeed(&open), open.c_cflag & CSIZE,
                     open.c_cflag & (PARENB | CSTOPB | CRTSCTS)),
              Values(B19200, B19200, CS8, 0));
    ASSERT_EQ(CloseCom(1), 0);
    ::tcgetattr(line.slave, &after);
    EXPECT_EQ(std::tuple(after.c_iflag, after.c_lflag, after.c_cflag),
              std::tuple(before.c_iflag, before.c_lflag, before.c_cflag));

    const auto realIoctl = std::exchange(platform::SerialIoctlSeam, FakeUsbDriver);
    g_serialSets.clear();
    EXPECT_EQ(Open(1), 0);
    EXPECT_EQ(g_serialSets, std::vector<int>{kDriverFlags | ASYNC_LOW_LATENCY});
    EXPECT_EQ(CloseCom(1), 0);
    EXPECT_EQ(g_serialSets, (std::vector<int>{kDriverFlags | ASYNC_LOW_LATENCY, kDriverFlags}));
    platform::SerialIoctlSeam = realIoctl;

    ASSERT_EQ(Open(1), 0);
    EXPECT_EQ(Open(2), kComCannotOpen);   // the same device again
    EXPECT_EQ(ComWrt(1, "x", 1), 1);      // the owner keeps the line
    EXPECT_EQ(Open(0), kComInvalidPort);  // one beyond the table is the start-up's
    EXPECT_EQ(OpenComConfig(1, "", 12345, 0, 8, 1, 4096, 4096), kComInvalidParameter);
    EXPECT_EQ(OpenComConfig(1, "", 19200, 5, 8, 1, 4096, 4096), kComInvalidParameter);
    EXPECT_EQ(Open(1), 0);  // again: starts afresh, no failure
    EXPECT_EQ(ComRd(1, buf, -1), kComInvalidParameter);
    EXPECT_EQ(CloseCom(1), 0);
    EXPECT_LT(CloseCom(1), 0);
    EXPECT_EQ(Open(2), 0);
    SetPortTable({{"/tmp", "a directory"}});
    EXPECT_EQ(Open(1), kComCannotOpen);
}

// Without an event loop, WaitComInput is the wait: it returns as the first
// byte comes, and on a port that is not open it waits its time without spinning.
TEST(Serial, AWaitEndsWithTheFirstByteAndASmallQueueReadsWithoutSpinningAlsoAfterAHangup) {
    FarEnd line;
    ASSERT_EQ(Open(1), 0);
    const double t0 = Timer();
    std::thread farEnd([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(line.Send(3));
    });
    EXPECT_EQ(WaitComInput(1, 2.0), 3);
    farEnd.join();
    EXPECT_LT(Timer() - t0, 1.0);
    const std::clock_t idle = std::clock();
    EXPECT_LT(WaitComInput(9, 0.2), 0);
    EXPECT_LT(std::clock() - idle, CLOCKS_PER_SEC / 20);

    // Opened again, afresh, with a queue smaller than what comes.
    ASSERT_EQ(Open(1, 64), 0);
    SetComTime(1, 1.0);
    ASSERT_TRUE(line.Send(200));
    Pump(0.1);  // must not spin on the readable device either
    std::uint8_t buf[100];
    for (int left = 200; left > 64; left -= 64) {
        ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 64; }, 2.0)) << left;
        // More than a full queue holds: it cannot grow, so there is nothing
        // to wait for, and waiting anyway would burn a core for the time-out.
        const std::clock_t cpu = std::clock();
        EXPECT_EQ(ComRd(1, buf, 100), 64);
        EXPECT_LT(std::clock() - cpu, CLOCKS_PER_SEC / 2);
    }
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 200 % 64; }, 2.0));
    // Fewer bytes than asked for: what came by the time-out.
    SetComTime(1, 0.2);
    EXPECT_EQ(ComRd(1, buf, 10), 200 % 64);
    // The far end hangs up: what arrived can still be read, then every
    // operation fails, without spinning.
    ASSERT_TRUE(line.Send(4, 0x42));
    ASSERT_TRUE(PumpUntil([] { return GetInQLen(1) == 4; }, 2.0));
    line.Hangup();
    Pump(0.1);
    EXPECT_EQ(ComRd(1, buf, 64), 4);
    EXPECT_EQ(buf[3], 0x42);
    for (int r : {ComRd(1, buf, 4), ComWrt(1, buf, 4), GetInQLen(1)})
        EXPECT_LT(r, 0);
    EXPECT_EQ(CloseCom(1), 0);
}

TEST(FilesAndTexts, FileBytesOnlyForARegularFileWithoutBlockingAndTextIsUtf8OnlyWhenWellFormed) {
    const std::string dir = TempDir(), file = dir + "/a.cfg", fifo = dir + "/fifo.cfg";
    ASSERT_EQ(WriteFileBytes(file.c_str(), "1\n", false), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A FIFO with no writer or reader: a plain open would wait for one.
    EXPECT_NE(WriteFileBytes(fifo.c_str(), "x", true), 0);
    EXPECT_NE(WriteFileBytes("/dev/null", "x", false), 0);
    for (const auto& [path, ok] :
         {std::pair<std::string, bool>{file, true}, {dir, false}, {"/dev/null", false}, {fifo, false}}) {
        std::string bytes = "old";
        EXPECT_EQ(ReadFileBytes(path.c_str(), bytes) == 0, ok) << path;
        EXPECT_EQ(bytes, ok ? "1\n" : "old") << path;
    }

    // Anything but well-formed UTF-8 is Windows-1252.
    const std::pair<const char*, const char*> cases[] = {
        {"FW \xC0\xB5m", "FW Àµm"},           // overlong two bytes
        {"\xE0\x80\xAF", "à€¯"},              // overlong three bytes
        {"\xED\xA0\x80", "í\xC2\xA0€"},       // UTF-16 surrogate
        {"\xF0\x80\x80\xAF", "ð€€¯"},         // overlong four bytes
        {"\xF4\x90\x80\x80", "ô\xC2\x90€€"},  // beyond U+10FFFF
        {"\xF5\x80\x80\x80", "õ€€€"},         // no lead byte at all
        {"\xC2\xB5\xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         "µ\u0800\uD7FF\U00010000\U0010FFFF"},  // well-formed up to each edge
    };
    for (auto [bytes, shown] : cases)
        EXPECT_EQ(platform::DecodeText(bytes).toStdString(), shown) << bytes;
}

// Beside the program where a file can be made, else the documents folder
// (made when missing), else home. A process folder of /proc refuses new
// files to everyone, root included, whom a folder's mode bits do not stop.
TEST(FilesAndTexts, DefaultFolderIsBesideTheProgramWhereFilesCanBeMadeElseTheDocumentsElseHome) {
    const std::string dir = TempDir(), home = dir + "/home", unwritable = "/proc/1";
    const auto env = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    const std::pair<const char*, std::optional<std::string>> kept[] = {
        {"HOME", env("HOME")}, {"XDG_CONFIG_HOME", env("XDG_CONFIG_HOME")}};
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);  // no user-dirs.dirs of the machine's
    const std::string cases[][3] = {
        {dir, home, dir}, {unwritable, home, home + "/Documents"}, {dir + "/gone", unwritable, unwritable}};
    for (const auto& [program, homeFolder, expected] : cases) {
        ::setenv("HOME", homeFolder.c_str(), 1);
        EXPECT_EQ(DefaultFileDir(program), expected) << program;
        EXPECT_TRUE(std::filesystem::is_directory(expected)) << expected;
    }
    for (const auto& [name, value] : kept)
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
}

TEST(Serial, ASignalWhileAWriteWaitsForRoomIsNoTimeOut) {
    FarEnd line;
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

// Adapters as links to ptys in a by-id folder of the test's own: the first
// is unplugged and comes back as another device, one link leads nowhere.
using PortNames = ProgramTest;
TEST_F(PortNames, AStableNameFindsItsAdapterAsAnotherDeviceAndTheLabelSaysWhichAdapterItIs) {
    FarEnd ptys[3];
    std::string p[3];
    for (int i = 0; i < 3; ++i)
        p[i] = ::ptsname(ptys[i].master);
    const std::string dir = TempDir(), a = dir + "/usb-FTDI_A-if00", b = dir + "/usb-PL_B",
                      gone = dir + "/gone";
    std::filesystem::create_symlink(p[0], a);
    std::filesystem::create_symlink(p[1], b);
    std::filesystem::create_symlink(dir + "/nothing", gone);
    const std::string byId = std::exchange(platform::SerialByIdDir, dir);
    EXPECT_EQ(StableNameOf(p[0]), a);
    std::filesystem::remove(a);
    std::filesystem::create_symlink(p[2], a);

    // The entry, the link to its path now, where its device is now, its label after "COM1  <path>".
    const std::tuple<PortEntry, std::string, std::string, std::string> rows[] = {
        {{p[0], "", a, "FTDI", "FTDI FT232R", "A502"}, "", p[2], "  FTDI FT232R A502  (usb-FTDI_A-if00)"},
        {{p[1], "by hand", gone, "PL", "USB-Serial"}, b, p[1], "  PL USB-Serial  (gone)  by hand"},
        {{p[2], ""}, a, p[2], ""},
        {{dir + "/ttyUSB7", "", "", "", "", "A503"}, "", "", "  A503  (not present)"},
    };
    for (const auto& [entry, link, current, label] : rows) {
        EXPECT_EQ(StableNameOf(entry.path), link) << entry.path;
        EXPECT_EQ(CurrentPathOf(entry), current) << entry.path;
        SetPortTable({entry});
        FillPortSelector();
        EXPECT_EQ(Label(pHandle, PANEL_DropDCom, 0), "COM1  " + entry.path + label);
    }
    platform::SerialByIdDir = byId;
}
