// What waiting on the line costs: CPU time (user + system) of the program
// while one answer wait runs against a silent sensor, and the rate and CPU
// cost of line checks against the simulated sensor pair at 19200 baud.
#include <cstdio>
#include <cstdlib>

#include "K-BEX-TW-MS-DiredI304.h"
#include "bench_support.h"
#include "com232.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "simulated_sensor.h"

namespace {

bool Open(sim::SimulatedSensor& s) {
    SetPortTable({{s.Path(), "bench"}});
    if (OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096) != 0)
        return false;
    com = 1;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!bench::StartProgram(argc, argv))
        return 1;

    {
        sim::Options o;
        o.faults.mute = true;
        sim::SimulatedSensor mute(o);
        if (!mute.Start() || !Open(mute))
            return 1;
        const int rounds = 3;
        double cpu = 0, wall = 0;
        for (int i = 0; i < rounds; ++i) {
            const double c0 = bench::CpuSeconds(), t0 = Timer();
            CheckComLine(1);
            cpu += bench::CpuSeconds() - c0;
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
        const double c0 = bench::CpuSeconds(), t0 = Timer();
        GetVERSIONInfo();  // polls the queue length without the event loop
        const double wall = Timer() - t0, cpu = bench::CpuSeconds() - c0;
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
        const double c0 = bench::CpuSeconds(), t0 = Timer();
        for (int i = 0; i < n; ++i)
            ok += CheckComLine(1);
        const double wall = Timer() - t0, cpu = bench::CpuSeconds() - c0;
        std::printf(
            "line checks at 19200 baud: %d/%d answered, %.1f per second (%.1f ms each; "
            "the 36-byte answer alone takes 18.75 ms), CPU %.2f %% of one core\n",
            ok, n, n / wall, 1e3 * wall / n, 100.0 * cpu / wall);
        CloseCom(1);
    }
    return 0;
}
