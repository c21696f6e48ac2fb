#include "app_fixture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QSpinBox>
#include <QWidget>
#include <cstdlib>
#include <filesystem>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/serial.h"
#include "platform/testing.h"

namespace kbex_test {

void ResetProgram() {
    static bool registered = false;
    if (!registered) {
        SetResourceDir(KBEX_BUILD_DIR);
        registered = true;
    }
    CloseCom(com);
    SetPortTable({});
    SetPopupSeam(nullptr);
    // Fresh panels for every test: the controls start at the resource's
    // values, as after a real start, whatever an earlier test typed.
    if (pHandle > 0)
        for (int panel : {pPara0, pPara1, pPara2, pCalib, pPopUp, pHandle})
            DiscardPanel(panel);
    ASSERT_TRUE(LoadPanels()) << "panels must load from " << KBEX_BUILD_DIR;
    proj_dir = GetProjectDir();
    // InitVars puts every module's globals back (InitCom232Vars, InitGuiVars,
    // InitMainVars) and draws the start state, as at a real start.
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
    if (sensor_->Start(&error_))
        SetPortTable({{sensor_->Path(), "simulated"}});
    else if (error_.empty())
        error_ = "unknown reason";
}

SimLine::~SimLine() {
    CloseCom(com);
    sensor_->Stop();
    SetPortTable({});
}

::testing::AssertionResult SimLine::Started() const {
    if (error_.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "simulated sensor did not start: " << error_;
}

::testing::AssertionResult SimLine::Connect() {
    if (error_.empty())
        InitRS232(com);
    return Started();
}

::testing::AssertionResult SimLine::Open() {
    if (!error_.empty())
        return Started();
    const int r = OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096);
    ReceiveCallbackOn();
    return r == 0 ? ::testing::AssertionSuccess()
                  : ::testing::AssertionFailure() << "COM1 did not open: " << r;
}

std::vector<std::uint16_t> SimLine::Commands() const {
    std::vector<std::uint16_t> out;
    for (const sim::RequestRecord& r : sensor_->Requests())
        out.push_back(r.command());
    return out;
}

ScriptedPopups::ScriptedPopups() {
    seam_.fileSelect = [this](const std::string&, const std::string&, const std::string&, const std::string&,
                              std::string& path) {
        path = filePath_;
        return fileResult_;
    };
    seam_.confirm = [this](const std::string&, const std::string&) { return confirmAnswer_ ? 1 : 0; };
    SetPopupSeam(&seam_);
}

ScriptedPopups::~ScriptedPopups() {
    SetPopupSeam(nullptr);
}

void ScriptedPopups::SelectFile(int result, const std::string& path) {
    fileResult_ = result;
    filePath_ = path;
}

namespace {

template <typename W>
W* Widget(int panel, int control) {
    return qobject_cast<W*>(platform::CtrlWidget(panel, control));
}

::testing::AssertionResult Found(const QWidget* w, const char* kind, int control) {
    if (w)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "control " << control << " is no " << kind;
}

}  // namespace

::testing::AssertionResult Click(int panel, int control) {
    auto* b = Widget<QAbstractButton>(panel, control);
    if (b)
        b->click();
    return Found(b, "button", control);
}

::testing::AssertionResult RightClick(int panel, int control) {
    QWidget* w = platform::CtrlWidget(panel, control);
    if (w) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
    }
    return Found(w, "control", control);
}

::testing::AssertionResult Type(int panel, int control, double value) {
    auto* sb = Widget<QSpinBox>(panel, control);
    auto* db = Widget<QDoubleSpinBox>(panel, control);
    if (sb)
        sb->setValue(static_cast<int>(value));
    if (db)
        db->setValue(value);
    return Found(sb ? static_cast<QWidget*>(sb) : db, "numeric field", control);
}

int Attr(int panel, int control, int attribute) {
    int v = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, control, attribute, v), 0) << "control " << control;
    return v;
}

const platform::GraphModel& Graph(int control) {
    static const platform::GraphModel none;
    const platform::GraphModel* m = platform::GetGraphModel(pHandle, control);
    EXPECT_NE(m, nullptr) << "graph " << control;
    return m ? *m : none;
}

std::string StatusLine() {
    return Val<std::string>(pHandle, PANEL_TXTStatus);
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

bool SavePanelImage(int panel, const std::string& name) {
    QWidget* w = platform::PanelWidget(panel);
    if (!w)
        return false;
    Pump(0.05);  // let queued graph redraws land first
    const auto dir = std::filesystem::path(KBEX_BUILD_DIR) / "screenshots";
    std::filesystem::create_directories(dir);
    return w->grab().save(QString::fromStdString((dir / name).string()));
}

}  // namespace kbex_test
