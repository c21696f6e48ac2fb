// What the live run and the video capture reach against the simulated sensor
// pair: against a line paced at 19200 baud in both directions, the share of
// the line-limited rate and the program's CPU time; unpaced, the software's
// own headroom (frames per second and CPU time per frame, drawing included).
//   bench_run [seconds]   (20 by default)
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "K-BEX-TW-MS-DiredI304.h"
#include "bench_support.h"
#include "com232.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "simulated_sensor.h"

namespace {

struct Figures {
    double rate, cpuShare, cpuPerItem;
    double medianGap, p99Gap;  // ms between raw requests
};

// Runs `operation` for `seconds` against a fresh simulated sensor pair and
// counts the raw requests it made: frames for RUN, passes for VIDEO.
Figures Measure(bool paced, double seconds, void (*operation)()) {
    sim::Options o;
    o.paced = paced;
    sim::SimulatedSensor s(o);
    bench::Connect(s);
    s.ClearRequests();
    QTimer::singleShot(static_cast<int>(seconds * 1000), [] { stop_flag = 1; });
    const double c0 = bench::CpuSeconds(), t0 = Timer();
    operation();
    const double wall = Timer() - t0, cpu = bench::CpuSeconds() - c0;
    // Time from one raw request to the next as the sensor took them: the
    // line's 37.5 ms a frame plus whatever the program and the sensor added.
    std::vector<double> gaps;
    double last = -1;
    for (const sim::RequestRecord& r : s.Requests())
        if (r.command() == core::kCmdRaw) {
            if (last >= 0)
                gaps.push_back(1000 * (r.time - last));
            last = r.time;
        }
    const auto n = static_cast<double>(gaps.size() + (last >= 0));
    std::sort(gaps.begin(), gaps.end());
    const auto at = [&](double q) {
        return gaps.empty() ? 0.0 : gaps[static_cast<std::size_t>(q * (gaps.size() - 1))];
    };
    CloseCom(com);
    return {n / wall, cpu / wall, cpu / n, at(0.5), at(0.99)};
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    if (!bench::StartProgram(argc, argv))
        return 1;
    InitGUI();
    DisplayPanel(pHandle);

    // One raw exchange is 36 bytes out and 36 back; a VIDEO pass adds four
    // block requests of 36 bytes with 128-byte answers. 10 bits a byte.
    const double byteTime = 10.0 / 19200.0;
    const double runLimit = 1.0 / (72 * byteTime);
    const double videoLimit = 1.0 / ((72 + 4 * (36 + 128)) * byteTime);

    const Figures run = Measure(true, seconds, &PushRUN);
    std::printf("RUN, paced:     %6.2f frames/s = %5.1f %% of the line's %.2f; CPU %4.1f %% of a core\n",
                run.rate, 100 * run.rate / runLimit, runLimit, 100 * run.cpuShare);
    std::printf("                request to request: median %.2f ms, 99th percentile %.2f ms (line: %.2f)\n",
                run.medianGap, run.p99Gap, 1000 / runLimit);
    // The statistics window open: every frame adds to the figures, the window
    // and its histogram follow at most at the repaint rate.
    SetCtrlVal(pHandle, PANEL_TOGGBTN_Stats, 1);
    DisplayPanel(pStats);
    StatsWindowShown(true);
    ClearStats();
    const Figures stats = Measure(true, seconds, &PushRUN);
    std::printf(
        "RUN, statistics window open: %6.2f frames/s = %5.1f %% of the line; CPU %4.1f %% of a core "
        "(%llu frames counted)\n",
        stats.rate, 100 * stats.rate / runLimit, 100 * stats.cpuShare,
        static_cast<unsigned long long>(Statistics().Count()));
    const Figures statsFast = Measure(false, seconds / 4, &PushRUN);
    std::printf("RUN, unpaced, statistics window open: %6.0f frames/s; CPU %.0f us a frame\n", statsFast.rate,
                1e6 * statsFast.cpuPerItem);
    HidePanel(pStats);
    StatsWindowShown(false);
    SetCtrlVal(pHandle, PANEL_TOGGBTN_Stats, 0);

    const Figures video = Measure(true, seconds, &PushVIDEO);
    std::printf("VIDEO, paced:   %6.2f passes/s = %5.1f %% of the line's %.2f; CPU %4.1f %% of a core\n",
                video.rate, 100 * video.rate / videoLimit, videoLimit, 100 * video.cpuShare);
    const Figures fast = Measure(false, seconds / 4, &PushRUN);
    std::printf("RUN, unpaced:   %6.0f frames/s; CPU %.0f us a frame, drawing included\n", fast.rate,
                1e6 * fast.cpuPerItem);
    return 0;
}
