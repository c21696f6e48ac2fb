// What the data recorder reaches and costs: the cost of one appended record
// in a small and in a huge file, and whether memory follows the file; a
// recording at interval 0 against a line paced at 19200 baud both ways (share
// of the line-limited rate, CPU time of the main thread); and, in a recording
// against the unpaced simulator, that every record the counter shows is
// already in the file as another reader sees it.
//   bench_record [seconds]   (18 by default; the unpaced recording takes a quarter)
#include <fcntl.h>
#include <unistd.h>

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "K-BEX-TW-MS-DiredI304.h"
#include "bench_support.h"
#include "com232.h"
#include "core/frame.h"
#include "core/recfile.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "simulated_sensor.h"

namespace {

const std::string kDir = KBEX_BUILD_DIR "/bench-files";

// Resident memory now (not the peak, which could only ever grow).
double ResidentMiB() {
    long size = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// A record as a live run makes them: numbers of every width, the micrometre
// value negative (ten digits as its unsigned pattern).
std::string SampleRecord(std::uint32_t i) {
    return core::RecorderRecord({8000 + i % 97, 8100 + i % 89, 16100 + i % 50,
                                 static_cast<std::uint32_t>(-125 - static_cast<int>(i % 400)), 3, 2});
}

std::string NewRecordFile(const char* name, std::uint32_t records) {
    const std::string path = kDir + "/" + name;
    if (WriteFileBytes(path.c_str(), core::RecorderHeader("01-01-2025 00:00:00", 0, 123456), false) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    for (std::uint32_t i = 0; i < records; ++i)
        AppendFileBytes(path.c_str(), SampleRecord(i));
    return path;
}

// Median of `n` appends to the file at `path`. Each record is cut off again
// outside the timing, so the file keeps the size it was measured at.
double MedianAppendMicroseconds(const std::string& path, int n) {
    const auto size = static_cast<off_t>(std::filesystem::file_size(path));
    std::vector<double> us;
    for (int i = 0; i < n; ++i) {
        const std::string record = SampleRecord(static_cast<std::uint32_t>(i));
        const auto t0 = std::chrono::steady_clock::now();
        const int r = AppendFileBytes(path.c_str(), record);
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
        if (r != 0 || ::truncate(path.c_str(), size) != 0) {
            std::fprintf(stderr, "append to %s failed\n", path.c_str());
            std::exit(1);
        }
    }
    std::nth_element(us.begin(), us.begin() + n / 2, us.end());
    return us[static_cast<std::size_t>(n / 2)];
}

unsigned short RecCount() {
    unsigned short v = 0;
    GetCtrlVal(pPopUp, POPUP_NUMRecCount, v);
    return v;
}

struct Recording {
    double wall, cpu;
    unsigned records;
    double medianGap, p99Gap, maxGap;  // ms from one raw request to the next
};

// One recording at interval 0 through START-RECORD against a fresh simulated
// pair, ended after `seconds` the way STOP-RECORD ends it (without the
// button's pause, which would count as time without records).
Recording Record(bool paced, double seconds, const std::string& path) {
    sim::Options o;
    o.paced = paced;
    sim::SimulatedSensor s(o);
    bench::Connect(s);
    recfile_name = path;
    DeleteFile(path.c_str());  // START would ask before replacing a file an earlier run left
    SetCtrlVal(pPopUp, POPUP_NEDITRecTime, 0);
    SetCtrlVal(pPopUp, POPUP_NEDITRecSamples, 65535);
    CalcRecTime();  // as the fields do when typed into
    s.ClearRequests();
    // Precise: a coarse timer of this length may end the recording 5 % early.
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, [] { stop_flag = 1; });
    const double c0 = bench::CpuSeconds(), t0 = Timer();
    CC_BTNStartRecord(pPopUp, POPUP_BTNStartRecord, EVENT_COMMIT, nullptr, 0, 0);
    Recording r{Timer() - t0, bench::CpuSeconds() - c0, RecCount(), 0, 0, 0};
    CloseCom(com);
    // Where a share of the line is lost: on every frame, or in a few stalls.
    std::vector<double> gaps;
    double last = -1;
    for (const sim::RequestRecord& q : s.Requests())
        if (q.command() == core::kCmdRaw) {
            if (last >= 0)
                gaps.push_back(1000 * (q.time - last));
            last = q.time;
        }
    if (!gaps.empty()) {
        std::sort(gaps.begin(), gaps.end());
        r.medianGap = gaps[gaps.size() / 2];
        r.p99Gap = gaps[(gaps.size() - 1) * 99 / 100];
        r.maxGap = gaps.back();
    }
    return r;
}

// Reads the recorder file as another program would, from its own open, and
// counts the CR LF line ends it holds. It reads on from where the last look
// ended, so the check stays cheap however long the file grows.
class LineCounter {
public:
    explicit LineCounter(std::string path) : path_(std::move(path)) {}
    std::size_t Count() {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return lines_;
        char buf[1 << 16];
        ssize_t n;
        while ((n = ::pread(fd, buf, sizeof buf, offset_)) > 0) {
            for (ssize_t i = 0; i < n; ++i) {
                lines_ += (cr_ && buf[i] == '\n');
                cr_ = buf[i] == '\r';
            }
            offset_ += n;
        }
        ::close(fd);
        return lines_;
    }

private:
    std::string path_;
    off_t offset_ = 0;
    std::size_t lines_ = 0;
    bool cr_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 18.0;
    std::filesystem::create_directories(kDir);

    // --- one append, small file against huge file ---
    const std::string small = NewRecordFile("append-10.dat", 10);
    const double before = ResidentMiB();
    const std::string big = NewRecordFile("append-100000.dat", 100000);
    const double after = ResidentMiB();
    const int appends = 3000;
    const double usSmall = MedianAppendMicroseconds(small, appends);
    const double usBig = MedianAppendMicroseconds(big, appends);
    const double ratio = usBig / usSmall;
    std::printf(
        "Append, median of %d: %.1f us to a file of 10 records, %.1f us to one of 100000 (%.1f MB):\n",
        appends, usSmall, usBig, static_cast<double>(std::filesystem::file_size(big)) / 1e6);
    std::printf("                      ratio %.2f, target <= 1.5: %s\n", ratio,
                ratio <= 1.5 ? "ok" : "ABOVE TARGET");
    // The file is several MB; a recorder that kept it (or grew with it) would show that much.
    std::printf(
        "Resident memory:      %.2f MiB before 100000 appends, %.2f MiB after (%+.2f), target < +1: %s\n",
        before, after, after - before, after - before < 1.0 ? "ok" : "GROWS WITH THE FILE");

    if (!bench::StartProgram(argc, argv))
        return 1;
    InitGUI();
    DisplayPanel(pHandle);
    DisplayPanel(pPopUp);

    // --- paced: the line sets the pace; one raw exchange is 72 bytes of 10 bits ---
    const double lineLimit = 19200.0 / (72 * 10);
    const Recording paced = Record(true, seconds, kDir + "/paced.dat");
    const double share = paced.records / paced.wall / lineLimit, cpu = paced.cpu / paced.wall;
    std::printf(
        "Recording, paced:     %u records in %.2f s = %.2f records/s = %5.1f %% of the line's %.2f, "
        "target >= 98 %%: %s\n",
        paced.records, paced.wall, paced.records / paced.wall, 100 * share, lineLimit,
        share >= 0.98 ? "ok" : "BELOW TARGET");
    std::printf("                      CPU of the main thread %.1f %% of a core, target <= 10 %%: %s\n",
                100 * cpu, cpu <= 0.10 ? "ok" : "ABOVE TARGET");
    std::printf(
        "                      request to request: median %.2f ms, 99th percentile %.2f ms, "
        "longest %.2f ms (line: %.2f)\n",
        paced.medianGap, paced.p99Gap, paced.maxGap, 1000 / lineLimit);

    // --- unpaced, with a reader looking at the file each time the count moves ---
    // The 1 ms timer runs inside the recording loop's event processing; each
    // look checks every record counted up to then.
    // The count still shows the paced recording's until the fields are
    // typed into, and the reader must not take that for this one's.
    const std::string fast = kDir + "/unpaced.dat";
    DeleteFile(fast.c_str());
    SetCtrlVal(pPopUp, POPUP_NUMRecCount, 0);
    LineCounter counter(fast);
    unsigned shown = 0, checked = 0, looks = 0, missing = 0;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const unsigned count = RecCount();
        if (count <= shown)
            return;
        const std::size_t lines = counter.Count(), needed = 2 + 6 * std::size_t{count};
        if (lines < needed)
            missing += static_cast<unsigned>((needed - lines + 5) / 6);
        checked += count - shown;
        ++looks;
        shown = count;
    });
    poll.start(1);
    const Recording unpaced = Record(false, seconds / 4, fast);
    poll.stop();
    const std::size_t finalLines = LineCounter(fast).Count();
    std::printf(
        "Flushed before shown: %u records in %.2f s unpaced (%.0f records/s), %u looks at the file:\n",
        unpaced.records, unpaced.wall, unpaced.records / unpaced.wall, looks);
    std::printf(
        "                      records checked %u, missing %u, target 0: %s; "
        "file at the end %zu records for a count of %u\n",
        checked, missing, missing == 0 ? "ok" : "COUNTED BEFORE WRITTEN", (finalLines - 2) / 6,
        unpaced.records);
    return 0;
}
