#include "platform/serial.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSerialPortInfo>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>

#include "platform/clock.h"
#include "platform/serial_internal.h"

namespace platform {
int (*SerialIoctlSeam)(int fd, unsigned long request, void* arg) =
    [](int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); };
std::string SerialByIdDir = "/dev/serial/by-id";
}  // namespace platform

namespace {

struct Port {
    int fd = -1;
    bool vanished = false;
    std::deque<std::uint8_t> inQ;
    std::size_t inQSize = 4096;
    double timeout = 10.0;
    std::unique_ptr<QSocketNotifier> notifier;
    // The device as it was before the open, given back at close.
    termios savedTermios{};
    serial_struct savedSerial{};
    bool serialSaved = false;  // the driver has such settings at all
};

std::map<int, Port>& Ports() {
    static std::map<int, Port> ports;
    return ports;
}

std::vector<PortEntry>& Table() {
    static std::vector<PortEntry> table;
    return table;
}

// An open port, or one whose device has gone: that stays a port (every call
// on it says the device is gone) until it is closed.
Port* OpenPort(int port) {
    auto it = Ports().find(port);
    if (it == Ports().end() || (it->second.fd < 0 && !it->second.vanished))
        return nullptr;
    return &it->second;
}

void MarkVanished(Port& p) {
    p.vanished = true;
    // A hung-up descriptor stays readable for ever (the event loop would spin
    // on it), and while it is open the device's file cannot go away: an
    // adapter plugged in again could never be told from the one pulled.
    // The notifier may be the caller: it goes once control is back in the loop.
    if (p.notifier) {
        p.notifier->setEnabled(false);
        p.notifier.release()->deleteLater();
    }
    ::ioctl(p.fd, TIOCNXCL);
    ::close(p.fd);
    p.fd = -1;
}

// Moves what the device has into the input queue. Returns the bytes moved.
std::size_t Fill(Port& p) {
    if (p.vanished)
        return 0;
    std::size_t moved = 0;
    std::uint8_t buf[512];
    while (p.inQ.size() < p.inQSize) {
        const std::size_t room = std::min(sizeof buf, p.inQSize - p.inQ.size());
        const ssize_t n = ::read(p.fd, buf, room);
        if (n > 0) {
            p.inQ.insert(p.inQ.end(), buf, buf + n);
            moved += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n == 0) {
            pollfd pfd{p.fd, POLLIN, 0};
            if (::poll(&pfd, 1, 0) <= 0 || !(pfd.revents & (POLLHUP | POLLERR)))
                break;  // nothing there after all
        }
        MarkVanished(p);  // hang-up, or EIO: the device is gone
        break;
    }
    // A full queue leaves the descriptor readable; stop listening until a
    // reader makes room, or the loop would wake for nothing.
    if (p.notifier && p.inQ.size() >= p.inQSize)
        p.notifier->setEnabled(false);
    return moved;
}

void Drained(Port& p) {
    if (p.notifier && !p.vanished && p.inQ.size() < p.inQSize)
        p.notifier->setEnabled(true);
}

bool WaitReadable(int fd, double seconds) {
    pollfd pfd{fd, POLLIN, 0};
    const int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.999);
    return ::poll(&pfd, 1, ms) > 0;
}

speed_t SpeedOf(long baud) {
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return 0;
    }
}

// The device a path leads to through all its links, or "" where it leads
// nowhere: a name under by-id and /dev/ttyUSB0 then compare as one device.
std::string DeviceAt(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path device = std::filesystem::canonical(path, ec);
    return ec ? std::string() : device.string();
}

void ClosePort(Port& p) {
    p.notifier.reset();
    if (p.fd >= 0) {
        if (!p.vanished) {
            if (p.serialSaved)
                platform::SerialIoctlSeam(p.fd, TIOCSSERIAL, &p.savedSerial);
            ::tcsetattr(p.fd, TCSANOW, &p.savedTermios);
        }
        ::ioctl(p.fd, TIOCNXCL);
        ::close(p.fd);
    }
    p.fd = -1;
}

}  // namespace

void SetPortTable(std::vector<PortEntry> ports) {
    Table() = std::move(ports);
}
const std::vector<PortEntry>& GetPortTable() {
    return Table();
}

std::vector<PortEntry> ListSystemSerialPorts() {
    std::vector<PortEntry> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string path = info.systemLocation().toStdString();
        out.push_back({path, "", StableNameOf(path), info.manufacturer().toStdString(),
                       info.description().toStdString(), info.serialNumber().toStdString()});
    }
    return out;
}

std::string StableNameOf(const std::string& path) {
    const std::string device = DeviceAt(path);
    if (device.empty())
        return {};
    // udev may give a device more than one name there; the first by name
    // keeps a port's label the same each time the list is read.
    std::string found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(platform::SerialByIdDir, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string link = it->path().string();
        if ((found.empty() || link < found) && DeviceAt(link) == device)
            found = link;
    }
    return found;
}

std::string CurrentPathOf(const PortEntry& entry) {
    if (std::string device = DeviceAt(entry.stableName); !device.empty())
        return device;
    // Without its link (a system whose udev makes none) the adapter is still
    // known by the serial number it reports, wherever it was plugged; only
    // after the link, as the ports of a two-port adapter share one number.
    if (!entry.serialNumber.empty())
        for (const PortEntry& listed : ListSystemSerialPorts())
            if (listed.serialNumber == entry.serialNumber)
                return listed.path;
    return DeviceAt(entry.path).empty() ? std::string() : entry.path;
}

int OpenComConfig(int port, const char* /*deviceName*/, long baud, int parity, int dataBits, int stopBits,
                  int inputQueueSize, int outputQueueSize) {
    if (port < 1)
        return kComInvalidPort;
    if (static_cast<std::size_t>(port) > Table().size())
        return Table().empty() ? kComNoSerialPort : kComInvalidPort;
    const speed_t speed = SpeedOf(baud);
    if (speed == 0 || parity < 0 || parity > 2 || dataBits < 5 || dataBits > 8 || stopBits < 1 ||
        stopBits > 2 || inputQueueSize < 0 || outputQueueSize < 0)
        return kComInvalidParameter;

    CloseCom(port);
    const std::string& path = Table()[static_cast<std::size_t>(port) - 1].path;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR: return kComNoSerialPort;
        // No permission, a busy device, a directory, a full file table: the
        // operator can only pick another port, and "Cannot open port" says so.
        default: return kComCannotOpen;
        }
    }
    termios saved{};
    if (::tcgetattr(fd, &saved) != 0) {  // not a terminal device at all
        ::close(fd);
        return kComCannotOpen;
    }
    // Keep other programs, and a second copy of this one, off the line while
    // we own it: TIOCEXCL does not stop root, the lock does. Nothing of the
    // line is touched before both hold, so the owner's settings stay his.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return kComCannotOpen;
    }
    // USB adapters (FTDI and the like) hold a short answer back for their
    // latency timer, 16 ms, unless the port is in low-latency mode. Ports
    // without these settings (a built-in UART, a pty) refuse the ioctl and
    // work as they are.
    serial_struct serial{};
    const bool serialSaved = platform::SerialIoctlSeam(fd, TIOCGSERIAL, &serial) == 0;
    serial_struct savedSerial = serial;
    if (serialSaved) {
        serial.flags |= ASYNC_LOW_LATENCY;
        platform::SerialIoctlSeam(fd, TIOCSSERIAL, &serial);
    }
    termios tio = saved;
    ::cfmakeraw(&tio);
    // Flags an earlier program may have left: software flow control would
    // swallow 0x11/0x13 in the answers and send XON/XOFF to the sensor, the
    // others change or mark bytes. cfmakeraw leaves some of them standing.
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | IMAXBEL | INPCK);
#ifdef IUCLC
    tio.c_iflag &= ~IUCLC;
#endif
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= dataBits == 5 ? CS5 : dataBits == 6 ? CS6 : dataBits == 7 ? CS7 : CS8;
    if (parity != 0)
        tio.c_cflag |= PARENB | (parity == 1 ? PARODD : 0);
    if (stopBits == 2)
        tio.c_cflag |= CSTOPB;
    // With VMIN 0 a terminal reports "no data" as a read of 0 bytes, which
    // cannot be told from a hang-up; VMIN 1 makes it EAGAIN on the
    // non-blocking descriptor, and 0 then only means the device is gone.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        if (serialSaved)
            platform::SerialIoctlSeam(fd, TIOCSSERIAL, &savedSerial);
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return kComCannotOpen;
    }
    ::tcflush(fd, TCIOFLUSH);

    Port& p = Ports()[port];
    p = Port{};
    p.fd = fd;
    p.savedTermios = saved;
    p.savedSerial = savedSerial;
    p.serialSaved = serialSaved;
    p.inQSize = inputQueueSize > 0 ? static_cast<std::size_t>(inputQueueSize) : 4096;
    if (QCoreApplication::instance()) {
        p.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(p.notifier.get(), &QSocketNotifier::activated, p.notifier.get(), [port] {
            if (Port* q = OpenPort(port))
                Fill(*q);
        });
    }
    return 0;
}

int CloseCom(int port) {
    auto it = Ports().find(port);
    if (it == Ports().end() || (it->second.fd < 0 && !it->second.vanished))
        return kComPortNotOpen;
    ClosePort(it->second);
    Ports().erase(it);
    return 0;
}

int SetComTime(int port, double timeoutSeconds) {
    Port* p = OpenPort(port);
    if (!p)
        return kComPortNotOpen;
    if (timeoutSeconds < 0)
        return kComInvalidParameter;
    p->timeout = timeoutSeconds;
    return 0;
}

int SetCTSMode(int port, int mode) {
    Port* p = OpenPort(port);
    if (!p)
        return kComPortNotOpen;
    if (p->vanished)
        return kComIOError;
    termios tio{};
    if (::tcgetattr(p->fd, &tio) != 0)
        return kComIOError;
    if (mode)
        tio.c_cflag |= CRTSCTS;
    else
        tio.c_cflag &= ~CRTSCTS;
    return ::tcsetattr(p->fd, TCSANOW, &tio) == 0 ? 0 : kComIOError;
}

int FlushInQ(int port) {
    Port* p = OpenPort(port);
    if (!p)
        return kComPortNotOpen;
    if (!p->vanished)
        ::tcflush(p->fd, TCIFLUSH);
    p->inQ.clear();
    Drained(*p);
    return p->vanished ? kComIOError : 0;
}

int FlushOutQ(int port) {
    Port* p = OpenPort(port);
    if (!p)
        return kComPortNotOpen;
    if (p->vanished)
        return kComIOError;
    ::tcflush(p->fd, TCOFLUSH);
    return 0;
}

int ComWrt(int port, const void* buffer, int count) {
    Port* p = OpenPort(port);
    if (!p)
        return kComPortNotOpen;
    if (count < 0 || (count > 0 && !buffer))
        return kComInvalidParameter;
    if (p->vanished)
        return kComIOError;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    int done = 0;
    const double t0 = Timer();
    while (done < count) {
        const ssize_t n = ::write(p->fd, bytes + done, static_cast<std::size_t>(count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfd{p->fd, POLLOUT, 0};
            int ready = 0;
            do {  // a signal ends the poll, not the wait
                const double left = p->timeout - (Timer() - t0);
                ready = left <= 0 ? 0 : ::poll(&pfd, 1, static_cast<int>(left * 1000.0 + 1));
            } while (ready < 0 && errno == EINTR);
            if (ready <= 0)
                return done > 0 ? done : kComTimeout;
            continue;
        }
        MarkVanished(*p);
        return done > 0 ? done : kComIOError;
    }
    return done;
}

int ComRd(int port, void* buffer, int count) {
    Port* p = OpenPort(port);
    if (!p)
        return kComPortNotOpen;
    if (count < 0 || (count > 0 && !buffer))
        return kComInvalidParameter;
    const double t0 = Timer();
    Fill(*p);
    // A full queue cannot grow before this read takes from it; waiting for
    // more would only spin on a device that stays readable.
    while (p->inQ.size() < static_cast<std::size_t>(count) && p->inQ.size() < p->inQSize && !p->vanished) {
        const double left = p->timeout - (Timer() - t0);
        if (left <= 0)
            break;
        if (WaitReadable(p->fd, left) && Fill(*p) == 0 && !p->vanished)
            ::poll(nullptr, 0, 1);  // readable, yet nothing came: no spinning on that either
    }
    const int n = static_cast<int>(std::min(p->inQ.size(), static_cast<std::size_t>(count)));
    if (n == 0 && count > 0 && p->vanished)
        return kComIOError;
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::copy_n(p->inQ.begin(), n, out);
    p->inQ.erase(p->inQ.begin(), p->inQ.begin() + n);
    Drained(*p);
    return n;
}

// A query that never waits: whoever waits for bytes does so in WaitComInput
// or the event loop, so an answer is taken the moment its last byte is in.
int GetInQLen(int port) {
    Port* p = OpenPort(port);
    if (!p || p->vanished)
        return p ? kComIOError : kComPortNotOpen;
    Fill(*p);
    return static_cast<int>(p->inQ.size());
}

int WaitComInput(int port, double seconds) {
    Port* p = OpenPort(port);
    if (!p || p->vanished) {
        Delay(seconds);
        return p ? kComIOError : kComPortNotOpen;
    }
    if (Fill(*p) == 0 && p->inQ.size() < p->inQSize && WaitReadable(p->fd, seconds))
        Fill(*p);
    return static_cast<int>(p->inQ.size());
}
