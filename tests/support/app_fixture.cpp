#include "app_fixture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QMouseEvent>
#include <QSpinBox>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>
#include <filesystem>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/qt_access.h"
#include "platform/serial.h"

namespace kbex_test {

void ResetProgram() {
    static bool registered = false;
    if (!registered) {
        SetResourceDir(KBEX_BUILD_DIR);
        registered = true;
    }
    CloseCom(com);
    SetPortTable({});
    // Fresh panels for every test: the controls start at the resource's
    // values, as after a real start, whatever an earlier test typed.
    if (pHandle > 0)
        for (int panel : {pPara0, pPara1, pPara2, pCalib, pPopUp, pHandle})
            DiscardPanel(panel);
    ASSERT_TRUE(LoadPanels()) << "panels must load from " << KBEX_BUILD_DIR;
    tVal = tolup = tollo = curposA = curposB = 0;
    proj_dir = GetProjectDir();
    InitVars();
    InitGUI();
    DisplayPanel(pHandle);
    DisplayPanel(pPara0);
    Pump(0.01);
}

bool PumpUntil(const std::function<bool()>& done, double seconds) {
    const double t0 = Timer();
    while (!done()) {
        if (Timer() - t0 > seconds)
            return false;
        ProcessSystemEvents();
    }
    return true;
}

void Pump(double seconds) {
    PumpUntil([] { return false; }, seconds);
}

sim::Options FastSim() {
    sim::Options o;
    o.paced = false;
    o.seed = 7;
    return o;
}

SimLine::SimLine(const sim::Options& options) : sensor_(std::make_unique<sim::SimulatedSensor>(options)) {
    std::string error;
    if (!sensor_->Start(&error))
        ADD_FAILURE() << "simulated sensor did not start: " << error;
    SetPortTable({{sensor_->Path(), "simulated"}});
}

SimLine::~SimLine() {
    CloseCom(com);
    sensor_->Stop();
    SetPortTable({});
}

void SimLine::Connect() { InitRS232(com); }

ScriptedPopups::ScriptedPopups() {
    seam_.fileSelect = [this](const std::string&, const std::string&, const std::string&, const std::string&,
                              std::string& path) {
        path = filePath_;
        return fileResult_;
    };
    seam_.confirm = [this](const std::string&, const std::string&) { return confirmAnswer_ ? 1 : 0; };
    SetPopupSeam(&seam_);
}

ScriptedPopups::~ScriptedPopups() { SetPopupSeam(nullptr); }

void ScriptedPopups::SelectFile(int result, const std::string& path) {
    fileResult_ = result;
    filePath_ = path;
}

void Click(int panel, int control) {
    auto* b = qobject_cast<QAbstractButton*>(platform::CtrlWidget(panel, control));
    ASSERT_NE(b, nullptr) << "not a button: " << control;
    b->click();
}

void RightClick(int panel, int control) {
    QWidget* w = platform::CtrlWidget(panel, control);
    ASSERT_NE(w, nullptr);
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
}

void Choose(int panel, int control, int index) {
    auto* cb = qobject_cast<QComboBox*>(platform::CtrlWidget(panel, control));
    ASSERT_NE(cb, nullptr);
    cb->setCurrentIndex(index);
    emit cb->activated(index);
}

void Type(int panel, int control, double value) {
    QWidget* w = platform::CtrlWidget(panel, control);
    if (auto* sb = qobject_cast<QSpinBox*>(w))
        sb->setValue(static_cast<int>(value));
    else if (auto* db = qobject_cast<QDoubleSpinBox*>(w))
        db->setValue(value);
    else
        ADD_FAILURE() << "not a numeric field: " << control;
}

std::string StatusLine() {
    std::string s;
    GetCtrlVal(pHandle, PANEL_TXTStatus, s);
    return s;
}

std::string TempDir() {
    // Removed again when the test process ends.
    struct Made {
        std::vector<std::filesystem::path> dirs;
        ~Made() {
            std::error_code ec;
            for (const auto& d : dirs)
                std::filesystem::remove_all(d, ec);
        }
    };
    static Made made;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kbex-test-" + std::to_string(::getpid()) + "-" + std::to_string(made.dirs.size() + 1));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    made.dirs.push_back(dir);
    return dir.string();
}

bool SavePanelImage(int panel, const std::string& path) {
    QWidget* w = platform::PanelWidget(panel);
    if (!w)
        return false;
    Pump(0.05);  // let queued graph redraws land first
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    return w->grab().save(QString::fromStdString(path));
}

}  // namespace kbex_test
