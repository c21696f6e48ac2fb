// What the integration and GUI tests share: the program's panels loaded once
// (as at start-up), a fresh start state per test, a simulated sensor pair on a
// pseudo-terminal as COM1, scripted pop-ups and a way to let the event loop
// run until something has happened.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/panels.h"
#include "simulated_sensor.h"

namespace kbex_test {

// Loads the six panels (once per test process) and sets the program's start
// state: start values, start-up rules, no port open, empty port table.
void ResetProgram();

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
    void Connect();

private:
    std::unique_ptr<sim::SimulatedSensor> sensor_;
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
// click on any control, a choice in a ring, a value typed into a numeric field.
void Click(int panel, int control);
void RightClick(int panel, int control);
void Choose(int panel, int control, int index);
void Type(int panel, int control, double value);

// Status line text as the operator sees it.
std::string StatusLine();

// A fresh empty directory for the files of one test.
std::string TempDir();

// Renders a panel (and its visible children) into a PNG file.
bool SavePanelImage(int panel, const std::string& path);

}  // namespace kbex_test
