// The registry of loaded panels, shared by the loader and the control
// operations, and what is done to a panel as a whole: show, hide, discard,
// position, dimming. Loading is in panels_loader.cpp, the event loop in
// panels_loop.cpp, the pop-ups in panels_popups.cpp.
#include <QBuffer>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>
#include <vector>

#include "platform/files.h"
#include "platform/panels_internal.h"
#include "platform/testing.h"

namespace platform {

const char* CtrlKindName(CtrlKind kind) {
    switch (kind) {
    case CtrlKind::CommandButton: return "command button";
    case CtrlKind::ToggleButton: return "toggle button";
    case CtrlKind::RadioButton: return "radio button";
    case CtrlKind::Ring: return "ring";
    case CtrlKind::Numeric: return "numeric";
    case CtrlKind::NumericDouble: return "numeric (double)";
    case CtrlKind::Slide: return "slide";
    case CtrlKind::BinarySwitch: return "binary switch";
    case CtrlKind::TextMsg: return "text message";
    case CtrlKind::TextBox: return "text box";
    case CtrlKind::Graph: return "graph";
    case CtrlKind::StripChart: return "strip chart";
    case CtrlKind::Decoration: return "decoration";
    case CtrlKind::Picture: return "picture";
    case CtrlKind::Table: return "table";
    }
    return "?";
}

std::map<int, PanelInfo>& Panels() {
    static std::map<int, PanelInfo> panels;
    return panels;
}

PanelInfo* FindPanel(int panel) {
    auto it = Panels().find(panel);
    return it == Panels().end() || !it->second.widget ? nullptr : &it->second;
}

ControlInfo* FindControl(int panel, int control) {
    PanelInfo* p = FindPanel(panel);
    if (!p)
        return nullptr;
    auto it = p->controls.find(control);
    return it == p->controls.end() || !it->second.widget ? nullptr : &it->second;
}

void FireControl(int panel, int control, int event, int data1, int data2) {
    ControlInfo* c = FindControl(panel, control);
    if (c && c->callback)
        c->callback(panel, control, event, nullptr, data1, data2);
}

}  // namespace platform

using namespace platform;

int DisplayPanel(int panel) {
    PanelInfo* p = FindPanel(panel);
    if (!p)
        return kUiPanelNotFound;
    p->widget->show();
    if (p->parent)
        p->widget->raise();  // a sub-panel covers the one shown before
    else
        p->widget->window()->show();
    return 0;
}

int HidePanel(int panel) {
    PanelInfo* p = FindPanel(panel);
    if (!p)
        return kUiPanelNotFound;
    (p->parent ? p->widget.data() : p->widget->window())->hide();
    return 0;
}

int DiscardPanel(int panel) {
    PanelInfo* p = FindPanel(panel);
    if (!p)
        return kUiPanelNotFound;
    // Children go with their parent.
    std::vector<int> children;
    for (auto& [h, child] : Panels())
        if (child.parent == panel)
            children.push_back(h);
    for (int h : children) {
        DiscardPanel(h);
        Panels().erase(h);
    }
    p = FindPanel(panel);
    // A panel in a window of its own goes with that window.
    delete (p->parent ? p->widget.data() : p->widget->window());
    Panels().erase(panel);
    return 0;
}

int SetPanelAttribute(int panel, int attribute, int value) {
    PanelInfo* p = FindPanel(panel);
    if (!p)
        return kUiPanelNotFound;
    QWidget* w = p->parent ? p->widget.data() : p->widget->window();
    switch (attribute) {
    case ATTR_LEFT: w->move(value, w->y()); return 0;
    case ATTR_TOP: w->move(w->x(), value); return 0;
    case ATTR_VISIBLE: w->setVisible(value != 0); return 0;
    case ATTR_DIMMED: w->setEnabled(value == 0); return 0;
    default: return kUiInvalidAttribute;
    }
}

int GetPanelAttribute(int panel, int attribute, int& value) {
    PanelInfo* p = FindPanel(panel);
    if (!p)
        return kUiPanelNotFound;
    QWidget* w = p->widget;
    switch (attribute) {
    case ATTR_LEFT: value = w->x(); return 0;
    case ATTR_TOP: value = w->y(); return 0;
    case ATTR_WIDTH: value = w->width(); return 0;
    case ATTR_HEIGHT: value = w->height(); return 0;
    case ATTR_VISIBLE:
        value = w->isVisibleTo(w->parentWidget() ? w->parentWidget() : w) && !w->isHidden();
        return 0;
    case ATTR_DIMMED: value = w->isEnabled() ? 0 : 1; return 0;
    default: return kUiInvalidAttribute;
    }
}

namespace {

// A panel's keys win over the control that has the focus: a text field
// would otherwise take Ctrl+E for its own editing (the end of the line) and
// the operator's key would do nothing. Ignoring the override lets the
// shortcut fire.
class ShortcutClaim : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
            return false;
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        const QWidget* window = static_cast<QWidget*>(watched)->window();
        for (const QShortcut* s : window->findChildren<QShortcut*>(Qt::FindDirectChildrenOnly))
            if (s->key() == pressed) {
                event->ignore();
                return true;
            }
        return false;
    }
};

void ClaimPanelKeys() {
    static ShortcutClaim* claim = nullptr;
    if (!claim) {
        claim = new ShortcutClaim;
        QCoreApplication::instance()->installEventFilter(claim);
    }
}

}  // namespace

int SetPanelShortcut(int panel, const char* keys, ShortcutCallbackPtr callback) {
    PanelInfo* p = FindPanel(panel);
    if (!p || !p->widget)
        return kUiPanelNotFound;
    const QKeySequence sequence(QString::fromLatin1(keys ? keys : ""));
    if (sequence.isEmpty() || !callback)
        return kUiInvalidValue;
    // Owned by the panel's widget, so it goes when the panel is discarded.
    auto* shortcut = new QShortcut(sequence, p->widget);  // active wherever the window has the focus
    QObject::connect(shortcut, &QShortcut::activated, shortcut, [panel, callback] { callback(panel); });
    ClaimPanelKeys();
    return 0;
}

int SavePanelPicture(int panel, const char* path) {
    PanelInfo* p = FindPanel(panel);
    if (!p || !p->widget)
        return kUiPanelNotFound;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!p->widget->grab().save(&buffer, "PNG"))
        return -1;
    return ReplaceFileBytes(path, png.toStdString());
}

namespace platform {

QWidget* PanelWidget(int panel) {
    PanelInfo* p = FindPanel(panel);
    return p ? p->widget.data() : nullptr;
}

QWidget* CtrlWidget(int panel, int control) {
    ControlInfo* c = FindControl(panel, control);
    return c ? c->widget.data() : nullptr;
}

}  // namespace platform
