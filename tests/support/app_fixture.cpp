#include "app_fixture.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/slide_control.h"

namespace kbex_test {

using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;

// Owns the timers of Once, so that one whose moment never came ends with its test.
static QObject* OnceOwner() {
    static QObject* owner = new QObject;
    return owner;
}

void ProgramTest::SetUp() {
    SetResourceDir(KBEX_BUILD_DIR);
    CloseCom(com);
    SetPortTable({});
    popups.fileSelect = [this](const std::string&, const std::string&, const std::string&, const std::string&,
                               std::string& path) {
        path = fileAnswer.second;
        return fileAnswer.first;
    };
    popups.confirm = [this](const std::string&, const std::string&) { return confirmYes ? 1 : 0; };
    SetPopupSeam(&popups);
    // Fresh panels for every test: the controls start at the resource's
    // values, as after a real start, whatever an earlier test typed.
    if (pHandle > 0)
        for (int panel : {pPara0, pPara1, pPara2, pCalib, pPopUp, pStats, pCompare, pHandle})
            DiscardPanel(panel);
    ASSERT_TRUE(LoadPanels()) << "panels must load from " << KBEX_BUILD_DIR;
    proj_dir = GetProjectDir();
    // InitVars puts every module's globals back (InitCom232Vars, InitGuiVars,
    // InitMainVars) and draws the start state, as at a real start.
    InitVars();
    SetObserver(&status);
    InitGUI();
    DisplayPanel(pHandle);
    DisplayPanel(pPara0);
    Pump(0.01);
}

void ProgramTest::TearDown() {
    qDeleteAll(OnceOwner()->children());  // a moment that never came ends with its test
    SetPopupSeam(nullptr);
    SetObserver(nullptr);
}

bool PumpUntil(const std::function<bool()>& done, double seconds) {
    for (const double t0 = Timer(); !done(); ProcessSystemEvents())
        if (Timer() - t0 > seconds)
            return false;
    return true;
}

SimLine::SimLine(const sim::Options& options) : sensor(options) {
    if (!sensor.Start(&error))
        error = "simulated sensor did not start: " + error;
    SetPortTable({{sensor.Path(), "simulated"}});
}

SimLine::~SimLine() {
    CloseCom(com);
    sensor.Stop();
    SetPortTable({});
}

AssertionResult SimLine::Connect() {
    if (!error.empty())
        return AssertionFailure() << error;
    InitRS232(com);
    return AssertionSuccess();
}

AssertionResult SimLine::Open() {
    if (!error.empty())
        return AssertionFailure() << error;
    const int r = OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096);
    return r == 0 ? AssertionSuccess() : AssertionFailure() << "COM1: " << r;
}

std::vector<std::uint16_t> SimLine::Commands() const {
    std::vector<std::uint16_t> out;
    for (const sim::RequestRecord& r : sensor.Requests())
        out.push_back(r.command());
    return out;
}

std::size_t SimLine::Count(std::uint16_t command) const {
    return static_cast<std::size_t>(std::ranges::count(Commands(), command));
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

AssertionResult Click(int panel, int control) {
    auto* b = qobject_cast<QAbstractButton*>(platform::CtrlWidget(panel, control));
    if (!b)
        return AssertionFailure() << "control " << control << " is no button";
    b->click();
    return AssertionSuccess();
}

AssertionResult RightClick(int panel, int control) {
    QWidget* w = platform::CtrlWidget(panel, control);
    if (!w)
        return AssertionFailure() << "no control " << control;
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    return AssertionSuccess();
}

AssertionResult Type(int panel, int control, double value) {
    // Both kinds of spin box take the value as the operator's typing would.
    QWidget* w = platform::CtrlWidget(panel, control);
    if (qobject_cast<QAbstractSpinBox*>(w) && w->setProperty("value", value))
        return AssertionSuccess();
    if (auto* slide = qobject_cast<platform::SlideControl*>(w)) {
        slide->setValue(static_cast<int>(value));
        return AssertionSuccess();
    }
    return AssertionFailure() << "control " << control << " is no numeric field";
}

AssertionResult Choose(int panel, int control, int value) {
    auto* ring = qobject_cast<QComboBox*>(platform::CtrlWidget(panel, control));
    if (!ring || SetCtrlVal(panel, control, value) != 0)
        return AssertionFailure() << "control " << control << " is no ring holding " << value;
    emit ring->activated(ring->currentIndex());
    return AssertionSuccess();
}

void Once(std::function<bool()> when, std::function<void()> action) {
    auto* t = new QTimer(OnceOwner());
    QObject::connect(t, &QTimer::timeout, [t, when = std::move(when), action = std::move(action)] {
        if (!when())
            return;
        t->stop();
        t->deleteLater();
        action();
    });
    t->start(10);
}

std::string TempDir() {
    // Named after the test, so a run replaces what the last one left.
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir = std::filesystem::path(KBEX_BUILD_DIR) / "test-files" /
                     (std::string(test->test_suite_name()) + "." + test->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

bool SavePanelImage(int panel, const std::string& name) {
    return SaveWindowImage(platform::PanelWidget(panel), name);
}

bool SaveWindowImage(QWidget* w, const std::string& name) {
    Pump(0.05);  // let queued graph redraws land first
    const auto dir = std::filesystem::path(KBEX_BUILD_DIR) / "screenshots";
    std::filesystem::create_directories(dir);
    return w && w->grab().save(QString::fromStdString((dir / name).string()));
}

}  // namespace kbex_test
