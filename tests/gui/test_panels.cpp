// The six panels as the program loads them: every control of the table with
// its kind, binding and accessible names, what a screen reader reads of them,
// a ring that refreshes its list when opened, colours the live loops set over
// and over, and the start state every module returns to.

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QProxyStyle>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <cstring>
#include <map>
#include <set>

#include "app_fixture.h"
#include "platform/graph_control.h"
#include "platform/panels_internal.h"

using namespace kbex_test;
using Panels = ProgramTest;
using StartState = ProgramTest;

namespace {

std::vector<int> events;  // what reached a control's callback
constexpr CtrlCallbackPtr Record = [](int, int, int e, void*, int, int) { return events.push_back(e), 0; };
// Notes 1 if the list was already up when it ran.
void RefillPorts(int panel, int control) {
    events.push_back(QApplication::activePopupWidget() ? 1 : 0);
    InsertListItem(panel, control, 0, "COM7  /dev/ttyUSB3", 7);
}

struct ChangeCounter : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override {
        changes += event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange;
        return QObject::eventFilter(watched, event);
    }
    int changes = 0;
};

// Notes the palette of every spin box it paints by the key the style files
// the painted frame under in Qt's pixmap cache.
struct PaletteKeys : QProxyStyle {
    PaletteKeys() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        if (control == CC_SpinBox)
            keys.insert(option->palette.cacheKey());
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }
    mutable std::set<qint64> keys;
};

}  // namespace

TEST_F(Panels, EveryTableControlExistsWithItsBindingReadsAsShownAndARingRunsItsListCallbackFirst) {
    std::map<int, int> handle = {{PANEL, pHandle}, {PARA0, pPara0}, {PARA1, pPara1}, {PARA2, pPara2},
                                 {CALIB, pCalib},  {POPUP, pPopUp}, {STATS, pStats}, {COMPARE, pCompare}};
    EXPECT_EQ(UirControls().size(), 107u);
    int helped = 0;
    for (const platform::CtrlDef& c : UirControls()) {
        QWidget* w = platform::CtrlWidget(handle.at(c.panelResource), c.id);
        ASSERT_NE(w, nullptr) << c.constant;
        EXPECT_EQ(w->property("callback").toString().toStdString(), c.callback ? c.callback : "")
            << c.constant;
        // The help text a right click shows is the tooltip and the description;
        // a graph's description tells what it shows (tests/gui/test_graphs.cpp).
        if (!qobject_cast<platform::GraphControl*>(w)) {
            EXPECT_EQ(w->accessibleDescription(), w->toolTip()) << c.constant;
        }
        if (!w->toolTip().isEmpty()) {
            ++helped;
            EXPECT_TRUE(RightClick(handle.at(c.panelResource), c.id));
            // The compare view has no help box: its own status line says it.
            const std::string help = w->toolTip().toStdString();
            EXPECT_TRUE(Val<std::string>(pHandle, PANEL_HelpText1) == help ||
                        Val<std::string>(pHandle, PANEL_HelpText2) == help ||
                        Val<std::string>(pStats, STATS_HelpText) == help ||
                        Val<std::string>(pCompare, COMPARE_TXTStatus) == help)
                << c.constant;
        }
        EXPECT_FALSE(w->accessibleName().isEmpty()) << c.constant;
        EXPECT_NE(w->accessibleName().toStdString(), c.objectName)
            << c.constant << " has no caption or label";
    }

    EXPECT_GE(helped, 19);

    // A screen reader gets role, name and value as shown once the program sets them.
    // The program sets a number (or a text); a display then reads as what it
    // shows, a live number by its label with the number as its value, a ring
    // by its label with the item as its value; the status line reads as its
    // latest text, the sub-panel selectors are page tabs.
    const std::tuple<int, int, double, const char*, QAccessible::Role, const char*, const char*> rows[] = {
        {pHandle, PANEL_TXTStatus, 0, "Init COM-Port ...", QAccessible::StatusBar, "Init COM-Port ...", ""},
        {pCalib, CALIB_TXTBOXCcdInfo, 0, "CCD 2048", QAccessible::EditableText, "CCD 2048", "CCD 2048"},
        {pHandle, PANEL_NUMMvalue, 1234, "", QAccessible::SpinBox, "Value [pixel]", "1234"},
        {pPara0, PARA0_DropEvalMode, 2, "", QAccessible::ComboBox, "Evaluation mode", "2  MASTER + SLAVE"},
        {pPara1, PARA1_SLIDEVideoTHD_A, 77, "", QAccessible::Slider, "Video threshold [%]", "77"},
        {pHandle, PANEL_RBTEeprom, 1, "", QAccessible::RadioButton, "EEPROM", ""},
        {pHandle, PANEL_TOGGBTN_Para1, 0, "", QAccessible::PageTab, "MASTER (A)", ""},
    };
    for (const auto& [panel, id, number, text, role, name, value] : rows) {
        if (*text)
            SetCtrlVal(panel, id, text);
        else if (role != QAccessible::PageTab)
            SetCtrlVal(panel, id, number);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(platform::CtrlWidget(panel, id));
        EXPECT_EQ(Values(a->role(), a->state().checked), Values(role, role == QAccessible::RadioButton));
        EXPECT_EQ(a->text(QAccessible::Name).toStdString(), name);
        EXPECT_EQ(a->text(QAccessible::Value).toStdString(), value) << name;
    }
    EXPECT_EQ(platform::CtrlWidget(pHandle, PANEL_NUMMvalue)->focusPolicy(), Qt::TabFocus);
    // Set by assistive technology, the slide moves as under the operator's hand.
    platform::FindControl(pPara1, PARA1_SLIDEVideoTHD_A)->callback = Record;
    events.clear();
    auto* slide = QAccessible::queryAccessibleInterface(platform::CtrlWidget(pPara1, PARA1_SLIDEVideoTHD_A));
    slide->valueInterface()->setCurrentValue(200);
    EXPECT_EQ(events, (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
    EXPECT_EQ(Val<int>(pPara1, PARA1_SLIDEVideoTHD_A), 200);

    // Opening a ring runs its list callback first and raises no event of its own.
    ASSERT_EQ(SetListOpenCallback(pHandle, PANEL_DropDCom, &RefillPorts), 0);
    platform::FindControl(pHandle, PANEL_DropDCom)->callback = Record;
    events.clear();
    QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
    QApplication::sendEvent(platform::CtrlWidget(pHandle, PANEL_DropDCom), &f4);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QApplication::activePopupWidget()->close();
    EXPECT_EQ(events, std::vector<int>{0});  // only the callback, before the list was up
    EXPECT_EQ(Label(pHandle, PANEL_DropDCom, 0), "COM7  /dev/ttyUSB3");

    // With KBEX_ACCESSIBLE_IDS=1 every description is the control's name, an
    // automation id; the tooltip stays the help text.
    qputenv("KBEX_ACCESSIBLE_IDS", "1");
    ASSERT_NO_FATAL_FAILURE(SetUp());
    qunsetenv("KBEX_ACCESSIBLE_IDS");
    handle = {{PANEL, pHandle}, {PARA0, pPara0}, {PARA1, pPara1}, {PARA2, pPara2},
              {CALIB, pCalib},  {POPUP, pPopUp}, {STATS, pStats}, {COMPARE, pCompare}};
    for (const platform::CtrlDef& c : UirControls())
        EXPECT_EQ(
            platform::CtrlWidget(handle.at(c.panelResource), c.id)->accessibleDescription().toStdString(),
            c.constant);
    EXPECT_FALSE(platform::CtrlWidget(pHandle, PANEL_BTNRun)->toolTip().isEmpty());
}

TEST_F(StartState, InitPutsEveryModuleBackAppliesTheRulesAndARepeatedOrFlippingColourMakesNoNewPalette) {
    // What a session leaves behind in each module. teachA has a control and
    // comes back from it; entry 12 has none.
    parameter[core::kTeachA] = parameter[12] = 7;
    core::Put32(parameter, core::kSetpointA, 7);
    stop_flag = 0;
    xArrayMVAL[1] = Aval = tVal = curposA = mvalBUFA[0] = trgBUFA[0] = 9;
    ccdvirtpixel = ADCMAX = YAXISMAX = 1024;
    target = com = 3;
    std::strcpy(szVersion, "old");
    std::strcpy(file_name, "old.cfg");
    recfile_name = "old.dat";
    SetCtrlVal(pHandle, PANEL_TOGGBTN_Recorder, 1);
    SetCtrlAttribute(pHandle, PANEL_ButtonReset, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED, 0);
    SetCtrlAttribute(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED, 0);

    InitVars();
    InitGUI();
    // In this order: the set (teachA, entry 12, setpointA), the sensor link
    // (stop_flag, Aval, ccdvirtpixel, ADCMAX, YAXISMAX), the panels (tVal,
    // curposA, mvalBUFA, trgBUFA, xArrayMVAL), the main module (target, com,
    // the recorder button), and the start-up rules: anaMode 0 hides RESET and
    // the held max, hardwareMode 1 dims the tolerance, pmode 1 dims its value,
    // the flash upload waits for the calibration sub-panel's request.
    EXPECT_EQ(
        Values(parameter[core::kTeachA], parameter[12], core::Get32(parameter, core::kSetpointA), stop_flag,
               Aval, ccdvirtpixel, ADCMAX, YAXISMAX, tVal, curposA, mvalBUFA[0], trgBUFA[0], xArrayMVAL[1],
               target, com, Val<int>(pHandle, PANEL_TOGGBTN_Recorder),
               Attr(pHandle, PANEL_ButtonReset, ATTR_VISIBLE), Attr(pHandle, PANEL_NUMAnaMax, ATTR_VISIBLE),
               Attr(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED), Attr(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED),
               Attr(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE)),
        Values(512, 0, 37000, 1, 0, 4096, 256, 2048, 0, 0, 0, 100, 2, 1, 1, 0, 0, 0, 1, 1, 0));
    EXPECT_EQ(std::tuple(std::string(szVersion), std::string(file_name), recfile_name),
              std::tuple("", "", proj_dir + "/KBexRecord.dat"));
    EXPECT_EQ(Val<std::string>(pPopUp, POPUP_TXTRecFile), recfile_name);

    // The measured value's background is set once per received frame, mostly to
    // the colour it already has, and that must not cost a palette change and a
    // repaint.
    // A spin box paints through an inner line edit; a text message is one widget.
    for (auto [control, attribute] :
         {std::pair{PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR}, std::pair{PANEL_TXTStatus, ATTR_TEXT_COLOR}}) {
        ASSERT_EQ(SetCtrlAttribute(pHandle, control, attribute, VAL_RED), 0);
        ChangeCounter counter;
        QWidget* w = platform::CtrlWidget(pHandle, control);
        QList<QWidget*> parts = w->findChildren<QWidget*>();
        for (QWidget* part : parts << w)
            part->installEventFilter(&counter);
        for (int frame = 0; frame < 3; ++frame)
            SetCtrlAttribute(pHandle, control, attribute, VAL_RED);
        EXPECT_EQ(counter.changes, 0) << control;
        SetCtrlAttribute(pHandle, control, attribute, VAL_DK_GREEN);  // a real change still reaches it
        EXPECT_GT(counter.changes, 0) << control;
        EXPECT_EQ(Attr(pHandle, control, attribute), VAL_DK_GREEN);
    }
    // A tolerance colour flipping with the live values must not leave a new
    // picture in the pixmap cache at every flip.
    PaletteKeys style;
    QWidget* value = platform::CtrlWidget(pHandle, PANEL_NUMMvalue);
    value->setStyle(&style);
    for (int frame = 0; frame < 20; ++frame) {
        SetCtrlAttribute(pHandle, PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR, frame % 2 ? VAL_RED : VAL_DK_GREEN);
        value->grab();
    }
    value->setStyle(nullptr);
    EXPECT_EQ(style.keys.size(), 2u);
}

using Window = ProgramTest;

// Below its own size the window scrolls, and every control can be reached;
// above it the graph area takes the room while the control column keeps its
// place. At every size no control leaves the panel and no two visible
// controls of the main panel overlap.
TEST_F(Window, ScrollsBelowItsOwnSizeAndGrowsItsGraphAreaAboveIt) {
    QWidget* panel = platform::PanelWidget(pHandle);
    auto* window = qobject_cast<QScrollArea*>(panel->window());
    ASSERT_NE(window, nullptr);
    const QRect runAt = platform::CtrlWidget(pHandle, PANEL_BTNRun)->geometry();
    for (const QSize size : {QSize(1280, 720), QSize(1264, 776), QSize(1920, 1080)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        window->resize(size);
        Pump(0.05);
        EXPECT_TRUE(SaveWindowImage(window, "window-" + std::to_string(size.width()) + ".png"));
        const bool scrolls = size.width() < 1264 || size.height() < 776;
        EXPECT_EQ(window->verticalScrollBar()->maximum() > 0, size.height() < 776);
        EXPECT_EQ(panel->size(), scrolls ? QSize(1264, 776).expandedTo(window->viewport()->size())
                                         : window->viewport()->size());
        std::vector<QRect> shown;
        for (const platform::CtrlDef& c : UirControls()) {
            QWidget* w = c.panelResource == PANEL ? platform::CtrlWidget(pHandle, c.id) : nullptr;
            if (!w || !w->isVisibleTo(panel) || c.kind == platform::CtrlKind::Decoration)
                continue;
            EXPECT_TRUE(panel->rect().contains(w->geometry())) << c.constant;
            for (const QRect& other : shown)
                EXPECT_FALSE(other.intersects(w->geometry())) << c.constant;
            shown.push_back(w->geometry());
        }
        EXPECT_EQ(platform::CtrlWidget(pHandle, PANEL_BTNRun)->geometry(), runAt);
        const QRect strip = platform::CtrlWidget(pHandle, PANEL_STRIPRaw)->geometry();
        EXPECT_EQ(std::pair(strip.right(), strip.bottom()),
                  std::pair(panel->width() - 9, platform::CtrlWidget(pHandle, PANEL_TXTStatus)->y() - 9));
    }

    // Under a dark palette the live numbers come back in its light text after
    // the grey of a lost line, not in black on black.
    const QPalette light = QApplication::palette();
    QPalette dark(QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(0xe0, 0xe0, 0xe0));
    QApplication::setPalette(dark);
    Pump(0.05);  // the new palette reaches the widgets through the event loop
    ShowLiveValuesStale();
    EXPECT_EQ(Attr(pHandle, PANEL_NUMMvalue, ATTR_TEXT_COLOR), VAL_GRAY);
    PlotVIDEOBarGraph();
    EXPECT_EQ(Attr(pHandle, PANEL_NUMMvalue, ATTR_TEXT_COLOR), 0xe0e0e0);
    EXPECT_TRUE(SaveWindowImage(window, "window-dark.png"));
    QApplication::setPalette(light);
}
