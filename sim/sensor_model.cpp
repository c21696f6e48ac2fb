// Protocol model of the MASTER/SLAVE sensor pair: parameter pages in RAM and
// EEPROM, identification, a measuring object that moves so that every live
// display of the program has something to show, the four 128-word buffers and
// the maintenance commands. Bytes in, bytes out; the transport lives elsewhere.
#include "simulated_sensor.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "core/frame.h"

namespace sim {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct SensorModel::Live {
    std::uint16_t aval = 0, bval = 0, mvalue = 0, peakwA = 0, peakwB = 0;
    std::int32_t umValue = 0;
};

namespace {

constexpr double kTwoPi = 6.283185307179586;
// One sweep of the measuring object: slow enough to follow by eye on the bar
// graphs, fast enough that a two-second measurement curve shows a slope.
constexpr double kSweepPeriod = 8.0;
constexpr double kSweepA = 40.0;
constexpr double kSweepB = 30.0;
// Now and then the swing swells, so that the measured value leaves the
// tolerance window of the sensor's own parameter set (60 below, 80 above the
// teach value) on both sides, on either channel, and an operator watching RUN
// sees the colour change. Three sweeps to a swell keep its timing against the
// sweep fixed: the flat top holds the turning points of both channels.
constexpr double kSwellPeriod = 3 * kSweepPeriod;
constexpr double kSwellMiddle = 4.0;  // seconds into the period: between A's highest and lowest point
constexpr double kSwellFlat = 3.5;    // seconds either side of the middle at full swell
constexpr double kSwellRamp = 1.5;    // seconds to swell and to calm down again
constexpr double kSwellExtra = 70.0;  // pixels added to either swing at full swell
constexpr double kSpotNoise = 0.6;    // pixels, so the rounded position flickers now and then
constexpr double kCurveSpan = 2.0;    // seconds covered by a measurement curve
constexpr std::uint16_t kPoti = 50;
// The slave sees a reflection as a third edge, so the two counts tell the
// channels apart.
constexpr std::uint16_t kEdgeCountA = 2;
constexpr std::uint16_t kEdgeCountB = 3;
constexpr std::size_t kBufferWords = core::kMaxPoint;

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Page and word that carry a parameter entry; the codec owns that layout.
// Only called with named entries, which all belong to a page.
struct Slot {
    std::size_t page = 0, word = 0;
};
Slot SlotOf(std::size_t index) {
    for (std::uint16_t p = 0; p < 3; ++p)
        for (std::size_t w = 0; w < core::kPageWords; ++w)
            if (core::PageEntryIndex(p, w) == static_cast<int>(index))
                return {p, w};
    return {};
}

std::uint16_t& At(SensorModel::Pages& pages, std::size_t index) {
    const Slot s = SlotOf(index);
    return pages[s.page][s.word];
}

std::uint16_t Get(const SensorModel::Pages& pages, std::size_t index) {
    const Slot s = SlotOf(index);
    return pages[s.page][s.word];
}

std::uint32_t Get32(const SensorModel::Pages& pages, std::size_t lowIndex) {
    return static_cast<std::uint32_t>(Get(pages, lowIndex)) |
           (static_cast<std::uint32_t>(Get(pages, lowIndex + 1)) << 16);
}

// Start values of the sensor's own: deliberately not the program's start
// values, so that the first fetch visibly changes every parameter panel.
SensorModel::Pages InitialPages() {
    std::array<std::uint16_t, core::kParamCount> p{};
    p[core::kEvalMode] = 1;
    p[core::kModeSelect] = 0;
    p[core::kAnaMode] = 1;
    p[core::kHardwareMode] = 0;
    p[core::kCountSetting] = 4;
    p[core::kFlagSetting] = 1;
    p[core::kTolLoPix] = 60;
    p[core::kTolUpPix] = 80;
    core::Put32(p, core::kCalibRef, 37000);

    p[core::kPmodeValA] = 500;
    p[core::kPmodeA] = 0;
    p[core::kVideoThdA] = 40;
    p[core::kTeachA] = 1500;
    p[core::kPixStartA] = 16;
    p[core::kPixEndA] = 4080;
    p[core::kGainA] = 1;
    p[core::kTrigThdA] = 60;
    core::Put32(p, core::kCalibA, 1126);
    core::Put32(p, core::kSetpointA, 37000);

    p[core::kPmodeValB] = 500;
    p[core::kPmodeB] = 0;
    p[core::kVideoThdB] = 45;
    p[core::kTeachB] = 2600;
    p[core::kPixStartB] = 16;
    p[core::kPixEndB] = 4080;
    p[core::kGainB] = 1;
    p[core::kTrigThdB] = 70;
    core::Put32(p, core::kCalibB, 1100);
    core::Put32(p, core::kSetpointB, 37500);

    SensorModel::Pages pages{};
    for (std::uint16_t page = 0; page < pages.size(); ++page) {
        std::uint16_t pp[core::kPPWords] = {};
        core::CopyVarsToPP(p, page, pp);
        std::copy_n(pp, core::kPageWords, pages[page].begin());
    }
    return pages;
}

std::vector<std::uint8_t> AnswerFrame(std::uint16_t command, std::uint16_t second) {
    std::vector<std::uint8_t> a(core::kFrameLen, 0);
    core::PutWordBE(&a[0], core::kAnswerSync);
    core::PutWordBE(&a[2], command);
    core::PutWordBE(&a[4], second);
    return a;
}

void PutPage(std::vector<std::uint8_t>& a, const std::array<std::uint16_t, core::kPageWords>& words) {
    for (std::size_t i = 0; i < core::kPageWords; ++i)
        core::PutWordBE(&a[6 + 2 * i], words[i]);
}

// How far the swing has swollen at `now`, 0 to 1; smooth, so the spot never jumps.
double Swell(double now) {
    const double u = std::abs(std::remainder(now - kSwellMiddle, kSwellPeriod)) - kSwellFlat;
    return u <= 0 ? 1.0 : u >= kSwellRamp ? 0.0 : 0.5 + 0.5 * std::cos(kTwoPi / 2 * u / kSwellRamp);
}

}  // namespace

SensorModel::SensorModel(HardwareConfig h, unsigned seed) : hw(std::move(h)), seed_(seed), rng_(Mix(seed)) {
    ram = InitialPages();
    // A sensor with a shorter line must not claim a set-point beyond its end.
    const std::uint16_t cvp = CvP();
    for (std::size_t index : {core::kTeachA, core::kTeachB}) {
        std::uint16_t& teach = At(ram, index);
        teach = std::clamp<std::uint16_t>(teach, 1, static_cast<std::uint16_t>(cvp - 1));
    }
    eeprom = ram;
    flash.fill(0xFFFF);  // an erased flash reads all ones
}

std::uint16_t SensorModel::CvP() const {
    static constexpr std::array<std::uint16_t, 10> kListed = {256,  512,  768,  1024, 1280,
                                                              1536, 2048, 2560, 4096, 8192};
    return std::find(kListed.begin(), kListed.end(), hw.virtPixels) != kListed.end() ? hw.virtPixels : 2048;
}

std::uint16_t SensorModel::AdcFullScale() const {
    return hw.adcMax == 1024 ? 1024 : 256;
}

std::uint16_t SensorModel::NextRandom() {
    rng_ += 0x9E3779B97F4A7C15ULL;
    return static_cast<std::uint16_t>(Mix(rng_) >> 48);
}

// Noise that depends only on the instant (to the millisecond), so a spot
// position is a pure function of time: the teach command and the tests can ask
// for "the position now" and get what a raw frame at that instant reports.
double SensorModel::Noise(int channel, double now) const {
    const auto tick = static_cast<std::uint64_t>(static_cast<std::int64_t>(std::floor(now * 1000.0)));
    const std::uint64_t h = Mix(seed_ ^ Mix(tick * 4 + static_cast<std::uint64_t>(channel)));
    return static_cast<double>(h >> 11) / 4503599627370496.0 - 1.0;  // [-1, 1)
}

double SensorModel::SpotA(double now) const {
    const double cvp = CvP();
    const double s = Get(ram, core::kTeachA) +
                     (kSweepA + kSwellExtra * Swell(now)) * std::sin(kTwoPi * now / kSweepPeriod) +
                     kSpotNoise * Noise(0, now);
    return std::clamp(s, 1.0, cvp - 1.0);
}

double SensorModel::SpotB(double now) const {
    const double cvp = CvP();
    const double s = Get(ram, core::kTeachB) -
                     (kSweepB + kSwellExtra * Swell(now)) * std::sin(kTwoPi * now / kSweepPeriod + 0.5) +
                     kSpotNoise * Noise(1, now);
    return std::clamp(s, 1.0, cvp - 1.0);
}

double SensorModel::PeakWidth(int channel, double now) const {
    const double w = 25.0 + 4.0 * std::sin(kTwoPi * now / 3.0 + channel) + Noise(2 + channel, now);
    return std::clamp(w, 20.0, 30.0);
}

SensorModel::Live SensorModel::Measure(double now) const {
    Live m;
    m.aval = static_cast<std::uint16_t>(std::lround(SpotA(now)));
    m.bval = static_cast<std::uint16_t>(std::lround(SpotB(now)));
    m.peakwA = static_cast<std::uint16_t>(std::lround(PeakWidth(0, now)));
    m.peakwB = static_cast<std::uint16_t>(std::lround(PeakWidth(1, now)));

    const std::int32_t cvp = CvP();
    const std::int32_t a = m.aval, b = m.bval;
    const std::int32_t tA = Get(ram, core::kTeachA), tB = Get(ram, core::kTeachB);
    std::int32_t value = a, target = tA;
    switch (Get(ram, core::kEvalMode)) {
    case 0:
        value = b;
        target = tB;
        break;
    case 1: break;
    case 2:
        value = 2 * cvp - (a + b);
        target = 2 * cvp - (tA + tB);
        break;
    case 3:
    case 4:
        value = cvp + (a - tA) - (b - tB);
        target = cvp;
        break;
    default: break;
    }
    // The sensor computes in 16-bit words: odd teach values wrap, they do not saturate.
    m.mvalue = static_cast<std::uint16_t>(value);
    const auto target16 = static_cast<std::uint16_t>(target);
    const std::int64_t deviation = static_cast<std::int64_t>(m.mvalue) - target16;
    const std::int64_t um = static_cast<std::int64_t>(Get32(ram, core::kSetpointA)) +
                            deviation * static_cast<std::int64_t>(Get32(ram, core::kCalibA)) / 1024;
    m.umValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(um));
    return m;
}

std::array<std::uint16_t, core::kPPWords> SensorModel::RawFrame(double now) {
    const Live m = Measure(now);
    anaMax_ = std::max(anaMax_, m.mvalue);
    anaMin_ = std::min(anaMin_, m.mvalue);
    const auto um = static_cast<std::uint32_t>(m.umValue);
    lastRaw = {m.aval,
               m.bval,
               m.mvalue,
               static_cast<std::uint16_t>(um & 0xFFFF),
               static_cast<std::uint16_t>(um >> 16),
               kPoti,
               kEdgeCountA,
               kEdgeCountB,
               m.peakwA,
               m.peakwB,
               anaMax_,
               anaMin_,
               Get(ram, core::kTeachA),
               Get(ram, core::kTeachB),
               ++frameCount_,
               0};
    return lastRaw;
}

SensorModel::Buffer SensorModel::Capture(std::size_t buffer, double now) {
    Buffer out{};
    const double cvp = CvP();
    const int channel = static_cast<int>(buffer % 2);
    const double spot = channel == 0 ? SpotA(now) : SpotB(now);
    if (buffer < 2) {
        const double adc = AdcFullScale();
        const double width = 1.5 * PeakWidth(channel, now);
        for (std::size_t i = 0; i < kBufferWords; ++i) {
            const double x = static_cast<double>(i) * cvp / kBufferWords;
            const double d = (x - spot) / width;
            const double noise = static_cast<double>(NextRandom() % 7) - 3.0;
            const double v = 0.08 * adc + 0.85 * adc * std::exp(-d * d) + noise;
            out[i] = static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, std::lround(adc) - 1));
        }
    } else {
        // Oldest first, the last entry being the position at `now`.
        for (std::size_t k = 0; k < kBufferWords; ++k) {
            const double t = now - kCurveSpan + kCurveSpan * static_cast<double>(k + 1) / kBufferWords;
            const double p = channel == 0 ? SpotA(t) : SpotB(t);
            out[k] = static_cast<std::uint16_t>(std::lround(p));
        }
    }
    return out;
}

std::vector<std::uint8_t> SensorModel::Handle(std::span<const std::uint8_t, core::kFrameLen> frame,
                                              double now) {
    const std::uint8_t* const request = frame.data();
    const std::uint16_t command = core::GetWordBE(request + 2);
    const std::uint16_t second = core::GetWordBE(request + 4);

    switch (command) {
    case core::kCmdWriteRam:
    case core::kCmdWriteEeprom: {
        if (second < ram.size()) {
            Pages& dst = command == core::kCmdWriteRam ? ram : eeprom;
            for (std::size_t w = 0; w < core::kPageWords; ++w)
                dst[second][w] = core::GetWordBE(request + 6 + 2 * w);
        }
        return {};
    }
    case core::kCmdReadRam:
    case core::kCmdReadEeprom: {
        auto a = AnswerFrame(command, second);
        if (second < ram.size())
            PutPage(a, command == core::kCmdReadRam ? ram[second] : eeprom[second]);
        return a;
    }
    case core::kCmdEcho: {
        auto a = AnswerFrame(command, 0);
        std::copy(request + 6, request + core::kFrameLen, a.begin() + 6);
        return a;
    }
    case core::kCmdTeach: {
        const auto a = static_cast<std::uint16_t>(std::lround(SpotA(now)));
        const auto b = static_cast<std::uint16_t>(std::lround(SpotB(now)));
        At(ram, core::kTeachA) = a;
        At(ram, core::kTeachB) = b;
        auto answer = AnswerFrame(command, 0);
        PutPage(answer, ram[0]);
        return answer;
    }
    case core::kCmdFirmware: {
        std::vector<std::uint8_t> a(core::kFirmwareLen, 0);
        const std::string& text = hw.firmware;
        if (hw.pcbType == 0) {
            // Word-wise board: one character per big-endian word, in its low byte.
            // The program reads the 72 bytes as 36 words and keeps the low byte
            // of each as one character, so at most 36 characters fit.
            const std::size_t n = std::min(text.size(), core::kFirmwareLen / 2);
            for (std::size_t i = 0; i < n; ++i)
                core::PutWordBE(&a[2 * i], static_cast<std::uint8_t>(text[i]));
        } else {
            const std::size_t n = std::min(text.size(), core::kFirmwareLen);
            std::copy_n(text.begin(), n, a.begin());
        }
        return a;
    }
    case core::kCmdRaw: {
        auto a = AnswerFrame(command, 0);
        const auto words = RawFrame(now);
        for (std::size_t i = 0; i < words.size(); ++i)
            core::PutWordBE(&a[4 + 2 * i], words[i]);
        return a;
    }
    case core::kCmdBlock: {
        std::vector<std::uint8_t> a(core::kBlockLen, 0);
        const std::size_t buffer = core::GetWordBE(request + 6);
        const std::size_t start = second;
        if (buffer < buffers_.size() && start <= kBufferWords / 2) {
            if (start == 0 || !captured_[buffer]) {
                buffers_[buffer] = Capture(buffer, now);
                captured_[buffer] = true;
            }
            for (std::size_t i = 0; i < core::kBlockWords; ++i)
                core::PutWordBE(&a[2 * i], buffers_[buffer][start + i]);
        }
        return a;
    }
    case core::kCmdHardware: {
        std::vector<std::uint8_t> a(core::kFrameLen, 0);
        core::PutWordBE(&a[0], core::kAnswerSync);
        core::PutWordBE(&a[2], command);
        const std::uint16_t words[] = {hw.ccdType,     hw.maxPixel, hw.resolution, hw.pcbType,
                                       hw.virtPixels,  hw.subPixel, hw.pixB,       hw.pixE,
                                       hw.softVersion, hw.hwType,   hw.adcMax};
        for (std::size_t i = 0; i < std::size(words); ++i)
            core::PutWordBE(&a[4 + 2 * i], words[i]);
        return a;
    }
    case core::kCmdResetMaxMin: {
        const Live m = Measure(now);
        anaMax_ = m.mvalue;
        anaMin_ = m.mvalue;
        return AnswerFrame(command, 0);
    }
    case core::kCmdClearFlash: flash.fill(0xFFFF); return AnswerFrame(command, 0);
    case core::kCmdWriteFlash: {
        const std::uint16_t offset = second;
        const std::uint16_t page = core::GetWordBE(request + 6);
        using core::kFlashBlockWords, core::kFlashFirstPage, core::kFlashPageWords;
        const std::size_t base = (page - std::size_t{kFlashFirstPage}) * kFlashPageWords + offset;
        if (page >= kFlashFirstPage && offset <= kFlashPageWords - kFlashBlockWords &&
            base + kFlashBlockWords <= flash.size()) {
            for (std::size_t i = 0; i < kFlashBlockWords; ++i)
                flash[base + i] = core::GetWordBE(request + 8 + 2 * i);
        }
        // The program takes success from these two words only, so they report
        // what was asked even when nothing could be stored.
        auto a = AnswerFrame(command, 0);
        core::PutWordBE(&a[6], offset);
        core::PutWordBE(&a[8], page);
        return a;
    }
    default: return {};
    }
}

}  // namespace sim
