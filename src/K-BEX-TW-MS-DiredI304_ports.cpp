// Main module: the command line and the port table. The ports the operator
// can choose are the devices named on the command line, then the simulated
// sensor pair when asked for, then whatever serial devices the system lists.
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "gui.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "simulated_sensor.h"

namespace {

std::unique_ptr<sim::SimulatedSensor>& Simulation() {
    static std::unique_ptr<sim::SimulatedSensor> s;
    return s;
}

constexpr const char* kUsage =
    "Usage: kbex-tw-ms [--port PATH]... [--simulate] [--version] [--help] [Qt options]\n"
    "Operator tool for the K-BEX MASTER/SLAVE line-CCD sensor pair.\n"
    "  --port PATH  put the serial device PATH at the front of the port list\n"
    "               (repeatable; the first becomes COM1)\n"
    "  --simulate   start the simulated sensor pair and connect to it\n"
    "  --version    show the program's name and version\n"
    "  --help       show this text\n"
    "Qt's standard options are taken too, e.g. -style NAME, -stylesheet FILE,\n"
    "-platform NAME, -reverse, -qwindowgeometry WxH+X+Y, -display DISPLAY.\n"
    "Keys in the main window and the recorder window:\n"
    "  Esc          stop whatever talks to the sensor, as the STOP button does\n"
    "  Ctrl+S       save a picture (PNG) of the main window\n"
    "  Ctrl+E       export the VIDEO and DATA captures taken as a CSV table\n";

// How many arguments from argv[i] on make one of Qt's standard options (with
// one dash or two, as Qt reads them), 0 for any other. A value that is
// missing at the end is no error: Qt takes the bare option all the same.
int EngineOptionLength(int i, int argc, char** argv) {
    std::string_view arg = argv[i];
    if (arg.starts_with("--"))
        arg.remove_prefix(1);
    for (std::string_view flag : {"-reverse", "-widgetcount"})
        if (arg == flag)
            return 1;
    for (std::string_view joined : {"-style=", "-stylesheet=", "-qmljsdebugger="})
        if (arg.starts_with(joined))
            return 1;
    // -display and -geometry are the X11 platform's.
    for (std::string_view valued :
         {"-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-style", "-stylesheet",
          "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-session", "-display", "-geometry"})
        if (arg == valued)
            return i + 1 < argc ? 2 : 1;
    return 0;
}

}  // namespace

bool ParseOptions(int argc, char** argv, ProgramOptions& options, bool& help, std::string& message,
                  bool passEngineOptions) {
    help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (const int length = passEngineOptions ? EngineOptionLength(i, argc, argv) : 0) {
            i += length - 1;
        } else if (arg == "--port") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                message = "--port needs a device path";
                return false;
            }
            options.ports.emplace_back(argv[++i]);
        } else if (arg.rfind("--port=", 0) == 0 && arg.size() > 7) {
            options.ports.push_back(arg.substr(7));
        } else if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else {
            message = "unknown option: " + arg;
            return false;
        }
    }
    return true;
}

bool SetUpPorts(const ProgramOptions& options, std::string& message) {
    std::vector<PortEntry> table;
    for (const std::string& p : options.ports)
        table.push_back({p, "given with --port"});
    if (options.simulate) {
        auto s = std::make_unique<sim::SimulatedSensor>(sim::Options{.logRequests = false});
        std::string error;
        if (!s->Start(&error)) {
            message = "cannot start the simulated sensor pair: " + error;
            return false;
        }
        table.push_back({s->Path(), "simulated K-BEX sensor pair"});
        Simulation() = std::move(s);
    }
    SetPortTable(MergePortList(std::move(table), ListSystemSerialPorts()));
    FillPortSelector();
    SetListOpenCallback(pHandle, PANEL_DropDCom, &RefreshPortSelector);
    return true;
}

std::vector<PortEntry> MergePortList(std::vector<PortEntry> table, const std::vector<PortEntry>& listed) {
    for (const PortEntry& e : listed) {
        bool known = false;
        // A port given by hand, or listed before, learns what the system now
        // knows of its device and keeps what the program said of it.
        for (PortEntry& t : table)
            if (t.path == e.path) {
                t = {t.path, t.description, e.stableName, e.maker, e.product, e.serialNumber};
                known = true;
            }
        if (!known)
            table.push_back(e);
    }
    return table;
}

void FillPortSelector() {
    const std::vector<PortEntry>& table = GetPortTable();
    ClearListCtrl(pHandle, PANEL_DropDCom);
    if (table.empty())
        InsertListItem(pHandle, PANEL_DropDCom, -1, "COM1  (no serial device found)", 1);
    // Three adapters of one kind differ only in what the system knows of
    // them: maker and product (a word both carry said once, as in "FTDI" and
    // "FTDI FT232R"), the serial number and the name of their by-id link.
    const auto known = [](const PortEntry& e) {
        std::string text = e.maker;
        const std::string makerWords = " " + e.maker + " ";
        for (std::size_t at = 0, end = 0; at < e.product.size(); at = end + 1) {
            end = e.product.find(' ', at);
            if (end == std::string::npos)
                end = e.product.size();
            const std::string word = e.product.substr(at, end - at);
            if (!word.empty() && makerWords.find(" " + word + " ") == std::string::npos)
                text += (text.empty() ? "" : " ") + word;
        }
        if (!e.serialNumber.empty())
            text += (text.empty() ? "" : " ") + e.serialNumber;
        return text;
    };
    for (std::size_t i = 0; i < table.size(); ++i) {
        const PortEntry& e = table[i];
        const std::string system = known(e);
        // A port that went away keeps its number, so the others keep theirs.
        const std::string label =
            "COM" + std::to_string(i + 1) + "  " + e.path + (system.empty() ? "" : "  " + system) +
            (e.stableName.empty() ? "" : "  (" + e.stableName.substr(e.stableName.rfind('/') + 1) + ")") +
            (e.description.empty() ? "" : "  " + e.description) +
            (FileExists(e.path.c_str()) ? "" : "  (not present)");
        InsertListItem(pHandle, PANEL_DropDCom, -1, label.c_str(), static_cast<int>(i + 1));
    }
    SetCtrlVal(pHandle, PANEL_DropDCom, com > 0 ? com : 1);
}

void RefreshPortSelector(int, int) {
    SetPortTable(MergePortList(GetPortTable(), ListSystemSerialPorts()));
    FillPortSelector();
}

int CC_DropDCom(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(
            PANEL_HelpText2, control, true, 20, -120,
            "DROP-DOWN-CONNECT:\nSelect the port-number of the serial RS232 communication interface of "
            "the PC.\n\nThe port-number can be found under:\n<Start>/System-Settings/Hardware/...");
    } else if (event == EVENT_COMMIT) {
        int chosen = com;
        GetCtrlVal(pHandle, PANEL_DropDCom, chosen);
        // A parameter set or a table half on its way is not cut off: the
        // selector goes back to the port in use until the transfer has ended.
        if (TransferInProgress()) {
            SetCtrlVal(pHandle, PANEL_DropDCom, com);
            return 0;
        }
        // Whatever runs ends at once; the port is closed and the new one gets
        // the whole connection sequence of start-up only once it has unwound,
        // so no wait of the old port reports over the new port's outcome.
        stop_flag = 1;
        AbortOperations();
        WhenLineFree([chosen] { ConnectPort(chosen); });
    }
    return 0;
}

void ConnectPort(int port) {
    ForgetLostPort();
    CloseCom(com);
    com = port;
    SetCtrlVal(pHandle, PANEL_DropDCom, com);
    ResetHealth();
    ShowStatusText("Init COM-Port ...");
    InitRS232(com);
    ShowLineHealth();
}

namespace {

// The line check of one port: the window's events while it waits, so STOP
// ends the search.
bool SensorAnswers(int port) {
    struct Quiet : LinkObserver {
        void Wait(int p, double seconds) override { WindowObserver().Wait(p, seconds); }
    } quiet;
    return PortAnswers(port, quiet);
}

// Tries the line check on each listed port, one at a time, and connects the
// first that answers; without one, the port in use is opened again as it was.
void FindSensor() {
    std::vector<PortEntry> table = MergePortList(GetPortTable(), ListSystemSerialPorts());
    SetPortTable(table);
    FillPortSelector();
    int found = 0;
    {
        TransferScope transfer;
        LineOperation operation;
        ForgetLostPort();
        CloseCom(com);
        const int ports = static_cast<int>(table.size());
        for (int port = 1; port <= ports && !found && !OperationAborted(); ++port) {
            ShowStatusText(
                ("Find sensor: COM" + std::to_string(port) + " of " + std::to_string(ports) + " ...")
                    .c_str());
            if (SensorAnswers(port))
                found = port;
        }
        if (!found) {
            OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096);
            ShowStatusText(OperationAborted()
                               ? "Find sensor stopped!"
                               : ("No sensor found on " + std::to_string(ports) + " ports").c_str());
        }
    }
    if (found)
        ConnectPort(found);
}

}  // namespace

int CC_BTNFindSensor(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(PANEL_HelpText2, control, true, 20, -120,
                   "FIND-SENSOR:\nTry the line check on every listed serial port\nthat no other program "
                   "holds, one after the other,\nand connect to the first that answers.");
    } else if (event == EVENT_COMMIT && !TransferInProgress()) {
        // Whatever runs ends first, as for a port chosen by hand.
        stop_flag = 1;
        AbortOperations();
        WhenLineFree(&FindSensor);
    }
    return 0;
}

void StopSimulation() {
    Simulation().reset();
}

const char* UsageText() {
    return kUsage;
}
