// kbexctl as a script runs it: a separate process on the simulated sensor
// pair's pty, judged by its exit status, stdout and stderr, and by what the
// sensor holds afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/compare.h"
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
    for (const Args& args : std::vector<Args>{{},
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
                                              {"--port", "/a", "--port", "/b", "identify"}}) {
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
    for (const Args& args : std::vector<Args>{{"send", "ram", File("missing.cfg")},
                                              {"send", "eeprom", File("short.cfg")},
                                              {"get", "ram", "-o", File("no-such-folder/out.cfg")}}) {
        sensor.ClearRequests();
        const Result r = On(args);
        EXPECT_EQ(r.status, 5) << args[2];
        EXPECT_TRUE(Has(r.err, "parameter-file!")) << r.err;
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
