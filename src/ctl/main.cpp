// kbexctl: entry. Parses the command line, opens the port (a device, the
// first that answers, or a simulated pair), checks the line and runs one
// command.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "com232.h"
#include "core/texts.h"
#include "ctl.h"
#include "platform/serial.h"
#include "simulated_sensor.h"

namespace {

// The link's status texts are the tool's messages on stderr; stdout stays
// for results a script reads.
// A text the link repeats (one for each of the upload's 256 blocks) is
// written once.
struct StderrObserver : LinkObserver {
    void Status(const char* text) override {
        if (text == last)
            return;
        last = text;
        std::fprintf(stderr, "%s\n", ctl::Utf8(text).c_str());
    }
    bool Stopping() override { return ctl::Interrupted(); }
    void HardwareDescribed(std::uint16_t reported) override { reportedVirtPixels = reported; }
    void LineLost() override { Status("RS232-Line lost!"); }
    // The upload's progress in tenths, and whole once the last block is in.
    void FlashProgress(int index, std::uint16_t device) override {
        const int blocks = index / static_cast<int>(core::kFlashBlockWords) + 1;
        const int percent = blocks * 100 / kFlashBlocks;
        if (percent / 10 > shownTenths) {
            shownTenths = percent / 10;
            Progress(blocks, device);
        }
    }
    void FlashUploadStarted(std::uint16_t) override { shownTenths = 0; }
    void FlashUploadComplete(std::uint16_t device) override { Progress(kFlashBlocks, device); }

    std::uint16_t reportedVirtPixels = 0;

private:
    static constexpr int kFlashBlocks = core::kLinTableWords / core::kFlashBlockWords;
    static void Progress(int blocks, std::uint16_t device) {
        std::fprintf(stderr, "X-FLASH %s: %d %% (%d of %d blocks)\n", device ? "MASTER" : "SLAVE",
                     blocks * 100 / kFlashBlocks, blocks, kFlashBlocks);
    }
    std::string last;
    int shownTenths = 0;
};

int Usage(const std::string& message) {
    std::fprintf(stderr, "kbexctl: %s\nTry 'kbexctl --help'.\n", message.c_str());
    return ctl::kUsage;
}

// The ports to search: those given, the simulated pair, then the system's.
std::string FindPort(const std::vector<std::string>& candidates) {
    for (const std::string& path : candidates) {
        if (ctl::Interrupted())
            return {};
        ShowStatusText(("Find sensor: " + path + " ...").c_str());
        if (ctl::Answers(path))
            return path;
    }
    ShowStatusText(("No sensor found on " + std::to_string(candidates.size()) + " ports").c_str());
    return {};
}

int Run(const ctl::Options& o, const std::string& port, StderrObserver& observer) {
    SetPortTable({{port, "kbexctl"}});
    com = 1;
    if (const int r = OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096); r < 0) {
        std::fprintf(stderr, "%s: %s\n", port.c_str(), core::OpenErrorText(r));
        return ctl::kPortError;
    }
    int status = ctl::kNoAnswer;
    if (CheckComLine(com) == 1) {
        if (o.command == "get")
            status = ctl::Get(o);
        else if (o.command == "send")
            status = ctl::Send(o);
        else if (o.command == "teach")
            status = ctl::Teach(o);
        else if (o.command == "reset")
            status = ctl::Reset();
        else if (o.command == "run")
            status = ctl::Run(o);
        else if (o.command == "record")
            status = ctl::Record(o);
        else if (o.command == "video" || o.command == "data")
            status = ctl::Capture(o);
        else if (o.command == "upload")
            status = ctl::Upload(o);
        else if (GetHARDWAREInfo() == 0) {
            ShowStatus();
            ShowStatusText("Error reading HARDWARE-info!");
        } else {
            status = ctl::Identify(o, port, observer.reportedVirtPixels);
        }
    }
    CloseCom(com);
    return status != ctl::kDone && ctl::Interrupted() ? ctl::kInterrupted : status;
}

}  // namespace

int main(int argc, char** argv) {
    ctl::Options o;
    bool help = false;
    std::string message;
    if (!ctl::ParseCommandLine(argc, argv, o, help, message))
        return Usage(message);
    if (help) {
        std::fputs(ctl::UsageText(), stdout);
        return ctl::kDone;
    }
    const bool search = o.command == "find" || o.autoPort;
    if (!search && o.ports.size() + (o.simulate ? 1 : 0) != 1)
        return Usage(o.ports.empty() && !o.simulate ? "no port: give --port PATH, --port auto or --simulate"
                                                    : "one port only: --port PATH or --simulate");

    ctl::CatchSignals();
    InitCom232Vars();
    StderrObserver observer;
    SetObserver(&observer);
    std::vector<std::string> ports = o.ports;
    std::unique_ptr<sim::SimulatedSensor> simulation;
    if (o.simulate) {
        simulation = std::make_unique<sim::SimulatedSensor>(sim::Options{.logRequests = false});
        std::string error;
        if (!simulation->Start(&error)) {
            std::fprintf(stderr, "cannot start the simulated sensor pair: %s\n", error.c_str());
            return ctl::kPortError;
        }
        ports.push_back(simulation->Path());
    }
    std::string port = ports.empty() ? "" : ports.front();
    if (search) {
        for (const PortEntry& e : ListSystemSerialPorts())
            ports.push_back(e.path);
        port = FindPort(ports);
        if (port.empty())
            return ctl::Interrupted() ? ctl::kInterrupted : ctl::kNoAnswer;
        if (o.command == "find") {
            if (o.json)
                std::printf("{\"port\":%s}\n", ctl::JsonString(port).c_str());
            else
                std::printf("%s\n", port.c_str());
            return ctl::kDone;
        }
    }
    const int status = Run(o, port, observer);
    SetObserver(nullptr);
    return status;
}
