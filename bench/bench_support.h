// What the benchmarks that run the program share: the program's panels loaded
// offscreen as at start-up, and the CPU time of the main thread.
#pragma once

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "simulated_sensor.h"

namespace bench {

// CPU time of the calling (main) thread: the program's own cost, without the
// simulated sensor's thread that shares the process here.
inline double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    auto s = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

// Starts the engine offscreen and loads the panels from the build folder,
// every global at its start value. False (with a message) when it cannot.
inline bool StartProgram(int& argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!StartEngine(argc, argv))
        return false;
    SetResourceDir(KBEX_BUILD_DIR);
    if (!LoadPanels()) {
        std::fprintf(stderr, "panels did not load from %s\n", KBEX_BUILD_DIR);
        return false;
    }
    InitVars();
    return true;
}

// Starts `sensor` and connects COM1 to it as at start-up; ends the
// benchmark when the simulated pair cannot start.
inline void Connect(sim::SimulatedSensor& sensor) {
    if (!sensor.Start())
        std::exit(1);
    SetPortTable({{sensor.Path(), "bench"}});
    com = 1;
    InitRS232(com);
}

}  // namespace bench
