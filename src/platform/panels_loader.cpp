// The panel loader: the resource bundle registered once, each panel built
// from its Designer file and checked against the control table, callbacks
// bound by the names the widgets carry, and the operator's actions wired to
// callback events.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResource>
#include <QSpinBox>
#include <QStyleOptionSpinBox>
#include <QStylePainter>
#include <QTableWidget>
#include <QUiLoader>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "platform/graph_control.h"
#include "platform/panel_window.h"
#include "platform/panels_internal.h"
#include "platform/slide_control.h"

namespace platform {

namespace {

struct Resource {
    std::vector<PanelDef> panels;
    std::vector<CtrlDef> controls;
    std::string registeredPath;  // the file registered with Qt's resource system
};

std::map<std::string, Resource>& Resources() {
    static std::map<std::string, Resource> r;
    return r;
}
std::map<std::string, CallbackDef>& Callbacks() {
    static std::map<std::string, CallbackDef> c;
    return c;
}
std::string& ResourceDir() {
    static std::string dir;
    return dir;
}
int& NextPanelHandle() {
    static int next = 1;
    return next;
}

// Fusion files the painted frame of a spin box in Qt's pixmap cache under the
// identity of the palette it was painted with, and every colour set on a
// control gives it a palette never seen before: the measured value's
// tolerance colour, flipping with the live values, would leave one more
// picture there at each flip until the cache's 10 MB are full. Painted with
// one palette for each set of colours, a display keeps one picture a colour.
const QPalette& SteadyPalette(const QPalette& palette) {
    // Few sets are ever in use (the default and the tolerance colours); the
    // bound only keeps a program that sets many from searching far.
    constexpr std::size_t kKept = 32;
    static std::deque<QPalette> kept;
    for (const QPalette& p : kept)
        if (p == palette)
            return p;
    if (kept.size() == kKept)
        kept.pop_front();
    kept.push_back(palette);
    return kept.back();
}

// Paints as every spin box does, only with the shared palette.
template <class SpinBox>
class SteadySpinBox : public SpinBox {
public:
    using SpinBox::SpinBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QStyleOptionSpinBox option;
        this->initStyleOption(&option);
        const QPalette::ColorGroup group = option.palette.currentColorGroup();
        option.palette = SteadyPalette(option.palette);
        option.palette.setCurrentColorGroup(group);
        QStylePainter painter(this);
        painter.drawComplexControl(QStyle::CC_SpinBox, option);
    }
};

// A double spin box that keeps its full precision but does not pad the text
// with zeros: the scale factors are exact multiples of 1/1024 and must survive
// a round trip through the control unchanged.
class TrimmedDoubleSpinBox : public SteadySpinBox<QDoubleSpinBox> {
public:
    using SteadySpinBox::SteadySpinBox;
    QString textFromValue(double value) const override {
        QString s = QDoubleSpinBox::textFromValue(value);
        if (property("trimZeros").toBool() && s.contains(locale().decimalPoint())) {
            while (s.endsWith(QLatin1Char('0')))
                s.chop(1);
            if (s.endsWith(locale().decimalPoint()))
                s.append(QLatin1Char('0'));
        }
        return s;
    }
};

// A ring lets the program rebuild its items right before the operator sees
// them (the port list, for one); the mouse, the keyboard and assistive
// technology all open it through showPopup.
class Ring : public QComboBox {
public:
    using QComboBox::QComboBox;
    void showPopup() override {
        if (ControlInfo* c = FindControl(panel, control); c && c->listOpen)
            c->listOpen(panel, control);
        // A port's name, its adapter and its stable name are wider than the
        // selector: the list opens wide enough to read them whole.
        view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth());
        QComboBox::showPopup();
    }
    int panel = 0, control = 0;
};

class Loader : public QUiLoader {
public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        QWidget* w = nullptr;
        if (className == QLatin1String("GraphControl"))
            w = new GraphControl(parent);
        else if (className == QLatin1String("StripChartControl"))
            w = new StripChartControl(parent);
        else if (className == QLatin1String("SlideControl"))
            w = new SlideControl(parent);
        else if (className == QLatin1String("QSpinBox"))
            w = new SteadySpinBox<QSpinBox>(parent);
        else if (className == QLatin1String("QDoubleSpinBox"))
            w = new TrimmedDoubleSpinBox(parent);
        else if (className == QLatin1String("QComboBox"))
            w = new Ring(parent);
        if (!w)
            return QUiLoader::createWidget(className, parent, name);
        w->setObjectName(name);
        return w;
    }
};

bool KindMatches(QWidget* w, CtrlKind kind) {
    auto* button = qobject_cast<QPushButton*>(w);
    switch (kind) {
    case CtrlKind::CommandButton: return button && !button->isCheckable();
    case CtrlKind::ToggleButton: return button && button->isCheckable();
    case CtrlKind::RadioButton: return qobject_cast<QRadioButton*>(w) != nullptr;
    case CtrlKind::Ring: return qobject_cast<QComboBox*>(w) != nullptr;
    case CtrlKind::Numeric: return qobject_cast<QSpinBox*>(w) != nullptr;
    case CtrlKind::NumericDouble: return qobject_cast<QDoubleSpinBox*>(w) != nullptr;
    case CtrlKind::Slide: return qobject_cast<SlideControl*>(w) != nullptr;
    case CtrlKind::BinarySwitch: return qobject_cast<QCheckBox*>(w) != nullptr;
    case CtrlKind::TextMsg:
    case CtrlKind::Picture: return qobject_cast<QLabel*>(w) != nullptr;
    case CtrlKind::TextBox: return qobject_cast<QPlainTextEdit*>(w) != nullptr;
    case CtrlKind::Graph:
        return qobject_cast<GraphControl*>(w) != nullptr && !qobject_cast<StripChartControl*>(w);
    case CtrlKind::StripChart: return qobject_cast<StripChartControl*>(w) != nullptr;
    case CtrlKind::Decoration:
        return qobject_cast<QFrame*>(w) != nullptr && !qobject_cast<QLabel*>(w) &&
               !qobject_cast<QTableWidget*>(w);
    case CtrlKind::Table: return qobject_cast<QTableWidget*>(w) != nullptr;
    }
    return false;
}

QString StripMnemonic(QString s) {
    s.remove(QLatin1Char('&'));
    s = s.trimmed();
    if (s.endsWith(QLatin1Char(':')))
        s.chop(1);
    return s;
}

// Qt reads a checkable button as a radio button only while Qt keeps its group
// exclusive. The panels' radio buttons are grouped by their callbacks instead,
// since one may be switched off and the program sets each of them, so they
// say what they are here.
class RadioAccessible : public QAccessibleWidget {
public:
    explicit RadioAccessible(QRadioButton* b) : QAccessibleWidget(b, QAccessible::RadioButton) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        return s;
    }
    QString text(QAccessible::Text t) const override {
        const QString s = QAccessibleWidget::text(t);
        return t == QAccessible::Name && s.isEmpty() ? StripMnemonic(button()->text()) : s;
    }
    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << toggleAction(); }
    void doAction(const QString& action) override {
        if (action != toggleAction())
            QAccessibleWidget::doAction(action);
        else if (button()->isEnabled())
            button()->click();  // as the operator's click, callback events and all
    }

private:
    QRadioButton* button() const { return static_cast<QRadioButton*>(widget()); }
};

// A sub-panel selector is a page tab: selected while its sub-panel shows,
// pressed as the operator's click would.
class TabAccessible : public QAccessibleWidget {
public:
    explicit TabAccessible(QAbstractButton* b) : QAccessibleWidget(b, QAccessible::PageTab) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = button()->isChecked();
        return s;
    }
    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << pressAction(); }
    void doAction(const QString& action) override {
        if (action != pressAction())
            QAccessibleWidget::doAction(action);
        else if (button()->isEnabled())
            button()->click();
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// Qt names a drop-down list by its current item on this platform; a reader
// should hear which setting it is, with the item as its value.
class RingAccessible : public QAccessibleWidget {
public:
    explicit RingAccessible(QComboBox* c) : QAccessibleWidget(c, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? ring()->currentText() : QAccessibleWidget::text(t);
    }
    int childCount() const override { return 1; }  // the list, as Qt gives it
    QAccessibleInterface* child(int i) const override {
        return i == 0 ? QAccessible::queryAccessibleInterface(ring()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        return c && c->object() == ring()->view() ? 0 : -1;
    }
    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << showMenuAction(); }
    void doAction(const QString& action) override {
        if (action == showMenuAction())
            ring()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox* ring() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* AccessibleControl(const QString&, QObject* object) {
    if (auto* radio = qobject_cast<QRadioButton*>(object))
        return new RadioAccessible(radio);
    // What a control is when its kind alone does not say it: the sub-panel
    // selectors are page tabs, the status line a status bar.
    if (auto* w = qobject_cast<QWidget*>(object)) {
        const QString role = w->property("accessibleRole").toString();
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && role == QLatin1String("PageTab"))
            return new TabAccessible(b);
        if (role == QLatin1String("StatusBar"))
            return new QAccessibleWidget(w, QAccessible::StatusBar);
    }
    if (auto* ring = dynamic_cast<Ring*>(object))
        return new RingAccessible(ring);
    return AccessibleSlide(object);
}

// Mouse presses on a control (or on any of its parts, such as the line edit of
// a spin box) become left- and right-click events of that control.
class ClickFilter : public QObject {
public:
    ClickFilter(QObject* parent, int panel, int control, bool leftToo)
        : QObject(parent), panel_(panel), control_(control), leftToo_(leftToo) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPoint pos = me->position().toPoint();
            if (me->button() == Qt::RightButton) {
                FireControl(panel_, control_, EVENT_RIGHT_CLICK, pos.y(), pos.x());
                return true;  // no context menus: a right click means help here
            }
            if (me->button() == Qt::LeftButton && leftToo_)
                FireControl(panel_, control_, EVENT_LEFT_CLICK, pos.y(), pos.x());
        }
        if (event->type() == QEvent::ContextMenu)
            return true;
        return QObject::eventFilter(watched, event);
    }

private:
    int panel_, control_;
    bool leftToo_;
};

class CloseFilter : public QObject {
public:
    CloseFilter(QObject* parent, int panel) : QObject(parent), panel_(panel) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            PanelInfo* p = FindPanel(panel_);
            // The window stays: only the panel callback decides what a close
            // means (end the program, or hide the pop-up).
            event->ignore();
            if (p && p->callback)
                p->callback(panel_, EVENT_CLOSE, nullptr, 0, 0);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    int panel_;
};

// Enter commits a numeric field even when it holds the value typed: the
// operator repeats a value to act on it again (the recorder's service code
// after an upload hid its buttons). Qt reports Enter as a value change only
// when the value moved, so the key itself is watched, and a value change
// during the same key is its commit, not a second one.
class EnterCommit : public QObject {
public:
    EnterCommit(QAbstractSpinBox* box, std::function<void()> commit)
        : QObject(box), commit_(std::move(commit)) {
        box->installEventFilter(this);
        connect(box, &QAbstractSpinBox::editingFinished, this, [this] {
            if (std::exchange(enterPending_, false) && !committed_)
                commit_();
        });
    }
    void Committed() { committed_ = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && !static_cast<QAbstractSpinBox*>(watched)->isReadOnly()) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                enterPending_ = true;
                committed_ = false;
            }
        }
        return false;
    }

private:
    std::function<void()> commit_;
    bool enterPending_ = false, committed_ = false;
};

void WireEvents(int panel, int id, ControlInfo& c) {
    QWidget* w = c.widget;
    const bool isButton = qobject_cast<QAbstractButton*>(w) != nullptr;
    auto* clicks = new ClickFilter(w, panel, id, !isButton);
    w->installEventFilter(clicks);
    for (QWidget* child : w->findChildren<QWidget*>())
        child->installEventFilter(clicks);
    w->setContextMenuPolicy(Qt::NoContextMenu);

    auto fire = [panel, id](int event) { FireControl(panel, id, event); };
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        // `pressed` comes before a toggle changes its value, from the mouse, the
        // keyboard and assistive technology alike.
        QObject::connect(b, &QAbstractButton::pressed, w, [fire] { fire(EVENT_LEFT_CLICK); });
        QObject::connect(b, &QAbstractButton::clicked, w, [fire, b] {
            if (b->isCheckable())
                fire(EVENT_VAL_CHANGED);
            fire(EVENT_COMMIT);
        });
    } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
        if (auto* ring = dynamic_cast<Ring*>(cb)) {
            ring->panel = panel;
            ring->control = id;
        }
        QObject::connect(cb, &QComboBox::currentIndexChanged, w, [fire] { fire(EVENT_VAL_CHANGED); });
        QObject::connect(cb, &QComboBox::activated, w, [fire] { fire(EVENT_COMMIT); });
    } else if (auto* sb = qobject_cast<QSpinBox*>(w)) {
        auto* enter = new EnterCommit(sb, [fire] { fire(EVENT_COMMIT); });
        QObject::connect(sb, &QSpinBox::valueChanged, w, [fire, enter] {
            enter->Committed();
            fire(EVENT_VAL_CHANGED);
            fire(EVENT_COMMIT);
        });
    } else if (auto* db = qobject_cast<QDoubleSpinBox*>(w)) {
        auto* enter = new EnterCommit(db, [fire] { fire(EVENT_COMMIT); });
        QObject::connect(db, &QDoubleSpinBox::valueChanged, w, [fire, enter] {
            enter->Committed();
            fire(EVENT_VAL_CHANGED);
            fire(EVENT_COMMIT);
        });
    } else if (auto* sl = qobject_cast<SlideControl*>(w)) {
        QObject::connect(sl, &SlideControl::valueChanged, w, [fire] { fire(EVENT_VAL_CHANGED); });
        QObject::connect(sl, &SlideControl::committed, w, [fire] { fire(EVENT_COMMIT); });
    }
}

}  // namespace

bool AccessibleIds() {
    return qEnvironmentVariableIntValue("KBEX_ACCESSIBLE_IDS") == 1;
}

void ReadOut(QWidget* w) {
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(w))
        shown = label->text();
    else if (auto* box = qobject_cast<QPlainTextEdit*>(w))
        shown = box->toPlainText();
    else
        return;  // a live number is named by its label; its value is its value
    const QString name = shown.trimmed().isEmpty() ? w->property("kbexCaption").toString() : shown;
    if (name == w->accessibleName())
        return;
    w->setAccessibleName(name);
    // A line that announces (the status line) is read out whenever it changes.
    if (w->property("announce").toBool()) {
        QAccessibleEvent alert(w, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

QString ResolveResourcePath(const char* fileName) {
    const QString name = QString::fromLocal8Bit(fileName);
    if (QFileInfo(name).isAbsolute())
        return name;
    QString dir = QString::fromStdString(ResourceDir());
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    return QDir(dir).filePath(name);
}

}  // namespace platform

using namespace platform;

void RegisterResource(const char* fileName, std::span<const PanelDef> panels,
                      std::span<const CtrlDef> controls) {
    Resource& r = Resources()[fileName];
    r.panels.assign(panels.begin(), panels.end());
    r.controls.assign(controls.begin(), controls.end());
}

void RegisterCallbacks(std::span<const CallbackDef> callbacks) {
    for (const CallbackDef& c : callbacks)
        Callbacks()[c.name] = c;
}

void SetResourceDir(const std::string& dir) {
    ResourceDir() = dir;
}

int LoadPanel(int parentPanel, const char* fileName, int resourceNumber) {
    auto res = Resources().find(fileName ? fileName : "");
    if (res == Resources().end() || !QApplication::instance())
        return kUiResourceError;
    [[maybe_unused]] static const bool accessible = (QAccessible::installFactory(&AccessibleControl), true);
    Resource& r = res->second;
    const PanelDef* def = nullptr;
    for (const PanelDef& p : r.panels)
        if (p.resourceNumber == resourceNumber)
            def = &p;
    if (!def)
        return kUiPanelNotFound;
    PanelInfo* parent = nullptr;
    if (parentPanel != 0 && !(parent = FindPanel(parentPanel)))
        return kUiPanelNotFound;

    const QString path = ResolveResourcePath(fileName);
    if (r.registeredPath.empty()) {
        if (!QFileInfo::exists(path))
            return kUiFileNotFound;
        if (!QResource::registerResource(path, QStringLiteral("/kbex")))
            return kUiResourceError;
        r.registeredPath = path.toStdString();
    }
    QFile ui(QStringLiteral(":/kbex/uir/%1.ui").arg(QLatin1String(def->name)));
    if (!ui.open(QIODevice::ReadOnly))
        return kUiPanelNotFound;
    Loader loader;
    // Built on its own first: names inside a panel (such as a label's buddy)
    // must resolve within that panel, not in a sibling with the same names.
    QWidget* w = loader.load(&ui, nullptr);
    if (!w || w->objectName() != QLatin1String(def->name)) {
        std::fprintf(stderr, "panel %s: %s\n", def->name, loader.errorString().toLocal8Bit().constData());
        delete w;
        return kUiResourceError;
    }

    auto fail = [&](const QString& why) {
        std::fprintf(stderr, "panel %s: %s\n", def->name, why.toLocal8Bit().constData());
        delete w;
        return kUiResourceError;
    };
    auto resolve = [&](const QString& name, bool panelCallback, CallbackDef& out) {
        auto it = Callbacks().find(name.toStdString());
        if (it == Callbacks().end())
            return false;
        out = it->second;
        return panelCallback ? out.panel != nullptr : out.control != nullptr;
    };

    const int handle = NextPanelHandle();
    PanelInfo info;
    info.widget = w;
    info.resource = resourceNumber;
    info.parent = parentPanel;
    const QString panelCb = w->property("callback").toString();
    if (panelCb != QLatin1String(def->callback ? def->callback : ""))
        return fail(QStringLiteral("panel callback is '%1'").arg(panelCb));
    if (!panelCb.isEmpty()) {
        CallbackDef cb{};
        if (!resolve(panelCb, true, cb))
            return fail(QStringLiteral("unknown panel callback %1").arg(panelCb));
        info.callback = cb.panel;
    }

    // Every control of the table must be there, of its kind, with its binding.
    std::map<QWidget*, QLabel*> buddies;
    for (QLabel* label : w->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        if (label->buddy())
            buddies[label->buddy()] = label;
    }
    std::vector<QWidget*> tableWidgets;
    for (const CtrlDef& c : r.controls) {
        if (c.panelResource != resourceNumber)
            continue;
        auto* cw = w->findChild<QWidget*>(QLatin1String(c.objectName));
        if (!cw)
            return fail(QStringLiteral("control %1 is missing").arg(QLatin1String(c.constant)));
        if (!KindMatches(cw, c.kind))
            return fail(QStringLiteral("control %1 is not a %2")
                            .arg(QLatin1String(c.constant), QLatin1String(CtrlKindName(c.kind))));
        const QString bound = cw->property("callback").toString();
        if (bound != QLatin1String(c.callback ? c.callback : ""))
            return fail(QStringLiteral("control %1 is bound to '%2'").arg(QLatin1String(c.constant), bound));
        ControlInfo ci;
        ci.widget = cw;
        ci.kind = c.kind;
        ci.constant = c.constant;
        auto b = buddies.find(cw);
        ci.buddy = b == buddies.end() ? nullptr : b->second;
        if (!bound.isEmpty()) {
            CallbackDef cb{};
            if (!resolve(bound, false, cb))
                return fail(QStringLiteral("unknown callback %1").arg(bound));
            ci.callback = cb.control;
        }
        // Assistive technology (and GUI automation) finds every control by
        // what the operator reads, and by its stable name. A display reads
        // as what it shows, so its caption is kept for when it shows nothing.
        QString name = cw->accessibleName();
        if (name.isEmpty())
            if (auto* ab = qobject_cast<QAbstractButton*>(cw))
                name = StripMnemonic(ab->text());
        if (name.isEmpty() && ci.buddy)
            name = StripMnemonic(ci.buddy->text());
        if (name.isEmpty())
            name = cw->property("caption").toString();
        if (name.isEmpty())
            name = QLatin1String(c.objectName);
        cw->setProperty("kbexCaption", name);
        cw->setAccessibleName(name);
        // The help text comes with SetCtrlHelp; automation finds the control by its name.
        cw->setAccessibleDescription(AccessibleIds() ? QLatin1String(c.constant) : QString());
        // A live value is read-only, yet the operator (or a screen reader)
        // reaches it with Tab like any field.
        if (auto* number = qobject_cast<QAbstractSpinBox*>(cw); number && number->isReadOnly())
            number->setFocusPolicy(Qt::TabFocus);
        // A table's column widths, e.g. "130,60,90": Designer keeps only one
        // width for all of them.
        if (auto* table = qobject_cast<QTableWidget*>(cw)) {
            const QStringList widths = table->property("columnWidths").toString().split(QLatin1Char(','));
            for (int i = 0; i < widths.size() && i < table->columnCount(); ++i)
                if (const int width = widths[i].trimmed().toInt(); width > 0)
                    table->setColumnWidth(i, width);
        }
        ReadOut(cw);
        tableWidgets.push_back(cw);
        info.controls[c.id] = ci;
    }
    for (QWidget* cw : w->findChildren<QWidget*>()) {
        if (!cw->property("callback").toString().isEmpty() &&
            std::find(tableWidgets.begin(), tableWidgets.end(), cw) == tableWidgets.end())
            return fail(
                QStringLiteral("%1 carries a callback but is not in the table").arg(cw->objectName()));
    }

    NextPanelHandle() = handle + 1;
    Panels()[handle] = info;
    PanelInfo& stored = Panels()[handle];
    for (auto& [id, ci] : stored.controls)
        WireEvents(handle, id, ci);
    if (parent) {
        w->setParent(parent->widget);
        w->hide();
    } else if (GrowRule rule; PanelGrowRule(w, rule)) {
        // The window scrolls below the panel's own size and lets its graph
        // area grow above it; a close of either is the panel's close.
        auto* window = new PanelWindow(w, rule);
        window->installEventFilter(new CloseFilter(window, handle));
        w->installEventFilter(new CloseFilter(w, handle));
    } else {
        w->setWindowFlags(Qt::Window);
        w->setFixedSize(w->size());
        w->installEventFilter(new CloseFilter(w, handle));
    }
    return handle;
}
