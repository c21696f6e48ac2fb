// What waiting on the line costs: CPU time (user + system) of the program
// while one answer wait runs against a silent sensor, and the rate and CPU
// cost of line checks against the simulated sensor pair at 19200 baud.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "simulated_sensor.h"

namespace {

// CPU time of the calling (main) thread: the program's own cost, without the
// simulated sensor's thread that shares the process here.
double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    auto s = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

bool Open(sim::SimulatedSensor& s) {
    SetPortTable({{s.Path(), "bench"}});
    if (OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096) != 0)
        return false;
    com = 1;
    ReceiveCallbackOn();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!StartEngine(argc, argv))
        return 1;
    SetResourceDir(KBEX_BUILD_DIR);
    if (!LoadPanels()) {
        std::fprintf(stderr, "panels did not load from %s\n", KBEX_BUILD_DIR);
        return 1;
    }
    InitVars();

    {
        sim::Options o;
        o.faults.mute = true;
        sim::SimulatedSensor mute(o);
        if (!mute.Start() || !Open(mute))
            return 1;
        const int rounds = 3;
        double cpu = 0, wall = 0;
        for (int i = 0; i < rounds; ++i) {
            const double c0 = CpuSeconds(), t0 = Timer();
            CheckComLine(1);
            cpu += CpuSeconds() - c0;
            wall += Timer() - t0;
        }
        std::printf("silent line: %.2f s of waiting cost %.1f ms CPU (%.2f %% of one core)\n", wall,
                    cpu * 1e3, 100.0 * cpu / wall);
        CloseCom(1);
    }
    {
        sim::Options o;
        o.faults.noFirmware = true;
        sim::SimulatedSensor quiet(o);
        if (!quiet.Start() || !Open(quiet))
            return 1;
        const double c0 = CpuSeconds(), t0 = Timer();
        GetVERSIONInfo();  // polls the queue length without the event loop
        const double wall = Timer() - t0, cpu = CpuSeconds() - c0;
        std::printf("firmware wait on a silent line: %.2f s cost %.1f ms CPU (%.2f %% of one core)\n", wall,
                    cpu * 1e3, 100.0 * cpu / wall);
        CloseCom(1);
    }
    {
        sim::SimulatedSensor paced;  // 19200 baud
        if (!paced.Start() || !Open(paced))
            return 1;
        const int n = 100;
        int ok = 0;
        const double c0 = CpuSeconds(), t0 = Timer();
        for (int i = 0; i < n; ++i)
            ok += CheckComLine(1);
        const double wall = Timer() - t0, cpu = CpuSeconds() - c0;
        std::printf(
            "line checks at 19200 baud: %d/%d answered, %.1f per second (%.1f ms each; "
            "the 36-byte answer alone takes 18.75 ms), CPU %.2f %% of one core\n",
            ok, n, n / wall, 1e3 * wall / n, 100.0 * cpu / wall);
        CloseCom(1);
    }
    return 0;
}
