// Values, attributes, list and text-box items, pictures and graph operations
// of the controls of loaded panels. Values set by the program never raise the
// control's callback; only the operator's actions do.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextBlock>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string_view>
#include <type_traits>

#include "platform/graph_control.h"
#include "platform/panels_internal.h"
#include "platform/slide_control.h"
#include "platform/testing.h"
#include "platform/text_codec.h"

using namespace platform;

namespace {

int& NextRuntimeId() {
    static int next = 10000;
    return next;
}

QColor Rgb(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}
int ToRgb(const QColor& c) {
    return (c.red() << 16) | (c.green() << 8) | c.blue();
}

// Text messages marked to size to their text grow and shrink with it, as the
// help boxes must.
void FitText(QLabel* label) {
    if (label->property("sizeToText").toBool())
        label->adjustSize();
}

int SetNumber(ControlInfo& c, double value) {
    QWidget* w = c.widget;
    const QSignalBlocker block(w);
    switch (c.kind) {
    case CtrlKind::Numeric: {
        auto* sb = static_cast<QSpinBox*>(w);
        if (!std::isfinite(value))
            return kUiInvalidValue;
        const double clamped = std::clamp(value, double(sb->minimum()), double(sb->maximum()));
        sb->setValue(static_cast<int>(std::llround(clamped)));
        return 0;
    }
    case CtrlKind::NumericDouble: static_cast<QDoubleSpinBox*>(w)->setValue(value); return 0;
    case CtrlKind::Slide: static_cast<SlideControl*>(w)->setValue(static_cast<int>(value)); return 0;
    case CtrlKind::ToggleButton:
    case CtrlKind::RadioButton:
    case CtrlKind::BinarySwitch: static_cast<QAbstractButton*>(w)->setChecked(value != 0); return 0;
    case CtrlKind::Ring: {
        auto* cb = static_cast<QComboBox*>(w);
        for (int i = 0; i < cb->count(); ++i) {
            const QVariant d = cb->itemData(i);
            const int v = d.isValid() ? d.toInt() : i;
            if (v == static_cast<int>(value)) {
                cb->setCurrentIndex(i);
                return 0;
            }
        }
        return kUiInvalidValue;
    }
    case CtrlKind::TextMsg:
    case CtrlKind::TextBox: return kUiWrongKind;
    default: return kUiWrongKind;
    }
}

int GetNumber(ControlInfo& c, double& value) {
    QWidget* w = c.widget;
    switch (c.kind) {
    case CtrlKind::Numeric: value = static_cast<QSpinBox*>(w)->value(); return 0;
    case CtrlKind::NumericDouble: value = static_cast<QDoubleSpinBox*>(w)->value(); return 0;
    case CtrlKind::Slide: value = static_cast<SlideControl*>(w)->value(); return 0;
    case CtrlKind::ToggleButton:
    case CtrlKind::RadioButton:
    case CtrlKind::BinarySwitch: value = static_cast<QAbstractButton*>(w)->isChecked() ? 1 : 0; return 0;
    case CtrlKind::Ring: {
        auto* cb = static_cast<QComboBox*>(w);
        const int i = cb->currentIndex();
        if (i < 0)
            return kUiInvalidValue;
        const QVariant d = cb->itemData(i);
        value = d.isValid() ? d.toInt() : i;
        return 0;
    }
    default: return kUiWrongKind;
    }
}

int SetNumberAt(int panel, int control, double value) {
    ControlInfo* c = FindControl(panel, control);
    if (!c)
        return FindPanel(panel) ? kUiControlNotFound : kUiPanelNotFound;
    const int r = SetNumber(*c, value);
    ReadOut(c->widget);
    return r;
}

int GetNumberAt(int panel, int control, double& value) {
    ControlInfo* c = FindControl(panel, control);
    return c ? GetNumber(*c, value) : (FindPanel(panel) ? kUiControlNotFound : kUiPanelNotFound);
}

int Missing(int panel) {
    return FindPanel(panel) ? kUiControlNotFound : kUiPanelNotFound;
}

template <class T>
T* As(int panel, int control, int& err) {
    ControlInfo* c = FindControl(panel, control);
    if (!c) {
        err = Missing(panel);
        return nullptr;
    }
    T* t = qobject_cast<T*>(c->widget.data());
    err = t ? 0 : kUiWrongKind;
    return t;
}

void SetColour(QWidget* w, QPalette::ColorRole role, int rgb) {
    QPalette pal = w->palette();
    pal.setColor(role, Rgb(rgb));
    w->setPalette(pal);
}

// Whether a colour attribute already holds `rgb`: the value last set, shown in
// every palette role it paints with. The live loops set the tolerance colours
// once per frame, nearly always to the colour already there; that must cost
// neither palette copies nor a walk over the control's parts.
bool Shows(const QWidget* w, const char* attribute, std::initializer_list<QPalette::ColorRole> roles,
           int rgb) {
    if (w->property(attribute) != QVariant(rgb))
        return false;
    const QColor c = Rgb(rgb);
    return std::all_of(roles.begin(), roles.end(),
                       [&](QPalette::ColorRole r) { return w->palette().color(r) == c; });
}

}  // namespace

int SetCtrlVal(int panel, int control, int value) {
    return SetNumberAt(panel, control, value);
}
int SetCtrlVal(int panel, int control, unsigned int value) {
    return SetNumberAt(panel, control, value);
}
int SetCtrlVal(int panel, int control, double value) {
    return SetNumberAt(panel, control, value);
}
int SetCtrlVal(int panel, int control, const std::string& text) {
    return SetCtrlVal(panel, control, text.c_str());
}

int SetCtrlVal(int panel, int control, const char* text) {
    ControlInfo* c = FindControl(panel, control);
    if (!c)
        return Missing(panel);
    const QString t = DecodeText(text ? text : "");
    if (auto* label = qobject_cast<QLabel*>(c->widget.data())) {
        label->setText(t);
        FitText(label);
        ReadOut(label);
        return 0;
    }
    if (auto* box = qobject_cast<QPlainTextEdit*>(c->widget.data())) {
        // A text box collects what it is given, line by line.
        box->appendPlainText(t);
        ReadOut(box);
        return 0;
    }
    return kUiWrongKind;
}

namespace {

// Every numeric value travels as a double; integers come back through a
// 64-bit integer so the unsigned types take the value's low bits, as a
// 16-bit word read from a wider control does.
template <class T>
int GetNumberAs(int panel, int control, T& value) {
    double v = 0;
    const int r = GetNumberAt(panel, control, v);
    if (r == 0) {
        if constexpr (std::is_integral_v<T>)
            value = static_cast<T>(static_cast<long long>(v));
        else
            value = static_cast<T>(v);
    }
    return r;
}

}  // namespace

int GetCtrlVal(int panel, int control, int& value) {
    return GetNumberAs(panel, control, value);
}
int GetCtrlVal(int panel, int control, unsigned short& value) {
    return GetNumberAs(panel, control, value);
}
int GetCtrlVal(int panel, int control, unsigned int& value) {
    return GetNumberAs(panel, control, value);
}
int GetCtrlVal(int panel, int control, double& value) {
    return GetNumberAs(panel, control, value);
}
int GetCtrlVal(int panel, int control, float& value) {
    return GetNumberAs(panel, control, value);
}

int GetCtrlVal(int panel, int control, std::string& text) {
    ControlInfo* c = FindControl(panel, control);
    if (!c)
        return Missing(panel);
    if (auto* label = qobject_cast<QLabel*>(c->widget.data()))
        text = EncodeText(label->text());
    else if (auto* box = qobject_cast<QPlainTextEdit*>(c->widget.data()))
        text = EncodeText(box->toPlainText());
    else if (auto* b = qobject_cast<QAbstractButton*>(c->widget.data()))
        text = EncodeText(b->text());
    else
        return kUiWrongKind;
    return 0;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    ControlInfo* c = FindControl(panel, control);
    if (!c)
        return Missing(panel);
    QWidget* w = c->widget;
    switch (attribute) {
    case ATTR_DIMMED:
        w->setEnabled(value == 0);
        if (c->buddy)
            c->buddy->setEnabled(value == 0);
        return 0;
    case ATTR_VISIBLE:
        w->setVisible(value != 0);
        if (c->buddy)
            c->buddy->setVisible(value != 0);
        if (value)
            w->raise();  // a shown help box lies over everything else
        return 0;
    case ATTR_LEFT: w->move(value, w->y()); return 0;
    case ATTR_TOP: w->move(w->x(), value); return 0;
    case ATTR_WIDTH: w->resize(std::max(0, value), w->height()); return 0;
    case ATTR_HEIGHT: w->resize(w->width(), std::max(0, value)); return 0;
    case ATTR_TEXT_COLOR:
        if (Shows(w, "kbexTextColor", {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}, value))
            return 0;
        w->setProperty("kbexTextColor", value);
        SetColour(w, QPalette::WindowText, value);
        SetColour(w, QPalette::Text, value);
        SetColour(w, QPalette::ButtonText, value);
        return 0;
    case ATTR_TEXT_BGCOLOR:
        // The frame colour paints the same window role, so the palette decides.
        if (w->autoFillBackground() && Shows(w, "kbexTextBgColor", {QPalette::Window, QPalette::Base}, value))
            return 0;
        w->setProperty("kbexTextBgColor", value);
        w->setAutoFillBackground(true);
        SetColour(w, QPalette::Window, value);
        SetColour(w, QPalette::Base, value);
        if (auto* sb = qobject_cast<QAbstractSpinBox*>(w)) {
            // The spin box paints its text through an inner line edit.
            for (QWidget* inner : sb->findChildren<QWidget*>())
                SetColour(inner, QPalette::Base, value);
        }
        return 0;
    case ATTR_FRAME_COLOR:
        w->setProperty("kbexFrameColor", value);
        w->setAutoFillBackground(true);
        SetColour(w, QPalette::Window, value);
        return 0;
    case ATTR_TEXT_POINT_SIZE: {
        if (value <= 0)
            return kUiInvalidValue;
        // Panel coordinates are pixels, and so are the text sizes laid out
        // with them: a header line must end where the layout expects it.
        QFont f = w->font();
        f.setPixelSize(value);
        w->setFont(f);
        if (auto* label = qobject_cast<QLabel*>(w))
            FitText(label);
        return 0;
    }
    case ATTR_NUM_TRACES:
    case ATTR_POINTS_PER_SCREEN:
    case ATTR_SCROLL_MODE:
        if (auto* strip = qobject_cast<StripChartControl*>(w))
            return strip->setChartAttribute(attribute, value) ? 0 : kUiInvalidValue;
        return kUiInvalidAttribute;
    default: return kUiInvalidAttribute;
    }
}

int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
    ControlInfo* c = FindControl(panel, control);
    if (!c)
        return Missing(panel);
    if (auto* g = qobject_cast<GraphControl*>(c->widget); g && value)
        if (attribute == ATTR_XNAME || attribute == ATTR_YNAME)
            return g->setAxisName(attribute == ATTR_XNAME ? VAL_XAXIS : VAL_LEFT_YAXIS, value)
                       ? 0
                       : kUiInvalidValue;
    if (attribute != ATTR_TEXT_FONT || !value)
        return kUiInvalidAttribute;
    // The engine's application font is a narrow sans serif; the condensed
    // face keeps header texts within the room the layout gives them.
    QWidget* w = c->widget;
    w->setProperty("kbexFont", QString::fromLatin1(value));
    QFont f = w->font();
    if (std::string_view(value) == "NIApp")
        f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), f.family()});
    else
        f.setFamilies({QString::fromLatin1(value), f.family()});
    w->setFont(f);
    if (auto* label = qobject_cast<QLabel*>(w))
        FitText(label);
    return 0;
}

int GetCtrlAttribute(int panel, int control, int attribute, int& value) {
    ControlInfo* c = FindControl(panel, control);
    if (!c)
        return Missing(panel);
    QWidget* w = c->widget;
    switch (attribute) {
    case ATTR_DIMMED: value = w->isEnabled() ? 0 : 1; return 0;
    case ATTR_VISIBLE: value = w->isHidden() ? 0 : 1; return 0;
    case ATTR_LEFT: value = w->x(); return 0;
    case ATTR_TOP: value = w->y(); return 0;
    case ATTR_WIDTH: value = w->width(); return 0;
    case ATTR_HEIGHT: value = w->height(); return 0;
    case ATTR_TEXT_POINT_SIZE:
        value = w->font().pixelSize() > 0 ? w->font().pixelSize() : w->font().pointSize();
        return 0;
    case ATTR_TEXT_COLOR: {
        const QVariant v = w->property("kbexTextColor");
        value = v.isValid() ? v.toInt() : ToRgb(w->palette().color(QPalette::WindowText));
        return 0;
    }
    case ATTR_TEXT_BGCOLOR: {
        const QVariant v = w->property("kbexTextBgColor");
        value = v.isValid() ? v.toInt() : ToRgb(w->palette().color(QPalette::Base));
        return 0;
    }
    case ATTR_FRAME_COLOR: {
        const QVariant v = w->property("kbexFrameColor");
        value = v.isValid() ? v.toInt() : ToRgb(w->palette().color(QPalette::Window));
        return 0;
    }
    default: return kUiInvalidAttribute;
    }
}

int GetCtrlBoundingRect(int panel, int control, int& top, int& left, int& height, int& width) {
    ControlInfo* c = FindControl(panel, control);
    if (!c)
        return Missing(panel);
    const QRect r = c->widget->geometry();
    top = r.top();
    left = r.left();
    height = r.height();
    width = r.width();
    return 0;
}

int NewCtrl(int panel, int style, const char* label, int top, int left) {
    PanelInfo* p = FindPanel(panel);
    if (!p)
        return kUiPanelNotFound;
    if (style != CTRL_TEXT_MSG)
        return kUiInvalidValue;
    auto* l = new QLabel(p->widget);
    l->setTextFormat(Qt::PlainText);
    l->setProperty("sizeToText", true);
    l->setText(DecodeText(label ? label : ""));
    l->move(left, top);
    l->adjustSize();
    l->show();
    const int id = NextRuntimeId()++;
    ControlInfo ci;
    ci.widget = l;
    ci.kind = CtrlKind::TextMsg;
    ci.constant = "runtime text " + std::to_string(id);
    p->controls[id] = ci;
    return id;
}

int ResetTextBox(int panel, int control, const char* text) {
    int err = 0;
    auto* box = As<QPlainTextEdit>(panel, control, err);
    if (!box)
        return err;
    box->setPlainText(DecodeText(text ? text : ""));
    ReadOut(box);
    return 0;
}

int ReplaceTextBoxLine(int panel, int control, int line, const char* text) {
    int err = 0;
    auto* box = As<QPlainTextEdit>(panel, control, err);
    if (!box)
        return err;
    if (line < 0)
        return kUiInvalidValue;
    QStringList lines = box->toPlainText().split(QLatin1Char('\n'));
    if (box->toPlainText().isEmpty())
        lines.clear();
    // Writing below the last line extends the box with empty lines, so the
    // fixed line positions of an information box can be filled in any order.
    while (lines.size() <= line)
        lines.append(QString());
    lines[line] = DecodeText(text ? text : "");
    box->setPlainText(lines.join(QLatin1Char('\n')));
    ReadOut(box);
    return 0;
}

int GetTextBoxLine(int panel, int control, int line, std::string& text) {
    int err = 0;
    auto* box = As<QPlainTextEdit>(panel, control, err);
    if (!box)
        return err;
    const QTextBlock block = box->document()->findBlockByNumber(line);
    if (line < 0 || !block.isValid() || box->toPlainText().isEmpty())
        return kUiInvalidValue;
    text = EncodeText(block.text());
    return 0;
}

int GetNumTextBoxLines(int panel, int control, int& count) {
    int err = 0;
    auto* box = As<QPlainTextEdit>(panel, control, err);
    if (!box)
        return err;
    count = box->toPlainText().isEmpty() ? 0 : box->document()->blockCount();
    return 0;
}

int ReplaceListItem(int panel, int control, int index, const char* label, int value) {
    int err = 0;
    auto* cb = As<QComboBox>(panel, control, err);
    if (!cb)
        return err;
    if (index < 0 || index >= cb->count())
        return kUiInvalidValue;
    const QSignalBlocker block(cb);
    cb->setItemText(index, DecodeText(label ? label : ""));
    cb->setItemData(index, value);
    return 0;
}

int InsertListItem(int panel, int control, int index, const char* label, int value) {
    int err = 0;
    auto* cb = As<QComboBox>(panel, control, err);
    if (!cb)
        return err;
    const QSignalBlocker block(cb);
    if (index < 0 || index > cb->count())
        index = cb->count();
    // Items without a value of their own count by position; fix those first
    // so inserting does not shift their values.
    for (int i = 0; i < cb->count(); ++i)
        if (!cb->itemData(i).isValid())
            cb->setItemData(i, i);
    cb->insertItem(index, DecodeText(label ? label : ""), value);
    return 0;
}

int ClearListCtrl(int panel, int control) {
    int err = 0;
    auto* cb = As<QComboBox>(panel, control, err);
    if (!cb)
        return err;
    const QSignalBlocker block(cb);
    cb->clear();
    return 0;
}

int SetListOpenCallback(int panel, int control, ListOpenCallbackPtr callback) {
    ControlInfo* c = FindControl(panel, control);
    if (!c)
        return Missing(panel);
    if (c->kind != CtrlKind::Ring)
        return kUiWrongKind;
    c->listOpen = callback;
    return 0;
}

int GetNumListItems(int panel, int control, int& count) {
    int err = 0;
    auto* cb = As<QComboBox>(panel, control, err);
    if (!cb)
        return err;
    count = cb->count();
    return 0;
}

int GetLabelFromIndex(int panel, int control, int index, std::string& label) {
    int err = 0;
    auto* cb = As<QComboBox>(panel, control, err);
    if (!cb)
        return err;
    if (index < 0 || index >= cb->count())
        return kUiInvalidValue;
    label = EncodeText(cb->itemText(index));
    return 0;
}

int SetCtrlHelp(int panel, int control, const char* text) {
    ControlInfo* c = FindControl(panel, control);
    if (!c || !c->widget)
        return kUiControlNotFound;
    const QString help = DecodeText(text ? text : "");
    c->widget->setToolTip(help);
    if (!AccessibleIds())
        c->widget->setAccessibleDescription(help);
    return 0;
}

int DisplayImageFile(int panel, int control, const char* path) {
    int err = 0;
    auto* label = As<QLabel>(panel, control, err);
    if (!label)
        return err;
    QPixmap pix;
    if (!path || !pix.load(ResolveResourcePath(path)))
        return kUiFileNotFound;
    label->setPixmap(pix);
    return 0;
}

// --- graphs ----------------------------------------------------------------------------

int PlotXY(int panel, int control, const double* x, const std::uint16_t* y, int count, int plotStyle,
           int pointStyle, int lineStyle, int /*pointFrequency*/, int color) {
    int err = 0;
    auto* g = As<GraphControl>(panel, control, err);
    if (!g)
        return err;
    if (count < 0 || (count > 0 && (!x || !y)))
        return kUiInvalidValue;
    return g->plotXY(x, y, count, plotStyle, pointStyle, lineStyle, color);
}

int PlotRectangle(int panel, int control, double x1, double y1, double x2, double y2, int frameColor,
                  int fillColor) {
    int err = 0;
    auto* g = As<GraphControl>(panel, control, err);
    if (!g)
        return err;
    return g->plotRectangle(x1, y1, x2, y2, frameColor, fillColor);
}

int DeleteGraphPlot(int panel, int control, int plotHandle, int /*refresh*/) {
    int err = 0;
    auto* g = As<GraphControl>(panel, control, err);
    if (!g)
        return err;
    return g->deletePlot(plotHandle) ? 0 : kUiInvalidValue;
}

int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max) {
    int err = 0;
    auto* g = As<GraphControl>(panel, control, err);
    if (!g)
        return err;
    return g->setAxis(axis, mode, min, max) ? 0 : kUiInvalidValue;
}

int SetGraphCursor(int panel, int control, int cursor, double x, double y) {
    int err = 0;
    auto* g = As<GraphControl>(panel, control, err);
    if (!g)
        return err;
    if (cursor < 1)
        return kUiInvalidValue;
    g->setCursor(cursor, x, y);
    return 0;
}

int SetCursorAttribute(int panel, int control, int cursor, int attribute, int value) {
    int err = 0;
    auto* g = As<GraphControl>(panel, control, err);
    if (!g)
        return err;
    if (cursor < 1 || attribute != ATTR_CURSOR_POINT_STYLE)
        return kUiInvalidAttribute;
    g->setCursorPointStyle(cursor, value);
    return 0;
}

int PlotStripChart(int panel, int control, const double* data, int count, int start, int skip) {
    int err = 0;
    auto* s = As<StripChartControl>(panel, control, err);
    if (!s)
        return err;
    if (!data || count < 0 || start < 0 || skip < 0)
        return kUiInvalidValue;
    s->plotStrip(data, count, start, skip);
    return 0;
}

int SetTraceAttribute(int panel, int control, int trace, int attribute, int value) {
    int err = 0;
    auto* s = As<StripChartControl>(panel, control, err);
    if (!s)
        return err;
    return s->setTrace(trace, attribute, value) ? 0 : kUiInvalidValue;
}

int SetTraceAttribute(int panel, int control, int trace, int attribute, const char* value) {
    int err = 0;
    auto* s = As<StripChartControl>(panel, control, err);
    if (!s)
        return err;
    if (attribute != ATTR_TRACE_LG_TEXT || !value)
        return kUiInvalidAttribute;
    return s->setTraceLegend(trace, value) ? 0 : kUiInvalidValue;
}

int SetPlotAttribute(int panel, int control, int plotHandle, int attribute, const char* value) {
    int err = 0;
    auto* g = As<GraphControl>(panel, control, err);
    if (!g)
        return err;
    if (attribute != ATTR_PLOT_LG_TEXT || !value)
        return kUiInvalidAttribute;
    return g->setPlotLegend(plotHandle, value) ? 0 : kUiInvalidValue;
}

// --- tables ------------------------------------------------------------------------------

namespace {

QTableWidgetItem* Cell(int panel, int control, int row, int column, int& err, bool make) {
    auto* t = As<QTableWidget>(panel, control, err);
    if (!t)
        return nullptr;
    if (row < 0 || column < 0 || row >= t->rowCount() || column >= t->columnCount()) {
        err = kUiInvalidValue;
        return nullptr;
    }
    QTableWidgetItem* item = t->item(row, column);
    if (!item && make) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        // A cell never coloured shows the table's own colours.
        item->setBackground(t->palette().base());
        item->setForeground(t->palette().text());
        t->setItem(row, column, item);
    }
    return item;
}

}  // namespace

int SetNumTableRows(int panel, int control, int rows) {
    int err = 0;
    auto* t = As<QTableWidget>(panel, control, err);
    if (!t)
        return err;
    if (rows < 0)
        return kUiInvalidValue;
    t->setRowCount(rows);
    return 0;
}

int SetTableCellVal(int panel, int control, int row, int column, const char* text) {
    int err = 0;
    QTableWidgetItem* item = Cell(panel, control, row, column, err, true);
    if (item)
        item->setText(DecodeText(text ? text : ""));
    return err;
}

int GetTableCellVal(int panel, int control, int row, int column, std::string& text) {
    int err = 0;
    QTableWidgetItem* item = Cell(panel, control, row, column, err, false);
    text = item ? EncodeText(item->text()) : std::string();
    return err;
}

int SetTableCellAttribute(int panel, int control, int row, int column, int attribute, int value) {
    int err = 0;
    QTableWidgetItem* item = Cell(panel, control, row, column, err, true);
    if (!item)
        return err;
    if (attribute == ATTR_TEXT_COLOR)
        item->setForeground(Rgb(value));
    else if (attribute == ATTR_TEXT_BGCOLOR)
        item->setBackground(Rgb(value));
    else
        return kUiInvalidAttribute;
    return 0;
}

int GetTableCellAttribute(int panel, int control, int row, int column, int attribute, int& value) {
    int err = 0;
    QTableWidgetItem* item = Cell(panel, control, row, column, err, true);
    if (!item)
        return err;
    if (attribute == ATTR_TEXT_COLOR)
        value = ToRgb(item->foreground().color());
    else if (attribute == ATTR_TEXT_BGCOLOR)
        value = ToRgb(item->background().color());
    else
        return kUiInvalidAttribute;
    return 0;
}

namespace platform {

const GraphModel* GetGraphModel(int panel, int control) {
    int err = 0;
    auto* g = As<GraphControl>(panel, control, err);
    return g ? &g->model() : nullptr;
}

}  // namespace platform
