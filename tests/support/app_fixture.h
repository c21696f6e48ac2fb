// What the integration and GUI tests share: the program's panels loaded once
// (as at start-up), a fresh start state per test, a simulated sensor pair on a
// pseudo-terminal as COM1, scripted pop-ups and a way to let the event loop
// run until something has happened. It brings the headers of the modules
// whose globals and operations every program test reads and drives.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/serial.h"
#include "platform/testing.h"
#include "simulated_sensor.h"

namespace kbex_test {

// The operator's hand: a left click (press and release) on a button, a right
// click on any control, a value typed into a numeric field. Each fails when
// the control is not of that kind. A slide takes a typed value as from the keys.
[[nodiscard]] ::testing::AssertionResult Click(int panel, int control);
[[nodiscard]] ::testing::AssertionResult RightClick(int panel, int control);
[[nodiscard]] ::testing::AssertionResult Type(int panel, int control, double value);
// The operator picks the item of value `value` from a ring.
[[nodiscard]] ::testing::AssertionResult Choose(int panel, int control, int value);

// Every text the status line showed, in order: the window's observer of the
// sensor link, with a memory.
struct StatusLog : PanelObserver {
    void Status(const char* text) override {
        texts.emplace_back(text);
        PanelObserver::Status(text);
    }
    bool Showed(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::vector<std::string> texts;
};

// The fixture of every test that runs the program: fresh panels and every
// module's globals at their start values, start-up rules applied, no port
// open, an empty port table. Nothing one test leaves behind (live values,
// capture buffers, version text, file names, an open port) reaches the next.
// No real pop-up ever waits for a person: the file selection answers
// fileAnswer (result and path; result 0 = cancel), the confirmation answers
// confirmYes. Name it after the operation under test:
//   using Transfer = kbex_test::ProgramTest;  TEST_F(Transfer, ...)
struct ProgramTest : ::testing::Test {
    void SetUp() override;
    void TearDown() override;
    // A click on a button that asks for a file, the selection answering `result` and `path`.
    [[nodiscard]] ::testing::AssertionResult ClickChoosing(int panel, int button, int result,
                                                           std::string path) {
        fileAnswer = {result, std::move(path)};
        return Click(panel, button);
    }
    std::pair<int, std::string> fileAnswer{0, ""};
    bool confirmYes = false;
    PopupSeam popups;  // counts the calls and keeps the titles and messages shown
    StatusLog status;
};

// Runs the event loop until `done` holds or `seconds` have passed; returns
// whether `done` held.
bool PumpUntil(const std::function<bool()>& done, double seconds);
inline void Pump(double seconds) {
    PumpUntil([] { return false; }, seconds);
}

// Fast simulator options for tests: unpaced, fixed seed, the faults given.
inline sim::Options FastSim(const sim::Faults& faults = {}) {
    return {.paced = false, .faults = faults, .seed = 7};
}

// A simulated sensor pair that serves COM1 for the duration of a test.
struct SimLine {
    explicit SimLine(const sim::Options& options = FastSim());
    ~SimLine();
    // Runs the port-opening sequence of start-up on COM1.
    [[nodiscard]] ::testing::AssertionResult Connect();
    // Opens COM1 and asks nothing.
    [[nodiscard]] ::testing::AssertionResult Open();
    // The command word of every request received so far, and how many were `command`.
    std::vector<std::uint16_t> Commands() const;
    std::size_t Count(std::uint16_t command) const;
    sim::SimulatedSensor sensor;
    std::string error;  // why the sensor did not start
};

// Interval and record count typed into the recorder's pop-up, then START.
inline void StartRecording(unsigned short interval, unsigned short records) {
    EXPECT_TRUE(Type(pPopUp, POPUP_NEDITRecTime, interval));
    EXPECT_TRUE(Type(pPopUp, POPUP_NEDITRecSamples, records));
    EXPECT_TRUE(Click(pPopUp, POPUP_BTNStartRecord));
}

// Runs `action` once `when` holds, looked at every 10 ms from inside whatever
// loop is running its events then (RUN, VIDEO, a recording, a wait for an answer).
// A moment that never came ends with its test (the fixture's TearDown).
void Once(std::function<bool()> when, std::function<void()> action);

// What the operator reads: a control's value, a ring's label, one of its
// attributes, the model behind a graph of the main panel, the status line.
template <typename T>
T Val(int panel, int control) {
    T v{};
    EXPECT_EQ(GetCtrlVal(panel, control, v), 0) << "control " << control;
    return v;
}
inline std::string Label(int panel, int ring, int index) {
    std::string label;
    EXPECT_EQ(GetLabelFromIndex(panel, ring, index, label), 0) << "ring " << ring << " item " << index;
    return label;
}
inline int Attr(int panel, int control, int attribute) {
    int v = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, control, attribute, v), 0) << "control " << control;
    return v;
}
// One attribute of several controls of the main panel, side by side.
inline std::vector<int> Attrs(std::initializer_list<int> controls, int attribute = ATTR_VISIBLE) {
    std::vector<int> v;
    for (int c : controls)
        v.push_back(Attr(pHandle, c, attribute));
    return v;
}
// Whether RUN, VIDEO, DATA, TEACH, RESET and the recorder's START are dimmed:
// what an operation holds while it runs and releases when it ends.
inline std::vector<int> Held() {
    std::vector<int> v = Attrs(
        {PANEL_BTNRun, PANEL_BTNVideo, PANEL_BTNData, PANEL_ButtonTeach, PANEL_ButtonReset}, ATTR_DIMMED);
    v.push_back(Attr(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED));
    return v;
}
// Several readings side by side, so that one comparison shows them all.
template <typename... T>
std::vector<double> Values(T... v) {
    return {static_cast<double>(v)...};
}
inline const platform::GraphModel& Graph(int control) {
    static const platform::GraphModel none;
    const platform::GraphModel* m = platform::GetGraphModel(pHandle, control);
    EXPECT_NE(m, nullptr) << "graph " << control;
    return m ? *m : none;
}
// An axis as its scaling mode, minimum and maximum.
inline std::array<double, 3> Range(const platform::AxisState& axis) {
    return {double(axis.mode), axis.min, axis.max};
}
// Every plot of a graph as x1, y1, x2, y2, frame and fill colour (zeros for a curve).
using Rect = std::array<double, 6>;
inline std::vector<Rect> Rects(const platform::GraphModel& graph) {
    std::vector<Rect> out;
    for (const platform::PlotItem& p : graph.plots)
        out.push_back({p.x1, p.y1, p.x2, p.y2, double(p.frameColor), double(p.fillColor)});
    return out;
}
// The parameter set as pages, the way the sensor holds them, and the
// sensor's RAM or EEPROM.
using Pages = sim::SensorModel::Pages;
inline Pages ProgramPages() {
    Pages pages{};
    std::uint16_t words[core::kPPWords] = {};
    for (std::uint16_t p = 0; p < 3; ++p) {
        core::CopyVarsToPP(parameter, p, words);
        std::copy_n(words, core::kPageWords, pages[p].begin());
    }
    return pages;
}
inline Pages Memory(sim::SimulatedSensor& s, bool eeprom) {
    return s.WithModel([&](sim::SensorModel& m) { return eeprom ? m.eeprom : m.ram; });
}
inline std::string StatusLine() {
    return Val<std::string>(pHandle, PANEL_TXTStatus);
}

// A file's bytes as they are on disk.
std::string FileText(const std::string& path);

// A fresh empty directory for the files of the running test, in the build tree.
std::string TempDir();

// Renders a panel (and its visible children) into a PNG file under the
// build's screenshots/ folder.
bool SavePanelImage(int panel, const std::string& name);
// The same of a whole window, as the operator sees it (scroll bars and all).
bool SaveWindowImage(QWidget* window, const std::string& name);

}  // namespace kbex_test
