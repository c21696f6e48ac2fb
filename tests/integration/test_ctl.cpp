// kbexctl as a script runs it: a separate process on the simulated sensor
// pair's pty, judged by its exit status, stdout and stderr, and by what the
// sensor holds afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/compare.h"
#include "core/linfile.h"
#include "core/paramfile.h"
#include "simulated_sensor.h"

namespace {

using Args = std::vector<std::string>;
struct Result {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

// Runs kbexctl; `timeout` kills a run that hangs and pclose waits for it, so
// no run outlives its test. The paths here hold no quote.
Result Ctl(const Args& args, const std::string& redirect = "") {
    static int runs = 0;
    const std::string err =
        ::testing::TempDir() + "kbexctl-err-" + std::to_string(::getpid()) + "-" + std::to_string(++runs);
    std::string command = "exec timeout -s KILL 30 " KBEXCTL_PATH;
    for (const std::string& a : args)
        command += " '" + a + "'";
    Result r;
    FILE* p = ::popen((command + " 2>'" + err + "' " + redirect).c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        r.out.append(buf, n);
    const int w = ::pclose(p);
    r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
    r.err = Slurp(err);
    std::remove(err.c_str());
    return r;
}

// A kbexctl the test stops itself, its stdout read as it comes. `timeout`
// passes the test's SIGINT on to it, and kills it if it hangs.
struct Child {
    explicit Child(Args args) {
        args.insert(args.begin(), {"timeout", "-s", "KILL", "20", KBEXCTL_PATH});
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe(fds) != 0 || (pid = ::fork()) < 0)
            return;
        if (pid == 0) {
            ::dup2(fds[1], 1);
            std::freopen("/dev/null", "w", stderr);
            ::close(fds[0]);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out = fds[0];
    }
    ~Child() {
        if (out >= 0)
            ::close(out);
        Wait();
    }
    // Reads until `lines` more lines have come (fewer at the end of output).
    std::string Lines(int lines) {
        std::string text;
        for (char c; lines > 0 && ::read(out, &c, 1) == 1; lines -= c == '\n')
            text += c;
        return text;
    }
    int Wait() {
        int w = 0;
        if (pid > 0 && ::waitpid(std::exchange(pid, -1), &w, 0) > 0 && WIFEXITED(w))
            return WEXITSTATUS(w);
        return -1;
    }
    pid_t pid = -1;
    int out = -1;
};

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> parts;
    std::stringstream s(text);
    for (std::string part; std::getline(s, part, at);)
        parts.push_back(part);
    return parts;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The sensor's pages as the window would save them.
std::string WindowFile(const sim::SensorModel::Pages& pages) {
    core::ParamFileValues values{};
    for (std::size_t k = 0; k < values.size(); ++k)
        values[k] = pages[k / 15][k % 15];
    return core::FormatParamFile(values);
}

// A set inside every limit of a 4096-pixel sensor, other than the start set.
core::ParamFileValues GoodSet() {
    const std::uint32_t page0[15] = {2, 1, 0, 2, 100, 1, 40, 60, 0, 0, 0, 0, 0, 5000, 1};
    const std::uint32_t channel[15] = {600, 1, 140, 2000, 10, 4000, 1, 77, 0, 0, 0, 3072, 0, 9, 2};
    core::ParamFileValues v{};
    for (std::size_t k = 0; k < 15; ++k) {
        v[k] = page0[k];
        v[15 + k] = channel[k];
        v[30 + k] = channel[k] + (k == 3 ? 100 : 0);
    }
    return v;
}

struct Kbexctl : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(sensor.Start());
        std::filesystem::create_directories(dir);
        std::ofstream(File("set.cfg"), std::ios::binary) << core::FormatParamFile(GoodSet());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string File(const char* name) const { return (dir / name).string(); }
    Result On(Args args) {
        args.insert(args.begin(), {"--port", sensor.Path()});
        return Ctl(args);
    }
    sim::SensorModel::Pages Memory(bool eeprom) {
        return sensor.WithModel([eeprom](sim::SensorModel& m) { return eeprom ? m.eeprom : m.ram; });
    }
    sim::SimulatedSensor sensor{{.paced = false, .seed = 3}};
    // Tests run side by side as processes of their own: a folder each.
    std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / ("kbexctl-files-" + std::to_string(::getpid()));
};

}  // namespace

// Refused before any port is touched: none of these names a real one.
TEST(KbexctlCommandLine, HelpExitsZeroAndEveryBadCommandLineOne) {
    const Result help = Ctl({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Has(help.out, "send ram|eeprom FILE [--verify]"));
    const std::string port = "--port=/nonexistent/tty";
    for (const Args& args :
         std::vector<Args>{{},
                           {port, "frobnicate"},
                           {port, "get"},
                           {port, "get", "flash"},
                           {port, "get", "ram", "-o"},
                           {port, "send", "ram"},
                           {port, "send", "ram", "f.cfg", "--verfy"},
                           {port, "identify", "extra"},
                           {"--bogus", "identify"},
                           {"--port"},
                           {"identify"},
                           {"--port", "/a", "--port", "/b", "identify"},
                           {port, "run", "--frames", "0"},
                           {port, "run", "--frames", "5", "--seconds", "1"},
                           {port, "run", "--seconds", "-1"},
                           {port, "record", "--interval", "1"},
                           {port, "record", "--interval", "65536", "--count", "1"},
                           {port, "video", "-o"},
                           {port, "upload", "left", "lin.dat"},
                           {port, "run", "--frames"},
                           {port, "record", "--count", "1", "--interval", "1", "--count", "2"}}) {
        const Result r = Ctl(args);
        EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(1, "")) << ::testing::PrintToString(args);
        EXPECT_TRUE(Has(r.err, "kbexctl: ")) << r.err;
    }
}

TEST(KbexctlPort, APortThatCannotBeOpenedExitsTwoWithItsOpenErrorText) {
    const Result r = Ctl({"--port", "/nonexistent/ttyUSB9", "identify"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "/nonexistent/ttyUSB9: No serial port found")) << r.err;
}

TEST_F(Kbexctl, IdentifyPrintsTheDescriptionAndFirmwareAsTextOrJson) {
    const Result text = On({"identify"});
    EXPECT_EQ(text.status, 0) << text.err;
    for (const char* part : {"hwtype             10080\n", "working-range = 80mm +/-10mm\n",
                             "firmware           K-BEX-TW-MS firmware 2.17 (simulated sensor pair)\n"})
        EXPECT_TRUE(Has(text.out, part)) << part << " in " << text.out;
    EXPECT_TRUE(Has(text.err, "Echo Check - Line Ok!"));
    const Result json = On({"--json", "identify"});
    EXPECT_EQ(std::tuple(json.status, json.out.front(), json.out.back()), std::tuple(0, '{', '\n'));
    for (const char* part : {"\"ccdvirtpixel\":4096,", "\"1024-pixel; 7.8\xC2\xB5m pixel-pitch\"",
                             "\"firmware\":\"K-BEX-TW-MS firmware 2.17 (simulated sensor pair)\"}\n"})
        EXPECT_TRUE(Has(json.out, part)) << part << " in " << json.out;
}

// Silent from the start, or from the first, second or third page on: the
// step that met the silence decides, and nothing half fetched is printed.
TEST_F(Kbexctl, ASensorThatFallsSilentExitsThreeForEveryCommand) {
    sensor.SetFaults({.mute = true});
    for (const Args& args :
         std::vector<Args>{{"identify"}, {"get", "ram"}, {"send", "eeprom", File("set.cfg")}}) {
        const Result r = On(args);
        EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(3, "")) << args[0];
        EXPECT_TRUE(Has(r.err, "Timeout-RS-232...")) << r.err;
    }
    for (int answered : {1, 2, 3}) {
        sensor.SetFaults({.muteAfter = answered});
        const Result r = On({"get", "eeprom"});
        EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(3, "")) << answered;
    }
}

TEST_F(Kbexctl, GetWritesTheWindowsFileByteForByteToStdoutOrAFile) {
    sensor.WithModel([](sim::SensorModel& m) {
        for (std::size_t k = 0; k < 45; ++k)
            m.eeprom[k / 15][k % 15] = static_cast<std::uint16_t>(k * 1399 + 7);
        return 0;
    });
    const std::string expected = WindowFile(Memory(true));
    EXPECT_EQ(On({"get", "eeprom"}).out, expected);
    const Result file = On({"get", "eeprom", "-o", File("got.cfg")});
    EXPECT_EQ(std::tuple(file.status, file.out), std::tuple(0, ""));
    EXPECT_EQ(Slurp(File("got.cfg")), expected);
    const Result json = On({"--json", "get", "eeprom"});
    EXPECT_TRUE(Has(json.out, "{\"line\":19,\"name\":\"teachA\",\"value\":25189}")) << json.out;
}

TEST_F(Kbexctl, SendThenGetGivesTheSameFileAndVerifyPasses) {
    for (bool eeprom : {false, true}) {
        const char* memory = eeprom ? "eeprom" : "ram";
        const Result sent = On({"send", memory, File("set.cfg"), "--verify"});
        EXPECT_EQ(sent.status, 0) << memory << sent.err;
        EXPECT_TRUE(Has(sent.err, "Parameter-frames verified!")) << sent.err;
        EXPECT_EQ(On({"get", memory}).out, Slurp(File("set.cfg"))) << memory;
        EXPECT_EQ(WindowFile(Memory(eeprom)), Slurp(File("set.cfg"))) << memory;
    }
}

// What the window sends after loading a file: each number cut to 16 bits,
// then held to the parameter limits; each change named with its line.
TEST_F(Kbexctl, SendAppliesTheWindowsLimitsAndNamesWhatTheyChanged) {
    core::ParamFileValues v = GoodSet();
    v[0] = 9;       // evalMode above 4: 1
    v[18] = 70000;  // teachA: 4464 in 16 bits, past the 4096 pixels: 2048
    v[35] = 5000;   // pixEndB past the pixels: 4096
    std::ofstream(File("wild.cfg"), std::ios::binary) << core::FormatParamFile(v);
    const Result r = On({"send", "eeprom", File("wild.cfg")});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* note : {"line 1 evalMode: 9 held to 1", "line 19 teachA: 70000 in the file, 4464 taken",
                             "line 19 teachA: 4464 held to 2048", "line 36 pixEndB: 5000 held to 4096"})
        EXPECT_TRUE(Has(r.err, note)) << note << " in " << r.err;
    const auto eeprom = Memory(true);
    EXPECT_EQ(std::tuple(eeprom[0][0], eeprom[1][3], eeprom[2][5]), std::tuple(1, 2048, 4096));
}

TEST_F(Kbexctl, VerifyExitsFourNamingEachStuckWordWithItsLine) {
    for (std::size_t word : {18u, 34u}) {
        sensor.SetFaults({.stuckEepromWord = static_cast<int>(word), .stuckEepromBits = 0x8000});
        const Result r = On({"send", "eeprom", File("set.cfg"), "--verify"});
        EXPECT_EQ(r.status, 4) << word;
        const std::uint32_t sent = GoodSet()[word];
        EXPECT_TRUE(Has(r.err, "line " + std::to_string(word + 1) + " " + core::SetWordName(word) +
                                   ": sent " + std::to_string(sent) + ", read back " +
                                   std::to_string(sent | 0x8000)))
            << r.err;
        EXPECT_TRUE(Has(r.err, "Verify failed: 1 words differ")) << r.err;
    }
    EXPECT_EQ(On({"send", "eeprom", File("set.cfg")}).status, 0);  // without --verify nothing is read back
}

TEST_F(Kbexctl, FilesThatCannotBeReadOrWrittenExitFiveBeforeAnyTransfer) {
    std::ofstream(File("short.cfg")) << "1\n2\n";
    for (const Args& args :
         std::vector<Args>{{"send", "ram", File("missing.cfg")},
                           {"send", "eeprom", File("short.cfg")},
                           {"get", "ram", "-o", File("no-such-folder/out.cfg")},
                           {"record", "--interval", "0", "--count", "1", "-o", File("no/r.dat")},
                           {"data", "-o", File("no-such-folder/data.csv")},
                           {"upload", "master", File("short.cfg")}}) {
        sensor.ClearRequests();
        const Result r = On(args);
        EXPECT_EQ(r.status, 5) << args[2];
        EXPECT_TRUE(Has(r.err, "-file!")) << r.err;
        if (args[0] == "send") {
            EXPECT_EQ(sensor.Requests().size(), 1u);  // the line check, nothing sent
        }
    }
    EXPECT_EQ(Ctl({"--port", sensor.Path(), "get", "ram"}, ">/dev/full").status, 5);  // a full disk
}

TEST_F(Kbexctl, FindNamesTheFirstPortThatAnswersAndAutoUsesIt) {
    const Result found = Ctl({"--port", "/nonexistent/tty", "--port", sensor.Path(), "find"});
    EXPECT_EQ(std::tuple(found.status, found.out), std::tuple(0, sensor.Path() + "\n")) << found.err;
    EXPECT_EQ(Ctl({"--json", "--port", sensor.Path(), "find"}).out, "{\"port\":\"" + sensor.Path() + "\"}\n");
    const Result id = Ctl({"--port=/nonexistent/tty", "--port", sensor.Path(), "--port", "auto", "identify"});
    EXPECT_EQ(id.status, 0) << id.err;
    EXPECT_TRUE(Has(id.out, "port               " + sensor.Path() + "\n"));
}

TEST(KbexctlSimulate, SimulateRunsTheCommandOnAPairOfItsOwn) {
    const Result r = Ctl({"--simulate", "get", "ram"});
    core::ParamFileValues values{};
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(core::ParseParamFile(r.out, values));
}

// Teach answers with the spot taken, then the set is read back from RAM:
// the printed teach values are the sensor's new ones. A silent sensor
// leaves both commands at 3.
TEST_F(Kbexctl, TeachPrintsTheNewTeachValuesAndResetIsAnswered) {
    const Result teach = On({"teach"});
    const auto ram = Memory(false);
    EXPECT_EQ(teach.status, 0) << teach.err;
    EXPECT_EQ(teach.out,
              "teachA " + std::to_string(ram[1][3]) + "\nteachB " + std::to_string(ram[2][3]) + "\n");
    const Result reset = On({"reset"});
    EXPECT_EQ(reset.status, 0);
    EXPECT_TRUE(Has(reset.err, "Reset Max/Min OK!"));
    sensor.SetFaults({.muteAfter = 1});
    EXPECT_EQ(On({"teach"}).status, 3);
    sensor.SetFaults({.muteAfter = 1});
    EXPECT_EQ(On({"reset"}).status, 3);
}

// Mode 1 judges Mvalue (= Aval) against teachA with the set's tolerances; at
// set-point -4096 µm and 1024 µm per 1024 px the micrometre value is
// Mvalue - teachA - 4096. The spot sweeps around teachA: a window of 1 px
// would take it in now and then, a teach value past the last pixel never.
TEST_F(Kbexctl, RunWritesEveryFrameWithTheVerdictOfTheSensorsOwnSet) {
    struct Case {
        std::uint16_t teachA, tolerance;
        std::string verdict;
    };
    for (const Case& c : {Case{2000, 4000, "in\r"}, Case{5000, 1, "out\r"}}) {
        sensor.WithModel([&c](sim::SensorModel& m) {
            m.ram[0][0] = 1;
            m.ram[0][3] = 0;
            m.ram[0][6] = m.ram[0][7] = c.tolerance;
            m.ram[1][3] = c.teachA;
            m.ram[1][11] = 1024;
            m.ram[1][12] = 0;
            m.ram[1][13] = 0xF000;
            m.ram[1][14] = 0xFFFF;
            return 0;
        });
        const Result r = On({"run", "--frames", "5", "--csv"});
        const auto lines = Split(r.out, '\n');
        ASSERT_EQ(std::tuple(r.status, lines.size()), std::tuple(0, 6u)) << r.err;
        EXPECT_EQ(lines[0],
                  "time,Aval,Bval,Mvalue,umValue,poti,edcntA,edcntB,peakwA,peakwB,anaMax,anaMin,raw15,"
                  "instate,tolerance\r");
        EXPECT_TRUE(lines[1].starts_with("0.000,")) << lines[1];
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const auto f = Split(lines[i], ',');
            ASSERT_EQ(f.size(), 15u) << lines[i];
            EXPECT_EQ(std::stol(f[4]), std::stol(f[1]) - c.teachA - 4096) << lines[i];
            EXPECT_EQ(f[14], c.verdict);
            if (i > 1) {  // the sensor counts its frames in raw15: none left out
                EXPECT_EQ(std::stol(f[12]), std::stol(Split(lines[i - 1], ',')[12]) + 1);
            }
        }
    }
    const Result json = On({"--json", "run", "--seconds", "0.2"});
    for (const std::string& line : Split(json.out, '\n')) {
        EXPECT_TRUE(line.starts_with("{\"time\":") && line.ends_with(",\"tolerance\":\"out\"}")) << line;
        EXPECT_LE(std::stod(line.substr(8)), 0.2);  // 0.2 less a rounding
    }
    const auto text = Split(On({"run", "--frames", "1"}).out, '\n');
    ASSERT_EQ(text.size(), 2u);
    EXPECT_TRUE(text[0].ends_with("raw15 instate tolerance") && text[1].ends_with("      out")) << text[1];
    sensor.SetFaults({.nonRaw = true});  // answers, never a measurement: not a run for ever
    const Result none = On({"run", "--frames", "3"});
    EXPECT_EQ(std::tuple(none.status, Has(none.err, "No valid answer - RS232-Line disturbed!")),
              std::tuple(3, true));
}

// Ctrl+C ends the run after the row in hand; a reader that has gone (as
// `| head -5`) ends it at the next row. Both are a run done: exit 0.
TEST_F(Kbexctl, RunStopsCleanlyOnCtrlCAndOnAClosedPipe) {
    {
        // Slow enough that rows held back in a buffer would come only at the end.
        sensor.SetFaults({.lateAnswer = 0.4});
        Child run({"--port", sensor.Path(), "run", "--csv"});
        std::string out = run.Lines(3);
        ASSERT_EQ(Split(out, '\n').size(), 3u);
        ::kill(run.pid, SIGINT);
        out += run.Lines(1 << 20);
        EXPECT_EQ(run.Wait(), 0);
        for (const std::string& line : Split(out, '\n'))
            EXPECT_EQ(Split(line, ',').size(), 15u) << line;
        EXPECT_TRUE(out.ends_with("\r\n"));
    }
    sensor.SetFaults({});
    // Records asked for by their count and not delivered are a recording lost.
    for (const auto& [command, status] :
         {std::pair<Args, int>{{"run"}, 0}, {{"record", "--interval", "0", "--count", "65535"}, 5}}) {
        Args args{"--port", sensor.Path()};
        args.insert(args.end(), command.begin(), command.end());
        Child gone(args);
        gone.Lines(3);
        ::close(std::exchange(gone.out, -1));
        EXPECT_EQ(gone.Wait(), status) << command[0];
    }
    Child blocked({"--port", sensor.Path(), "run"});  // its reader stops reading: the pipe fills
    blocked.Lines(2);
    ::usleep(300000);
    ::kill(blocked.pid, SIGINT);
    EXPECT_EQ(blocked.Wait(), 0);
    // Any other command stopped before it was done is not "no answer".
    sensor.SetFaults({.mute = true});
    Args find(20, "--port=" + sensor.Path());
    find.push_back("find");
    for (const Args& args : {Args{"--port", sensor.Path(), "get", "ram"}, find}) {
        Child check(args);
        ::usleep(500000);
        ::kill(check.pid, SIGINT);
        EXPECT_EQ(check.Wait(), 130) << args.back();
    }
}

TEST_F(Kbexctl, RecordWritesTheRecorderFileWithTheSensorsSetPoint) {
    sensor.WithModel([](sim::SensorModel& m) {
        m.ram[1][13] = 12345;
        m.ram[1][14] = 1;
        return 0;
    });
    const Result r = On({"record", "--interval", "0", "--count", "3", "-o", File("rec.dat")});
    EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(0, "")) << r.err;
    const auto lines = Split(Slurp(File("rec.dat")), '\n');
    ASSERT_EQ(lines.size(), 2u + 3 * 6);
    EXPECT_TRUE(lines[0].ends_with("  K-BEX-RECORDER-FILE: Time-Interval[s]: 0\r")) << lines[0];
    EXPECT_EQ(lines[1], "SETPOINT-VALUE [\xB5m]: 77881\r");
    EXPECT_EQ(std::tuple(lines[6], lines[7]), std::tuple("2\r", "3\r"));  // edcntA, edcntB
    const Result out = On({"record", "--interval", "0", "--count", "0"});
    EXPECT_EQ(std::tuple(out.status, Split(out.out, '\n').size()), std::tuple(0, 2u));
}

// VIDEO over the pixel positions with the thresholds of the sensor's set,
// DATA over every second scan; channel A's spot lies below channel B's.
TEST_F(Kbexctl, VideoAndDataWriteOneCaptureInTheWindowsExportColumns) {
    sensor.WithModel([](sim::SensorModel& m) {
        m.ram[1][2] = 50;
        m.ram[2][2] = 25;
        return 0;
    });
    for (const char* capture : {"video", "data"}) {
        const bool video = capture == std::string("video");
        const Result r = On({capture, "-o", File("capture.csv")});
        EXPECT_EQ(r.status, 0) << r.err;
        const auto lines = Split(Slurp(File("capture.csv")), '\n');
        ASSERT_EQ(lines.size(), 129u);
        EXPECT_EQ(lines[0], "capture,index,x,channel A,channel B,threshold A,threshold B\r");
        std::size_t peakA = 0, peakB = 0;
        for (std::size_t i = 0; i < 128; ++i) {
            const auto f = Split(lines[i + 1], ',');
            ASSERT_EQ(f.size(), 7u) << lines[i + 1];
            EXPECT_EQ(std::tuple(f[0], std::stoul(f[1]), std::stod(f[2])),
                      std::tuple(video ? "VIDEO" : "DATA", i, double(i) * (video ? 32 : 2)));
            if (video) {
                EXPECT_EQ(std::tuple(f[5], f[6]), std::tuple("128", "64\r"));
                peakA = std::stoul(f[3]) > std::stoul(Split(lines[peakA + 1], ',')[3]) ? i : peakA;
                peakB = std::stoul(f[4]) > std::stoul(Split(lines[peakB + 1], ',')[4]) ? i : peakB;
            } else {
                EXPECT_EQ(f[6], "\r");
                EXPECT_LT(std::stoul(f[3]), std::stoul(f[4]));
            }
        }
        EXPECT_TRUE(!video || peakA < peakB) << peakA << " " << peakB;
    }
    EXPECT_EQ(On({"data"}).out.size(), Slurp(File("capture.csv")).size());
    sensor.SetFaults({.noBlocks = true});
    const Result r = On({"video"});
    EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(3, ""));
    EXPECT_TRUE(Has(r.err, "Timeout-RS-232 while reading 64 data-words!")) << r.err;
}

// The table goes into the flash with its progress in tenths; a sensor that
// falls silent at the clear or halfway leaves the upload unfinished: 3.
TEST_F(Kbexctl, UploadWritesTheTableWithProgressAndExitsThreeOnSilence) {
    std::string file;
    for (int i = 0; i < 2048; ++i)
        file += std::to_string(i - 1024) + "\r\n";
    std::ofstream(File("lin.dat"), std::ios::binary) << file;
    const Result r = On({"upload", "slave", File("lin.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    for (int tenth = 1; tenth < 10; ++tenth)
        EXPECT_TRUE(Has(r.err, "X-FLASH SLAVE: " + std::to_string(tenth * 10) + " % (" +
                                   std::to_string((256 * tenth + 9) / 10) + " of 256 blocks)\n"))
            << r.err;
    EXPECT_TRUE(Has(r.err, "X-FLASH SLAVE: 100 % (256 of 256 blocks)\nX-FLASH Data successfully written!"));
    const auto flash = sensor.WithModel([](sim::SensorModel& m) { return m.flash; });
    for (int i : {0, 1024, 2047})
        EXPECT_EQ(flash[i], core::LinTableWord(static_cast<std::int16_t>(i - 1024)));
    for (int answered : {1, 100}) {
        sensor.SetFaults({.muteAfter = answered});
        const Result silent = On({"upload", "master", File("lin.dat")});
        EXPECT_EQ(silent.status, 3);
        EXPECT_TRUE(Has(silent.err, "Timeout-RS-232...") && !Has(silent.err, "100 %")) << silent.err;
    }
}
