// Serves the sensor model on the master side of a pseudo-terminal. The program
// opens the slave side like any serial adapter, so the demo and the integration
// tests exercise the real termios code path.
#include "simulated_sensor.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/frame.h"

namespace sim {

namespace {

// How long a write may make no progress before the answer is dropped: a slave
// whose input queue nobody drains must not wedge the serving thread.
constexpr double kWriteStallLimit = 1.0;
// After the last answer before vanishing, give the program this long to take
// it off the line; then the device goes regardless.
constexpr double kVanishGrace = 2.0;
constexpr double kVanishSettle = 0.05;
// Bytes written per wake-up when pacing: about 4 ms of line time at 19200 baud,
// fine enough to look like a UART, coarse enough not to burn CPU on wake-ups.
constexpr double kPaceSlice = 0.004;
// A request takes 19 ms at 19200 baud; bytes of an incomplete one that sit
// this long are a broken request, not a slow one.
constexpr double kStaleRequest = 0.2;
// The link's name in its private folder: what a udev rule would give an adapter.
constexpr const char* kLinkName = "ttyKBEX0";
constexpr const char* kFolderPrefix = "kbex-sim-";
// A folder is locked within moments of being made; one unlocked for longer
// than this has lost its owner.
constexpr time_t kFolderUnlockedLimit = 10;

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void SetCloexec(int fd) {
    const int flags = ::fcntl(fd, F_GETFD);
    if (flags >= 0)
        ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

std::string Reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

unsigned NextGarbage(unsigned& state) {
    // xorshift32; a zero state would stay zero forever.
    if (state == 0)
        state = 0x6B43A9B5u;
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// A pair whose process was killed (the program dies of SIGTERM without
// unwinding) cannot remove its folder; the next one to start removes those of
// its user that no live pair holds locked.
void RemoveAbandonedFolders(const std::string& base) {
    DIR* dir = ::opendir(base.c_str());
    if (!dir)
        return;
    const time_t old = ::time(nullptr) - kFolderUnlockedLimit;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strncmp(e->d_name, kFolderPrefix, std::strlen(kFolderPrefix)) != 0)
            continue;
        const std::string folder = base + "/" + e->d_name;
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && st.st_mtime < old &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(fd, kLinkName, 0);
            ::rmdir(folder.c_str());
        }
        CloseFd(fd);
    }
    ::closedir(dir);
}

timespec ToTimespec(double seconds) {
    seconds = std::max(seconds, 0.0);
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>((seconds - static_cast<double>(ts.tv_sec)) * 1e9);
    if (ts.tv_nsec >= 1000000000L)
        ts.tv_nsec = 999999999L;
    return ts;
}

}  // namespace

SimulatedSensor::SimulatedSensor(Options opts)
    : opts_(std::move(opts)), model_(opts_.hw, opts_.seed), rng_(opts_.seed) {}

SimulatedSensor::~SimulatedSensor() {
    Stop();
}

bool SimulatedSensor::Start(std::string* error) {
    if (thread_.joinable()) {
        // Still serving, or vanished without a Stop() yet: its descriptors are not ours to touch.
        if (error)
            *error = "already started";
        return false;
    }
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        CloseAll();
        RemoveLink();
        return false;
    };

    // A pty gets a new number each time it is made, so a device that returns
    // needs a name of its own; a folder made by mkdtemp is ours alone, and
    // pairs side by side (tests in parallel) never meet in it.
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp && *tmp ? tmp : "/tmp";
    RemoveAbandonedFolders(base);
    std::string folder = base + "/" + kFolderPrefix + "XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr)
        return fail(Reason("mkdtemp"));
    folder_ = folder;
    // Held until Stop(): what tells a live pair's folder from an abandoned one.
    folderFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0 || ::flock(folderFd_, LOCK_EX | LOCK_NB) != 0)
        return fail(Reason("lock folder"));
    path_ = folder_ + "/" + kLinkName;
    if (const std::string why = PlugIn(); !why.empty())
        return fail(why);

    if (::pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(Reason("pipe"));

    {
        std::lock_guard<std::mutex> lock(mutex_);
        sinceFaults_ = answers_ = framedAnswers_ = 0;
        vanishArmed_ = true;
    }
    returnAt_ = -1.0;
    vanishPending_ = false;
    late_.clear();
    rx_.clear();
    rxClock_ = 0.0;
    vanished_ = false;
    running_ = true;
    thread_ = std::thread(&SimulatedSensor::Serve, this);
    return true;
}

// Makes a new pty and links it at Path(); the reason when that fails.
std::string SimulatedSensor::PlugIn() {
    masterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd_ < 0)
        return Reason("posix_openpt");
    SetCloexec(masterFd_);
    if (::grantpt(masterFd_) != 0)
        return Reason("grantpt");
    if (::unlockpt(masterFd_) != 0)
        return Reason("unlockpt");
    char name[128] = {};
    if (::ptsname_r(masterFd_, name, sizeof name) != 0)
        return Reason("ptsname");
    const int flags = ::fcntl(masterFd_, F_GETFL);
    if (flags < 0 || ::fcntl(masterFd_, F_SETFL, flags | O_NONBLOCK) != 0)
        return Reason("fcntl master");

    // Holding the slave open keeps the line raw for every later user (a fresh
    // pty would echo and cook bytes) and keeps the pair alive while the
    // program closes and reopens the port.
    slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slaveFd_ < 0)
        return Reason("open slave");
    termios tio{};
    if (::tcgetattr(slaveFd_, &tio) != 0)
        return Reason("tcgetattr");
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    if (::tcsetattr(slaveFd_, TCSANOW, &tio) != 0)
        return Reason("tcsetattr");
    // Linked only now, so that nobody who finds the path opens a cooked line.
    if (::symlink(name, path_.c_str()) != 0)
        return Reason("symlink");
    std::lock_guard<std::mutex> lock(mutex_);
    ptyPath_ = name;
    return {};
}

void SimulatedSensor::RemoveLink() {
    if (folder_.empty())
        return;
    ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
    folder_.clear();
    CloseFd(folderFd_);
}

std::string SimulatedSensor::PtyPath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ptyPath_;
}

void SimulatedSensor::Stop() {
    running_ = false;
    if (thread_.joinable()) {
        const char b = 1;
        [[maybe_unused]] const auto n = ::write(wakeFd_[1], &b, 1);
        thread_.join();
    }
    CloseAll();
    RemoveLink();
    vanished_ = true;
}

void SimulatedSensor::CloseAll() {
    CloseFd(masterFd_);
    CloseFd(slaveFd_);
    CloseFd(wakeFd_[0]);
    CloseFd(wakeFd_[1]);
}

void SimulatedSensor::SetFaults(const Faults& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    opts_.faults = f;
    sinceFaults_ = answers_ = framedAnswers_ = 0;
    vanishArmed_ = true;
}

Faults SimulatedSensor::GetFaults() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opts_.faults;
}

std::vector<RequestRecord> SimulatedSensor::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void SimulatedSensor::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

void SimulatedSensor::Vanish() {
    // As with an unplugged adapter, the device file goes, so a reopen finds
    // nothing, and closing the master hangs up every open slave descriptor:
    // the program's reads return end-of-file or EIO.
    ::unlink(path_.c_str());
    CloseFd(masterFd_);
    CloseFd(slaveFd_);
    vanishPending_ = false;
    late_.clear();
    rx_.clear();
    double returnAfter = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        vanishArmed_ = false;
        returnAfter = opts_.faults.returnAfter;
        ptyPath_.clear();
    }
    returnAt_ = returnAfter > 0 ? Now() + returnAfter : -1.0;
    vanished_ = true;
}

// Sleeps up to `seconds`, still taking bytes off the line; false when Stop()
// asked the thread to end meanwhile.
bool SimulatedSensor::Pause(double seconds) {
    const double until = Now() + seconds;
    bool watch = true;
    for (;;) {
        pollfd fds[2] = {{wakeFd_[0], POLLIN, 0}, {watch ? masterFd_ : -1, POLLIN, 0}};
        const timespec ts = ToTimespec(until - Now());
        const int r = ::ppoll(fds, 2, &ts, nullptr);
        if (!running_.load())
            return false;
        // Readable without bytes (or hung up): not expected while we hold the
        // slave; stop watching rather than spin on it.
        if (r > 0 && fds[1].revents && !((fds[1].revents & POLLIN) && Receive()))
            watch = false;
        if (Now() >= until)
            return true;
    }
}

// Reads what the pty holds. Each byte finishes crossing the line one byte
// time after the later of its read and the previous byte's finish. Input is
// also read while an answer goes out (Pause, WriteAll), so a byte is read
// within a wake-up of its arrival and never waits behind an answer; charging
// from the read time therefore counts no byte twice.
bool SimulatedSensor::Receive() {
    const double t = Now();
    const double byteTime = opts_.paced && opts_.baud > 0 ? 10.0 / opts_.baud : 0.0;
    std::uint8_t chunk[512];
    bool got = false;
    for (ssize_t n; masterFd_ >= 0 && (n = ::read(masterFd_, chunk, sizeof chunk)) > 0;) {
        got = true;
        for (ssize_t i = 0; i < n; ++i) {
            rxClock_ = std::max(t, rxClock_) + byteTime;
            rx_.push_back({chunk[i], rxClock_});
        }
    }
    return got;
}

// Handles, in order, every request whose last byte has crossed the line.
// Returns when to look again: when the next complete request will have
// crossed, or when an incomplete one goes stale; negative when nothing waits.
double SimulatedSensor::TakeRequests() {
    constexpr std::uint8_t kSyncHigh = core::kRequestSync >> 8, kSyncLow = core::kRequestSync & 0xFF;
    while (running_.load() && masterFd_ >= 0 && !rx_.empty()) {
        // Requests are 36 bytes behind 00 55; anything else is line noise,
        // dropped one byte at a time so that a sync inside it is still found.
        if (rx_[0].value != kSyncHigh || (rx_.size() >= 2 && rx_[1].value != kSyncLow)) {
            rx_.pop_front();
            continue;
        }
        if (rx_.size() < core::kFrameLen) {
            // A request cut short (the sender flushed or gave up) must not
            // swallow the head of the next one; the sensor forgets it after a
            // pause on the line.
            if (Now() < rxClock_ + kStaleRequest)
                return rxClock_ + kStaleRequest;
            rx_.clear();
            break;
        }
        const double crossed = rx_[core::kFrameLen - 1].crossed;
        if (crossed > Now())
            return crossed;
        if (vanishPending_) {
            // Someone still talks to a device that is about to go: it goes now.
            Vanish();
            break;
        }
        std::array<std::uint8_t, core::kFrameLen> request;
        for (std::size_t i = 0; i < request.size(); ++i)
            request[i] = rx_[i].value;
        rx_.erase(rx_.begin(), rx_.begin() + core::kFrameLen);
        HandleRequest(request, crossed);
    }
    return -1.0;
}

void SimulatedSensor::Serve() {
    for (;;) {
        ServeLine();
        if (!running_.load() || returnAt_ < 0.0 || !Pause(returnAt_ - Now()))
            return;
        // Plugged in again: a new pty behind the same link, the model as it was.
        returnAt_ = -1.0;
        if (!PlugIn().empty()) {
            CloseFd(masterFd_);
            CloseFd(slaveFd_);
            return;  // no pty to be had: the device stays away
        }
        vanished_ = false;
    }
}

void SimulatedSensor::ServeLine() {
    while (running_.load() && masterFd_ >= 0) {
        // Late answers leave in the order of their requests, each at its time,
        // while requests that come meanwhile are still taken.
        while (!late_.empty() && late_.front().due <= Now() && running_.load() && masterFd_ >= 0) {
            Outgoing out = std::move(late_.front());
            late_.pop_front();
            Transmit(std::move(out));
        }
        double wakeAt = TakeRequests();
        if (vanishPending_ && masterFd_ >= 0) {
            int queued = 0;
            const bool taken = late_.empty() && ::ioctl(slaveFd_, FIONREAD, &queued) == 0 && queued == 0;
            const double now = Now();
            if ((taken && now >= vanishNotBefore_) || now >= vanishBy_)
                Vanish();
        }
        if (!running_.load() || masterFd_ < 0)
            break;

        // Sleep until a request has crossed the line or gone stale, a late
        // answer is due, or (while a vanish is pending) to look every few
        // milliseconds whether the program has taken the last answer;
        // otherwise until something happens.
        auto sooner = [&](double t) { wakeAt = wakeAt < 0 ? t : std::min(wakeAt, t); };
        if (!late_.empty())
            sooner(late_.front().due);
        if (vanishPending_)
            sooner(Now() + 0.01);
        pollfd fds[2] = {{masterFd_, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
        const timespec ts = ToTimespec(wakeAt - Now());
        const int r = ::ppoll(fds, 2, wakeAt < 0 ? nullptr : &ts, nullptr);
        if (r < 0) {
            if (errno != EINTR && !Pause(0.05))
                break;
            continue;
        }
        if (fds[1].revents & POLLIN) {
            char sink[64];
            while (::read(wakeFd_[0], sink, sizeof sink) > 0) {
            }
        }
        if (!running_.load())
            break;
        const bool gotBytes = (fds[0].revents & POLLIN) && Receive();
        if (!gotBytes && (fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) {
            // Not expected while we hold the slave; avoid spinning on it if it happens.
            if (!Pause(0.05))
                break;
        }
    }
}

void SimulatedSensor::HandleRequest(std::span<const std::uint8_t, core::kFrameLen> request, double time) {
    RequestRecord rec;
    std::copy(request.begin(), request.end(), rec.bytes.begin());
    rec.time = time;

    Faults f;
    std::vector<std::uint8_t> answer;
    std::vector<std::uint8_t> stray;
    int count = 0, answerNo = 0, framedNo = 0;
    bool suppressed = false, vanishes = false;
    const std::uint16_t command = rec.command();
    // Block and firmware answers carry no header, so there is no sync or echo to falsify.
    const bool framed = command != core::kCmdBlock && command != core::kCmdFirmware;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (opts_.logRequests)
            requests_.push_back(rec);
        f = opts_.faults;
        count = ++sinceFaults_;
        // The model sees every request even when the answer is suppressed: a
        // sensor with a dead transmit line still takes pages and teaches.
        answer = model_.Handle(request, time);
        const int stuckPage = f.stuckEepromWord / static_cast<int>(kPageWords);
        if (command == core::kCmdWriteEeprom && f.stuckEepromWord >= 0 && stuckPage < 3 &&
            rec.second() == stuckPage)
            model_.eeprom[stuckPage][f.stuckEepromWord % kPageWords] |= f.stuckEepromBits;
        if (f.strayRaw && command != core::kCmdRaw && command != core::kCmdBlock &&
            command != core::kCmdFirmware && !answer.empty()) {
            std::uint8_t raw[core::kFrameLen] = {};
            core::PutWordBE(raw, core::kRequestSync);
            core::PutWordBE(raw + 2, core::kCmdRaw);
            stray = model_.Handle(raw, time);
        }
        suppressed = f.mute || (f.muteAfter > 0 && count > f.muteAfter) ||
                     (f.noBlocks && command == core::kCmdBlock) ||
                     (f.noFirmware && command == core::kCmdFirmware);
        if (!answer.empty() && !suppressed) {
            answerNo = ++answers_;
            framedNo = framed ? ++framedAnswers_ : 0;
        }
        vanishes = vanishArmed_ && f.vanishAfter > 0 && count >= f.vanishAfter;
    }

    const auto nth = [](int every, int n) { return every > 0 && n > 0 && n % every == 0; };
    if (!answer.empty() && !suppressed) {
        if (framed && f.wrongSync)
            core::PutWordBE(&answer[0], core::kRequestSync);
        if (framed && nth(f.badSyncEvery, framedNo))
            answer[1] ^= 0x01;  // 00 AA reads 00 AB: one bit flipped on the line
        if (framed && f.nonRaw && command == core::kCmdRaw)
            core::PutWordBE(&answer[2], core::kCmdReadRam);
        if (f.truncateTo > 0 && answer.size() > static_cast<std::size_t>(f.truncateTo))
            answer.resize(static_cast<std::size_t>(f.truncateTo));
        // Lost after any cut, so the answer is always one byte short of what would have come.
        if (nth(f.lostByteEvery, answerNo) && !answer.empty())
            answer.erase(answer.begin() + static_cast<long>(answer.size() / 2));
        const int noise = f.garbageBytes + (nth(f.noiseByteEvery, answerNo) ? 1 : 0);
        // A late answer waits in the serving loop, so the next request is
        // still taken while it is held back.
        Outgoing out{std::move(stray), std::move(answer), noise, time + f.lateAnswer};
        if (f.lateAnswer > 0)
            late_.push_back(std::move(out));
        else
            Transmit(std::move(out));
    }

    if (vanishes) {
        // The pty hands written bytes to the slave's queue asynchronously, so an
        // empty queue right after the write does not yet mean the answer was taken.
        const double now = late_.empty() ? Now() : std::max(Now(), late_.back().due);
        vanishPending_ = true;
        vanishNotBefore_ = now + kVanishSettle;
        vanishBy_ = now + kVanishGrace;
    }
}

void SimulatedSensor::Transmit(Outgoing out) {
    std::vector<std::uint8_t>& answer = out.bytes;
    if (!out.stray.empty()) {
        if (opts_.paced) {
            // On a real line the late frame has long arrived when the
            // sensor, having read the new request, starts its answer.
            SendPaced(out.stray);
            if (!Pause(0.02))
                return;
        } else {
            answer.insert(answer.begin(), out.stray.begin(), out.stray.end());
        }
    }
    if (out.garbageBytes > 0) {
        std::vector<std::uint8_t> noisy(static_cast<std::size_t>(out.garbageBytes));
        for (auto& b : noisy)
            b = static_cast<std::uint8_t>(NextGarbage(rng_) >> 24);
        answer.insert(answer.begin(), noisy.begin(), noisy.end());
    }
    SendPaced(answer);
}

bool SimulatedSensor::WriteAll(const std::uint8_t* data, std::size_t n) {
    std::size_t done = 0;
    double stalledSince = -1.0;
    while (done < n && running_.load()) {
        const ssize_t w = ::write(masterFd_, data + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            stalledSince = -1.0;
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;  // the line is gone for this answer; the next request may fare better
        const double now = Now();
        if (stalledSince < 0.0)
            stalledSince = now;
        if (now - stalledSince > kWriteStallLimit)
            return false;
        pollfd fds[2] = {{masterFd_, POLLOUT | POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
        if (::poll(fds, 2, 100) > 0 && (fds[0].revents & POLLIN))
            Receive();
    }
    return done == n;
}

void SimulatedSensor::SendPaced(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || masterFd_ < 0)
        return;
    if (!opts_.paced || opts_.baud <= 0) {
        WriteAll(bytes.data(), bytes.size());
        return;
    }
    // Byte k reaches the far end once its ten bits are through, at start + (k + 1) byte times.
    const double byteTime = 10.0 / opts_.baud;
    const std::size_t slice = std::max<std::size_t>(1, static_cast<std::size_t>(kPaceSlice / byteTime));
    const double start = Now();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const std::size_t next = std::min(bytes.size(), sent + slice);
        if (!Pause(start + static_cast<double>(next) * byteTime - Now()) || masterFd_ < 0)
            return;
        const auto due = std::min(bytes.size(), static_cast<std::size_t>((Now() - start) / byteTime));
        if (due > sent) {
            if (!WriteAll(bytes.data() + sent, due - sent))
                return;
            sent = due;
        }
    }
}

}  // namespace sim
