// Resident memory of the program across a long live run: RUN against the
// unpaced simulated sensor pair, whose values keep moving, for FRAMES raw
// frames; the resident set after the first tenth and at the end. A run that
// draws the same as any other must not grow with the number of frames.
//   bench_memory [FRAMES]   (1 000 000 by default, about four minutes)
// The simulated pair logs every request it takes; the log is emptied at
// every count, so what grows is the program's.
#include <unistd.h>

#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "K-BEX-TW-MS-DiredI304.h"
#include "bench_support.h"
#include "com232.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "simulated_sensor.h"

namespace {

// Resident set size now (not its peak), in MB.
double ResidentMB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const long long frames = argc > 1 ? std::atoll(argv[1]) : 1000000;
    if (!bench::StartProgram(argc, argv))
        return 1;
    InitGUI();
    DisplayPanel(pHandle);

    sim::Options o;
    o.paced = false;
    sim::SimulatedSensor sensor(o);
    bench::Connect(sensor);
    sensor.ClearRequests();

    const long long early = frames / 10;
    long long taken = 0;
    double earlyMB = 0;
    const double t0 = Timer();
    QTimer count;
    QObject::connect(&count, &QTimer::timeout, [&] {
        for (const sim::RequestRecord& r : sensor.Requests())
            taken += r.command() == core::kCmdRaw;
        sensor.ClearRequests();
        if (earlyMB == 0 && taken >= early) {
            earlyMB = ResidentMB();
            std::printf("after %9lld frames: RSS %7.2f MB  (%.0f frames/s)\n", taken, earlyMB,
                        taken / (Timer() - t0));
            std::fflush(stdout);
        }
        if (taken >= frames)
            stop_flag = 1;
    });
    count.start(100);
    PushRUN();
    count.stop();

    const double lateMB = ResidentMB();
    std::printf("after %9lld frames: RSS %7.2f MB  (%.0f frames/s)\n", taken, lateMB, taken / (Timer() - t0));
    std::printf("growth: %+.2f MB over %lld frames = %.2f bytes a frame\n", lateMB - earlyMB, taken - early,
                1e6 * (lateMB - earlyMB) / static_cast<double>(taken - early));
    CloseCom(com);
    return 0;
}
