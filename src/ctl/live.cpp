// kbexctl: the commands that measure (run, record, one VIDEO or DATA
// capture) and the flash upload.
#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "com232.h"
#include "core/exportfile.h"
#include "core/recfile.h"
#include "core/rules.h"
#include "ctl.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/serial.h"

namespace ctl {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnSignal(int) {
    interrupted = 1;
}

// The run's and the recording's loop. One request is outstanding at a time:
// each pass takes the raw frame that came, sends the next request and,
// while that one is on the line, hands the frame on, so writing a row costs
// the line nothing.
class LiveLoop : public LinkObserver {
public:
    // Called with each raw frame (in Aval, Bval, ...) and its time since the
    // first frame; false ends the loop there.
    std::function<bool(double seconds)> onFrame;

    // Answered when the loop ended because onFrame or Ctrl+C said so; else
    // what the line did (a status text has said it).
    Outcome Go() {
        stop_flag = graph_flag = rx_flag = 0;
        double limit = TIMEOUT, lastRaw = Timer();
        const char* progress = "Line Ok!";
        Outcome outcome;
        for (;;) {
            fresh_ = graph_flag == 1;
            if (fresh_) {
                CopyPPtoRAWVars();
                graph_flag = 0;
            }
            // The request carries page 0 of the sensor's own set, as RUN's do.
            CopyVarsToPP(0);
            outcome = Exchange({.command = core::kCmdRaw,
                                .words = pp,
                                .progress = std::exchange(progress, nullptr),
                                .progressOnlyWhole = true},
                               {.kind = Expect::AnyFrame}, limit, *this);
            if (fresh_)
                Sent(0);  // the request did not go out: the frame still counts
            if (outcome != Outcome::Answered)
                break;
            limit = 2 * TIMEOUT;
            const double now = Timer();
            if (graph_flag == 1) {
                lastRaw = frameAt_ = now;
                if (first_ < 0)
                    first_ = now;
            } else if (now - lastRaw > 2 * TIMEOUT) {
                // Answers that are never a measurement would keep a run
                // with --frames going for ever.
                outcome = Outcome::WrongAnswer;
                break;
            }
        }
        rx_flag = graph_flag = 0;
        FlushInQ(com);
        if (ending_ || Interrupted())
            return Outcome::Answered;
        if (const char* text = MissedText(outcome, "Timeout RS232-Line!"))
            Note(text);
        return outcome;
    }

    void Status(const char* text) override { Observer().Status(text); }
    void LineLost() override { Observer().LineLost(); }
    bool Stopping() override { return ending_ || Interrupted(); }
    void Sent(int) override {
        if (!fresh_)
            return;
        fresh_ = false;
        if (!ending_ && !onFrame(frameAt_ - first_))
            ending_ = true;
    }

private:
    bool fresh_ = false, ending_ = false;
    double first_ = -1, frameAt_ = 0;
};

// The hardware description (the pixel count) and the sensor's own set from
// RAM: the tolerance verdict, the thresholds and the recorder's set-point
// come from them, and a raw request carries page 0 of it.
bool Prepare() {
    if (GetHARDWAREInfo() == 0) {
        ShowStatus();
        ShowStatusText("Error reading HARDWARE-info!");
        return false;
    }
    return FetchParameterSet(1) == 1;
}

struct Field {
    const char* name;
    long long value;
};

std::array<Field, 13> LiveFields() {
    return {{{"Aval", Aval},
             {"Bval", Bval},
             {"Mvalue", Mvalue},
             {"umValue", umValue},
             {"poti", poti},
             {"edcntA", edcntA},
             {"edcntB", edcntB},
             {"peakwA", peakwA},
             {"peakwB", peakwB},
             {"anaMax", anaMax},
             {"anaMin", anaMin},
             {"raw15", raw15},
             {"instate", instate}}};
}

enum class Layout { Text, Csv, Json };

// Aligned text is as wide as each column's name or its widest value.
int Width(const Field& f) {
    const int value = f.name == std::string_view("umValue") ? 11 : 5;
    return std::max(value, static_cast<int>(std::string_view(f.name).size()));
}

std::string Header(Layout layout) {
    std::string out;
    char cell[32];
    if (layout == Layout::Csv) {
        out = "time";
        for (const Field& f : LiveFields())
            out += std::string(",") + f.name;
        return out + ",tolerance\r\n";
    }
    std::snprintf(cell, sizeof cell, "%10s", "time");
    out = cell;
    for (const Field& f : LiveFields()) {
        std::snprintf(cell, sizeof cell, " %*s", Width(f), f.name);
        out += cell;
    }
    return out + " tolerance\n";
}

std::string Row(Layout layout, double seconds, bool within) {
    std::string out;
    char cell[48];
    const char* verdict = within ? "in" : "out";
    std::snprintf(cell, sizeof cell,
                  layout == Layout::Json  ? "{\"time\":%.3f"
                  : layout == Layout::Csv ? "%.3f"
                                          : "%10.3f",
                  seconds);
    out = cell;
    for (const Field& f : LiveFields()) {
        if (layout == Layout::Json)
            std::snprintf(cell, sizeof cell, ",\"%s\":%lld", f.name, f.value);
        else if (layout == Layout::Csv)
            std::snprintf(cell, sizeof cell, ",%lld", f.value);
        else
            std::snprintf(cell, sizeof cell, " %*lld", Width(f), f.value);
        out += cell;
    }
    if (layout == Layout::Json)
        return out + ",\"tolerance\":\"" + verdict + "\"}\n";
    if (layout == Layout::Csv)
        return out + "," + verdict + "\r\n";
    std::snprintf(cell, sizeof cell, " %9s\n", verdict);
    return out + cell;
}

// Record timing as the recorder window keeps it: whole seconds in 16 bits,
// whose differences wrap consistently.
std::uint16_t WholeSeconds() {
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(Timer()) & 0xFFFF);
}

}  // namespace

void CatchSignals() {
    struct sigaction action = {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool Interrupted() {
    return interrupted != 0;
}

int Run(const Options& o) {
    if (!Prepare())
        return kNoAnswer;
    const Layout layout = o.json ? Layout::Json : o.csv ? Layout::Csv : Layout::Text;
    Written written = layout == Layout::Json ? Written::Ok : Emit(Header(layout));
    if (written == Written::Failed) {
        Note("Error writing to stdout!");
        return kFileError;
    }
    if (written != Written::Ok)
        return kDone;
    std::uint64_t rows = 0;
    std::uint16_t tVal = 0;
    LiveLoop loop;
    loop.onFrame = [&](double t) {
        if (o.seconds > 0 && t >= o.seconds)
            return false;
        // The verdict that colours the window's value: the target and the
        // tolerances in force for this frame.
        const core::Derived target = core::DeriveTarget(parameter, ccdvirtpixel, poti, tVal);
        tVal = target.tVal;
        written = Emit(Row(layout, t, core::WithinTolerance(Mvalue, target)));
        return written == Written::Ok && (o.frames == 0 || ++rows < o.frames);
    };
    const Outcome outcome = loop.Go();
    if (written == Written::Failed) {
        Note("Error writing to stdout!");
        return kFileError;
    }
    return outcome == Outcome::Answered ? kDone : kNoAnswer;
}

int Record(const Options& o) {
    if (!Prepare())
        return kNoAnswer;
    const bool toFile = !o.file.empty();
    // Like the window's recorder, every recording starts a new file.
    const std::string header = core::RecorderHeader(DateStr() + " " + TimeStr(), o.interval,
                                                    core::Get32(parameter, core::kSetpointA));
    const auto put = [&](const std::string& text, bool first) {
        if (!toFile)
            return Emit(text);
        const int r = first ? ReplaceFileBytes(o.file.c_str(), text) : AppendFileBytes(o.file.c_str(), text);
        return r == 0 ? Written::Ok : Written::Failed;
    };
    Written written = put(header, true);
    if (written == Written::Failed) {
        Note("Error writing recorder-file!");
        return kFileError;
    }
    unsigned records = 0;
    Outcome outcome = Outcome::Answered;
    if (written == Written::Ok && o.count > 0) {
        Note("DATA-RECORDER active ...");
        std::uint16_t reference = WholeSeconds();
        LiveLoop loop;
        loop.onFrame = [&](double) {
            if (static_cast<std::uint16_t>(WholeSeconds() - reference) < o.interval)
                return true;
            const std::string record = core::RecorderRecord(
                {Aval, Bval, Mvalue, static_cast<std::uint32_t>(umValue), edcntA, edcntB});
            written = put(record, false);
            if (written != Written::Ok)
                return false;
            reference = WholeSeconds();
            return ++records < o.count;
        };
        outcome = loop.Go();
    }
    // Every record counted is in the file: a record that could not be
    // written ended the recording. Unlike a run's rows, the records were
    // asked for by their count: a reader gone before the last is a
    // recording lost, not one ended.
    std::fprintf(stderr, "%u of %u records written%s%s\n", records, unsigned(o.count), toFile ? " to " : "",
                 o.file.c_str());
    if (written == Written::Failed || written == Written::Closed) {
        Note("Error writing recorder-file!");
        return kFileError;
    }
    return outcome == Outcome::Answered ? kDone : kNoAnswer;
}

int Capture(const Options& o) {
    const bool video = o.command == "video";
    if (!Prepare())
        return kNoAnswer;
    if (PushGETRAW() != 1)
        return kNoAnswer;
    CopyPPtoRAWVars();
    // The window's capture: both halves of channel A's buffer, then B's.
    std::uint16_t a[MAXPOINT] = {}, b[MAXPOINT] = {};
    const int first = video ? 0 : 2;
    const bool complete = ReadData64(0, first, a) && ReadData64(64, first, a) &&
                          ReadData64(0, first + 1, b) && ReadData64(64, first + 1, b);
    FlushInQ(com);
    if (!complete)
        return kNoAnswer;
    // VIDEO over the pixel positions with the video thresholds of the set;
    // DATA over every second of the sensor's 256 scans.
    const core::ThresholdLines lines = core::ComputeThresholds(parameter, ADCMAX, ccdvirtpixel);
    std::uint16_t thdA[MAXPOINT], thdB[MAXPOINT];
    std::fill_n(thdA, MAXPOINT, lines.thdA);
    std::fill_n(thdB, MAXPOINT, lines.thdB);
    double scans[MAXPOINT];
    for (int i = 0; i < MAXPOINT; ++i)
        scans[i] = 2.0 * i;
    const core::CaptureView view = video ? core::CaptureView{"VIDEO", xArray8, a, b, thdA, thdB}
                                         : core::CaptureView{"DATA", scans, a, b};
    // A capture the reader did not take is one not delivered.
    return Deliver(o.file, core::FormatCaptureCsv({&view, 1}, MAXPOINT), "export-file");
}

int Upload(const Options& o) {
    std::array<std::uint16_t, core::kLinTableWords> table{};
    if (!LoadLinTable(o.file.c_str(), table.data())) {
        Note("Error reading linearisation-file! " + o.file);
        return kFileError;
    }
    TransferScope transfer;
    return UploadLinTable(table.data(), o.device) == Outcome::Answered ? kDone : kNoAnswer;
}

}  // namespace ctl
