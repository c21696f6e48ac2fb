// The simulated sensor pair: a protocol model of the MASTER/SLAVE electronics
// and a transport that serves it on the master side of a pseudo-terminal, so
// the program talks to it through the same termios code as to a real adapter.
// Plain C++ and POSIX; no Qt, no dependency on the program's modules.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "core/frame.h"

namespace sim {

// The frame layout is the codec's, so the simulator and the program cannot disagree on it.
using core::kFrameLen;
using core::kPageWords;

// What the sensor reports about itself (hardware answer and firmware text).
struct HardwareConfig {
    std::uint16_t ccdType = 1;        // 1 and 4 are the known CCD types
    std::uint16_t maxPixel = 1024;    // physical pixels
    std::uint16_t resolution = 78;    // resolution figure (description only)
    std::uint16_t pcbType = 1;        // 0 = word-wise firmware text, else plain text
    std::uint16_t virtPixels = 4096;  // virtual pixel count as reported (may be unlisted)
    std::uint16_t subPixel = 4;
    std::uint16_t pixB = 1;
    std::uint16_t pixE = 1024;
    std::uint16_t softVersion = 217;
    std::uint16_t hwType = 10080;  // 10000 + working distance in mm
    std::uint16_t adcMax = 256;    // 256 or 1024
    std::string firmware = "K-BEX-TW-MS firmware 2.17 (simulated sensor pair)";
};

// Misbehaviour on demand, for tests and demonstrations. All off by default.
struct Faults {
    bool mute = false;        // never answer anything
    int muteAfter = 0;        // > 0: answer this many requests, then fall silent (counted
                              // from Start() or from the last SetFaults(), as vanishAfter)
    bool wrongSync = false;   // answers start 00 55 instead of 00 AA
    bool nonRaw = false;      // a raw request (8) is answered with echo 2
    bool noBlocks = false;    // block requests (9) are never answered
    bool noFirmware = false;  // firmware request (7) is never answered
    bool strayRaw = false;    // a raw measurement frame goes out ahead of every other
                              // 36-byte answer, like the late answer of a run just stopped
    int garbageBytes = 0;     // this many random bytes before every answer
    int truncateTo = 0;       // > 0: every answer is cut to this many bytes
    int vanishAfter = 0;      // > 0: the device disappears after this many requests,
                              // counted from Start() or from the last SetFaults()
    double lateAnswer = 0;    // > 0: every answer leaves this many seconds late
    // The damage of a noisy line, each on every Nth answer only (> 0; answers
    // counted from Start() or from the last SetFaults()), so that a program
    // which resynchronises shows it with the good answers around the bad one.
    int lostByteEvery = 0;   // one byte of the answer's middle is lost
    int noiseByteEvery = 0;  // one random byte goes out ahead of the answer
    int badSyncEvery = 0;    // 36-byte answers only (counted apart): the sync reads 00 AB
    double returnAfter = 0;  // > 0 with vanishAfter: the device is back at Path() this many
                             // seconds after it vanished, as an adapter plugged in again;
                             // it does not vanish again until SetFaults() says so
    // A worn EEPROM cell: word stuckEepromWord (0..44, page * 15 + word) keeps
    // the bits stuckEepromBits set whatever a write (command 3) puts there.
    int stuckEepromWord = -1;
    std::uint16_t stuckEepromBits = 0;
};

// One request as the simulated sensor received it.
struct RequestRecord {
    std::array<std::uint8_t, kFrameLen> bytes{};
    double time = 0.0;  // seconds on the steady clock, when the last byte had crossed the line
    std::uint16_t command() const { return static_cast<std::uint16_t>((bytes[2] << 8) | bytes[3]); }
    std::uint16_t second() const { return static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]); }
};

// Protocol model. Not thread-safe by itself; SimulatedSensor guards it.
class SensorModel {
public:
    // `seed` makes the noise of positions and video profiles reproducible.
    explicit SensorModel(HardwareConfig hw = {}, unsigned seed = 1);

    // Answers one 36-byte request (sync 00 55 already checked by the caller).
    // `now` is the time in seconds that drives the moving measuring object.
    // Returns the bytes to send back; empty when the command has no answer.
    std::vector<std::uint8_t> Handle(std::span<const std::uint8_t, kFrameLen> request, double now);

    // Pages as the sensor holds them: [page][word], 15 words each.
    using Pages = std::array<std::array<std::uint16_t, kPageWords>, 3>;
    Pages ram{};
    Pages eeprom{};
    HardwareConfig hw;
    std::array<std::uint16_t, core::kLinTableWords> flash{};  // linearisation table (pages 2..9)

    // Live values of the last raw frame computed (for tests).
    std::array<std::uint16_t, core::kPPWords> lastRaw{};

    // Spot positions at time `now`, in virtual pixels (channel A, channel B).
    double SpotA(double now) const;
    double SpotB(double now) const;

private:
    struct Live;
    using Buffer = std::array<std::uint16_t, core::kMaxPoint>;

    std::array<std::uint16_t, core::kPPWords> RawFrame(double now);
    Live Measure(double now) const;
    double PeakWidth(int channel, double now) const;
    double Noise(int channel, double now) const;
    std::uint16_t CvP() const;
    std::uint16_t AdcFullScale() const;
    Buffer Capture(std::size_t buffer, double now);
    std::uint16_t NextRandom();

    std::uint16_t anaMax_ = 0, anaMin_ = 0xFFFF;
    std::uint16_t frameCount_ = 0;
    std::uint64_t seed_ = 1;
    std::uint64_t rng_ = 1;
    // The two halves of a buffer are fetched by separate requests; they must
    // come from one capture, or the peak could be split across two instants.
    std::array<Buffer, 4> buffers_{};
    std::array<bool, 4> captured_{};
};

struct Options {
    bool paced = true;  // requests and answers cross the line at `baud`, 10 bits a byte
    int baud = 19200;
    HardwareConfig hw{};
    Faults faults{};
    unsigned seed = 1;  // garbage bytes and noise are reproducible
    // Keep every request for Requests(): the tests' and benchmarks' view. A
    // pair serving for hours (the demo, kbex-sensor-sim) keeps none.
    bool logRequests = true;
};

// Serves a SensorModel on a pseudo-terminal from a thread of its own.
class SimulatedSensor {
public:
    explicit SimulatedSensor(Options opts = {});
    ~SimulatedSensor();
    SimulatedSensor(const SimulatedSensor&) = delete;
    SimulatedSensor& operator=(const SimulatedSensor&) = delete;

    // Opens the pty and starts serving. False with a reason on failure.
    bool Start(std::string* error = nullptr);
    void Stop();
    // What the program opens: a link in a private temporary folder, e.g.
    // /tmp/kbex-sim-Ab12Cd/ttyKBEX0, to the slave side of the pty. A device
    // that vanishes and returns gets a new pty, but the link keeps its name,
    // as a udev name does for a USB adapter plugged in again.
    const std::string& Path() const { return path_; }
    // The slave side the link points to now, e.g. /dev/pts/5.
    std::string PtyPath() const;

    void SetFaults(const Faults& f);
    Faults GetFaults() const;
    // Runs fn on the model under the lock (read or change pages, hardware...).
    template <class Fn>
    auto WithModel(Fn&& fn) {
        std::lock_guard<std::mutex> lock(mutex_);
        return fn(model_);
    }
    // Every request received since start (or since ClearRequests).
    std::vector<RequestRecord> Requests() const;
    void ClearRequests();
    // True once the device has vanished (fault) or Stop() ran; false again once it has returned.
    bool Vanished() const { return vanished_.load(); }

private:
    std::string PlugIn();
    void RemoveLink();
    void Serve();
    void ServeLine();
    bool Receive();
    double TakeRequests();
    void HandleRequest(std::span<const std::uint8_t, kFrameLen> request, double time);
    struct Outgoing {  // one answer with what the faults put in front of it
        std::vector<std::uint8_t> stray, bytes;
        int garbageBytes = 0;
        double due = 0.0;  // when held back as a late answer
    };
    void Transmit(Outgoing out);
    void SendPaced(const std::vector<std::uint8_t>& bytes);
    bool WriteAll(const std::uint8_t* data, std::size_t n);
    bool Pause(double seconds);
    void Vanish();
    void CloseAll();

    Options opts_;
    mutable std::mutex mutex_;
    SensorModel model_;
    std::vector<RequestRecord> requests_;
    std::string path_;
    std::string folder_;   // private temporary folder holding the link
    int folderFd_ = -1;    // the folder, locked while we live
    std::string ptyPath_;  // under mutex_: PtyPath() may ask from any thread
    int masterFd_ = -1;
    int slaveFd_ = -1;  // held open so the line keeps its raw settings between users
    int wakeFd_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> vanished_{false};
    unsigned rng_ = 1;
    int sinceFaults_ = 0;  // requests since the faults were last set (under mutex_, as the three below)
    int answers_ = 0;      // answers sent since then, and how many of them were framed
    int framedAnswers_ = 0;
    bool vanishArmed_ = false;  // a vanish is due at vanishAfter; spent once it has happened
    double returnAt_ = -1.0;    // when a vanished device comes back; serving thread only, as below
    bool vanishPending_ = false;
    double vanishNotBefore_ = 0.0;
    double vanishBy_ = 0.0;
    std::deque<Outgoing> late_;  // held back by the late-answer fault, oldest first (serving thread only)
    struct RxByte {
        std::uint8_t value;
        double crossed;  // when its last bit is through on the line
    };
    std::deque<RxByte> rx_;  // read, not yet taken as a request (serving thread only)
    double rxClock_ = 0.0;   // when the receive line is free again
};

// Seconds on the steady clock, shared by the model and the request log.
double Now();

}  // namespace sim
