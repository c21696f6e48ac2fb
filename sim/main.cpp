// kbex-sensor-sim: the simulated sensor pair on a pseudo-terminal, standalone.
// The first line on stdout is the device path to give the program (--port PATH):
// a link to the pty that stays valid when the device vanishes and returns. It
// serves until SIGINT or SIGTERM.
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <string>
#include <string_view>

#include "simulated_sensor.h"

namespace {

constexpr int kUsageError = 2;

const char* const kUsage =
    "usage: kbex-sensor-sim [options]\n"
    "Serves a simulated MASTER/SLAVE sensor pair on a pseudo-terminal and prints\n"
    "its device path on the first line of standard output.\n"
    "\n"
    "line:\n"
    "  --unpaced            answer at once instead of at the line's byte rate\n"
    "  --baud N             line rate of paced requests and answers, 10 bits a byte (default 19200)\n"
    "  --seed N             seed of the noise and garbage bytes (default 1)\n"
    "faults:\n"
    "  --mute               never answer (requests are still taken)\n"
    "  --mute-after N       answer N requests, then fall silent\n"
    "  --wrong-sync         answers start 00 55 instead of 00 AA\n"
    "  --non-raw            answer raw-frame requests with echo 2\n"
    "  --stray-raw          send a raw frame ahead of every other short answer\n"
    "  --no-blocks          never answer block requests\n"
    "  --no-firmware        never answer the firmware request\n"
    "  --garbage N          send N random bytes before every answer\n"
    "  --truncate N         cut every answer to N bytes\n"
    "  --vanish-after N     disappear after N requests\n"
    "  --return-after S     with --vanish-after: come back at the same path S seconds later\n"
    "  --late-answer S      every answer leaves S seconds late (fractions allowed)\n"
    "  --lost-byte-every N  every Nth answer loses a byte from its middle\n"
    "  --noise-byte-every N send a random byte ahead of every Nth answer\n"
    "  --bad-sync-every N   every Nth 36-byte answer starts 00 AB instead of 00 AA\n"
    "hardware description:\n"
    "  --ccd-type N         CCD type (default 1)\n"
    "  --hw-type N          hardware type, 10000 + working distance in mm (default 10080)\n"
    "  --virt-pixels N      virtual pixel count as reported (default 4096)\n"
    "  --adcmax N           ADC full scale of the video signal (default 256)\n"
    "  --board-type N       board type; 0 sends the firmware text word-wise (default 1)\n"
    "  --firmware TEXT      firmware text\n"
    "  --help               show this text\n";

int Fail(const std::string& message) {
    std::cerr << "kbex-sensor-sim: " << message << "\n"
              << "Try 'kbex-sensor-sim --help'.\n";
    return kUsageError;
}

bool ParseNumber(std::string_view text, long long lo, long long hi, long long* out) {
    if (text.empty())
        return false;
    std::string s(text);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end == s.c_str() || *end != '\0' || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

bool ParseSeconds(std::string_view text, double* out) {
    std::string s(text);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || errno != 0 || *end != '\0' || !(v >= 0.0 && v <= 3600.0))
        return false;
    *out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    sim::Options opts;
    opts.logRequests = false;

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        // Fetches the option's value from "--name=value" or from the next argument.
        auto takeValue = [&](std::string_view* out) {
            if (hasValue) {
                *out = value;
                return true;
            }
            if (i + 1 >= argc)
                return false;
            *out = argv[++i];
            return true;
        };
        auto number = [&](long long lo, long long hi, long long* out) {
            std::string_view v;
            if (!takeValue(&v))
                return Fail("option " + std::string(arg) + " needs a value");
            if (!ParseNumber(v, lo, hi, out))
                return Fail("bad value '" + std::string(v) + "' for " + std::string(arg) + " (" +
                            std::to_string(lo) + " to " + std::to_string(hi) + ")");
            return 0;
        };
        auto flag = [&](bool* target) {
            if (hasValue)
                return Fail("option " + std::string(arg) + " takes no value");
            *target = true;
            return 0;
        };
        auto word = [&](std::uint16_t* target) {
            long long v = 0;
            if (const int rc = number(0, 65535, &v))
                return rc;
            *target = static_cast<std::uint16_t>(v);
            return 0;
        };
        auto count = [&](int* target) {
            long long v = 0;
            if (const int rc = number(0, 1000000, &v))
                return rc;
            *target = static_cast<int>(v);
            return 0;
        };
        auto seconds = [&](double* target) {
            std::string_view text;
            if (!takeValue(&text))
                return Fail("option " + std::string(arg) + " needs a value");
            if (!ParseSeconds(text, target))
                return Fail("bad value '" + std::string(text) + "' for " + std::string(arg) +
                            " (0 to 3600 seconds)");
            return 0;
        };

        int rc = 0;
        bool unpaced = false;
        long long v = 0;
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--unpaced") {
            rc = flag(&unpaced);
            if (unpaced)
                opts.paced = false;
        } else if (arg == "--baud") {
            rc = number(1, 4000000, &v);
            opts.baud = static_cast<int>(v);
        } else if (arg == "--seed") {
            rc = number(0, std::numeric_limits<unsigned>::max(), &v);
            opts.seed = static_cast<unsigned>(v);
        } else if (arg == "--mute") {
            rc = flag(&opts.faults.mute);
        } else if (arg == "--wrong-sync") {
            rc = flag(&opts.faults.wrongSync);
        } else if (arg == "--non-raw") {
            rc = flag(&opts.faults.nonRaw);
        } else if (arg == "--stray-raw") {
            rc = flag(&opts.faults.strayRaw);
        } else if (arg == "--no-blocks") {
            rc = flag(&opts.faults.noBlocks);
        } else if (arg == "--no-firmware") {
            rc = flag(&opts.faults.noFirmware);
        } else if (arg == "--garbage") {
            rc = count(&opts.faults.garbageBytes);
        } else if (arg == "--truncate") {
            rc = count(&opts.faults.truncateTo);
        } else if (arg == "--mute-after") {
            rc = count(&opts.faults.muteAfter);
        } else if (arg == "--vanish-after") {
            rc = count(&opts.faults.vanishAfter);
        } else if (arg == "--return-after") {
            rc = seconds(&opts.faults.returnAfter);
        } else if (arg == "--late-answer") {
            rc = seconds(&opts.faults.lateAnswer);
        } else if (arg == "--lost-byte-every") {
            rc = count(&opts.faults.lostByteEvery);
        } else if (arg == "--noise-byte-every") {
            rc = count(&opts.faults.noiseByteEvery);
        } else if (arg == "--bad-sync-every") {
            rc = count(&opts.faults.badSyncEvery);
        } else if (arg == "--ccd-type") {
            rc = word(&opts.hw.ccdType);
        } else if (arg == "--hw-type") {
            rc = word(&opts.hw.hwType);
        } else if (arg == "--virt-pixels") {
            rc = word(&opts.hw.virtPixels);
        } else if (arg == "--adcmax") {
            rc = word(&opts.hw.adcMax);
        } else if (arg == "--board-type") {
            rc = word(&opts.hw.pcbType);
        } else if (arg == "--firmware") {
            std::string_view text;
            if (!takeValue(&text))
                rc = Fail("option --firmware needs a value");
            else
                opts.hw.firmware = std::string(text);
        } else {
            rc = Fail("unknown option '" + std::string(argv[i]) + "'");
        }
        if (rc != 0)
            return rc;
    }

    // Block the stop signals before the serving thread exists, so that it
    // inherits the mask and only sigwait below ever sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::SimulatedSensor sensor(opts);
    std::string error;
    if (!sensor.Start(&error)) {
        std::cerr << "kbex-sensor-sim: cannot open a pseudo-terminal: " << error << "\n";
        return 1;
    }
    std::cout << sensor.Path() << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    sensor.Stop();
    return 0;
}
