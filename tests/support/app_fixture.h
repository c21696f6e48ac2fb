// What the integration and GUI tests share: the program's panels loaded once
// (as at start-up), a fresh start state per test, a simulated sensor pair on a
// pseudo-terminal as COM1, scripted pop-ups and a way to let the event loop
// run until something has happened.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/testing.h"
#include "simulated_sensor.h"

namespace kbex_test {

// Fresh panels and the program's start state: every module's globals at
// their start values, start-up rules applied, no port open, empty port table,
// the real pop-ups.
void ResetProgram();

// The fixture of every test that runs the program: nothing one test leaves
// behind (live values, capture buffers, version text, file names, an open
// port) reaches the next. Name it after the operation under test:
//   using Transfer = kbex_test::ProgramTest;  TEST_F(Transfer, ...)
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(ResetProgram()); }
};

// Runs the event loop until `done` holds or `seconds` have passed; returns
// whether `done` held.
bool PumpUntil(const std::function<bool()>& done, double seconds);
// Runs the event loop for about `seconds`.
void Pump(double seconds);

// Fast simulator options for tests: unpaced, fixed seed.
sim::Options FastSim();

// A simulated sensor pair that serves COM1 for the duration of a test.
class SimLine {
public:
    explicit SimLine(const sim::Options& options = FastSim());
    ~SimLine();
    sim::SimulatedSensor& sensor() { return *sensor_; }
    // Runs the port-opening sequence of start-up on COM1.
    [[nodiscard]] ::testing::AssertionResult Connect();
    // Opens COM1 with the receive callback on, and asks nothing.
    [[nodiscard]] ::testing::AssertionResult Open();
    // The command word of every request received so far.
    std::vector<std::uint16_t> Commands() const;

private:
    ::testing::AssertionResult Started() const;
    std::unique_ptr<sim::SimulatedSensor> sensor_;
    std::string error_;  // why the sensor did not start
};

// Answers the file selection and confirmation pop-ups for the test.
class ScriptedPopups {
public:
    ScriptedPopups();
    ~ScriptedPopups();
    // Next file selection returns `result` with `path` (result 0 = cancel).
    void SelectFile(int result, const std::string& path);
    void Confirm(bool yes) { confirmAnswer_ = yes; }
    PopupSeam& seam() { return seam_; }

private:
    PopupSeam seam_;
    int fileResult_ = 0;
    std::string filePath_;
    bool confirmAnswer_ = false;
};

// The operator's hand: a left click (press and release) on a button, a right
// click on any control, a value typed into a numeric field. Each fails when
// the control is not of that kind.
[[nodiscard]] ::testing::AssertionResult Click(int panel, int control);
[[nodiscard]] ::testing::AssertionResult RightClick(int panel, int control);
[[nodiscard]] ::testing::AssertionResult Type(int panel, int control, double value);

// What the operator reads: a control's value, one of its attributes, the
// model behind a graph of the main panel, the status line.
template <typename T>
T Val(int panel, int control) {
    T v{};
    EXPECT_EQ(GetCtrlVal(panel, control, v), 0) << "control " << control;
    return v;
}
int Attr(int panel, int control, int attribute);
const platform::GraphModel& Graph(int control);
std::string StatusLine();

// A fresh empty directory for the files of one test.
std::string TempDir();

// Renders a panel (and its visible children) into a PNG file under the
// build's screenshots/ folder.
bool SavePanelImage(int panel, const std::string& name);

}  // namespace kbex_test
