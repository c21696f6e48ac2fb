// kbexctl run as a script runs it: a separate process on the simulated
// sensor pair paced at 19200 baud, its rows read from a pipe. Reports the
// frames a second as a share of the line's 26.67 (72 bytes a frame at 10
// bits a byte) and the process's CPU time as a share of a core; then the
// same unpaced (the tool's own headroom).
//   bench_ctl [seconds]   (10 by default)
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "simulated_sensor.h"

namespace {

double ChildCpu() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Measure(bool paced, double seconds) {
    sim::SimulatedSensor sensor({.paced = paced, .logRequests = false});
    if (!sensor.Start())
        return;
    const std::string command = KBEXCTL_PATH " --port " + sensor.Path() + " run --csv --seconds " +
                                std::to_string(seconds) + " 2>/dev/null";
    const double cpu0 = ChildCpu();
    FILE* rows = ::popen(command.c_str(), "r");
    if (!rows)
        return;
    char line[512];
    long frames = -1;  // the header
    double last = 0;
    while (std::fgets(line, sizeof line, rows)) {
        if (++frames > 0)
            last = std::atof(line);
    }
    ::pclose(rows);
    const double cpu = ChildCpu() - cpu0;
    const double rate = frames > 1 ? static_cast<double>(frames - 1) / last : 0;
    constexpr double kLineRate = 19200.0 / 10 / 72;
    if (paced)
        std::printf(
            "kbexctl run, paced:   %ld frames in %.2f s, %.2f frames/s = %.1f %% of the line, "
            "CPU %.1f %% of a core (start-up included)\n",
            frames, last, rate, 100 * rate / kLineRate, 100 * cpu / seconds);
    else
        std::printf("kbexctl run, unpaced: %ld frames in %.2f s, %.0f frames/s, %.1f us CPU a frame\n",
                    frames, last, rate, frames > 0 ? 1e6 * cpu / static_cast<double>(frames) : 0);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    Measure(true, seconds);
    Measure(false, seconds);
}
