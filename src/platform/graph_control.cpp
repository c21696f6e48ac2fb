#include "platform/graph_control.h"

#include "platform/panels_internal.h"

#include <qcustomplot.h>

#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace platform {
namespace {

QColor Rgb(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Range of the data of all plots along x (keys) or y (values).
bool DataRange(const GraphModel& m, bool keys, double& lo, double& hi) {
    lo = std::numeric_limits<double>::max();
    hi = std::numeric_limits<double>::lowest();
    for (const PlotItem& p : m.plots) {
        if (p.kind == PlotItem::Kind::XY) {
            for (double v : keys ? p.x : p.y) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        } else {
            lo = std::min({lo, keys ? p.x1 : p.y1, keys ? p.x2 : p.y2});
            hi = std::max({hi, keys ? p.x1 : p.y1, keys ? p.x2 : p.y2});
        }
    }
    if (lo > hi)
        return false;
    if (lo == hi) {
        lo -= 1;
        hi += 1;
    }
    return true;
}

// The range an axis is set to: its manual range, or the data's.
QCPRange ProgramRange(const AxisState& s, const GraphModel& m, bool keys) {
    double lo = s.min, hi = s.max;
    if (s.mode == VAL_AUTOSCALE && !DataRange(m, keys, lo, hi)) {
        lo = s.min;
        hi = s.max;
    }
    return {lo, hi};
}

QFont Small(const QFont& base, bool bold = false) {
    QFont f = base;
    f.setPointSize(7);
    f.setBold(bold);
    return f;
}

// A text item at a corner of the plot area (ratio coordinates).
QCPItemText* Corner(QCustomPlot* plot, double x, double y, Qt::Alignment align, const QString& text) {
    auto* t = new QCPItemText(plot);
    t->position->setType(QCPItemPosition::ptAxisRectRatio);
    t->position->setCoords(x, y);
    t->setPositionAlignment(align);
    t->setText(text);
    t->setClipToAxisRect(true);
    return t;
}

// An axis title's unit (in its brackets) and what it names (before them).
QString Unit(const std::string& title) {
    const auto open = title.find('['), close = title.rfind(']');
    if (open == std::string::npos || close == std::string::npos || close <= open + 1)
        return {};
    return QString::fromStdString(title.substr(open + 1, close - open - 1));
}
QString Quantity(const std::string& title) {
    return QString::fromStdString(title.substr(0, title.find('['))).trimmed();
}
QString WithUnit(QString number, const QString& unit) {
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}

// One coordinate as the read-out shows it: as many decimals as the visible
// span makes meaningful, and the unit from the axis title's brackets.
QString Reading(double v, double span, const std::string& title) {
    const int decimals = span >= 100 ? 0 : span >= 10 ? 1 : 2;
    return WithUnit(QString::number(v, 'f', decimals), Unit(title));
}

QString Number(double v) {
    return QString::number(v, 'f', v == std::round(v) ? 0 : 2);
}
QString Span(double lo, double hi) {
    return lo == hi ? Number(lo) : Number(lo) + QStringLiteral(" to ") + Number(hi);
}

// What a graph shows, for a screen reader beside its name: the range of each
// named curve, the latest value of each named trace shown, or else the
// position its first cursor marks; in the units of the axis titles.
QString Describe(const GraphModel& m) {
    const QString yUnit = Unit(m.yName), xUnit = Unit(m.xName);
    QStringList parts;
    double xLo = std::numeric_limits<double>::max(), xHi = std::numeric_limits<double>::lowest();
    for (const PlotItem& p : m.plots) {
        if (p.kind != PlotItem::Kind::XY || p.legend.empty() || p.y.empty())
            continue;
        const auto [lo, hi] = std::minmax_element(p.y.begin(), p.y.end());
        parts << QString::fromStdString(p.legend) + QLatin1Char(' ') + WithUnit(Span(*lo, *hi), yUnit);
        for (double x : p.x) {
            xLo = std::min(xLo, x);
            xHi = std::max(xHi, x);
        }
    }
    if (!parts.isEmpty() && xLo <= xHi)
        parts << QStringLiteral("over %1 %2").arg(Quantity(m.xName), WithUnit(Span(xLo, xHi), xUnit));
    for (std::size_t t = 0; t < m.traceData.size(); ++t)
        if (t < m.traceLegend.size() && !m.traceLegend[t].empty() && m.traceVisible[t] &&
            !m.traceData[t].empty())
            parts << QString::fromStdString(m.traceLegend[t]) + QLatin1Char(' ') +
                         WithUnit(Number(m.traceData[t].back()), yUnit);
    if (parts.isEmpty())
        for (const auto& [n, c] : m.cursors)
            if (c.placed) {
                parts << QStringLiteral("%1 %2").arg(Quantity(m.xName), WithUnit(Number(c.x), xUnit));
                break;
            }
    return parts.isEmpty() ? QStringLiteral("no data") : parts.join(QStringLiteral(", "));
}

}  // namespace

GraphControl::GraphControl(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    plot_ = new QCustomPlot(this);
    layout->addWidget(plot_);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->setBackground(QBrush(QColor(0xFA, 0xFA, 0xFA)));
    // Titles and legend as small as the tick labels: the curves keep the room.
    for (QCPAxis* a : {plot_->xAxis, plot_->yAxis, plot_->yAxis2}) {
        a->setTickLabelFont(Small(font()));
        a->setLabelFont(Small(font()));
        a->setLabelColor(QColor(0x50, 0x50, 0x50));
        a->setLabelPadding(1);
        a->setPadding(2);
    }
    plot_->axisRect()->setAutoMargins(QCP::msLeft | QCP::msBottom | QCP::msRight | QCP::msTop);
    plot_->axisRect()->setMinimumMargins(QMargins(4, 4, 4, 2));
    // One row at the top right, opposite the caption; only named plots enter.
    plot_->setAutoAddPlottableToLegend(false);
    QCPLegend* legend = plot_->legend;
    legend->setFont(Small(font()));
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setIconSize(16, 6);
    legend->setIconTextPadding(3);
    legend->setColumnSpacing(8);
    legend->setMargins(QMargins(4, 1, 4, 1));
    legend->setBrush(QColor(0xFF, 0xFF, 0xFF, 0xD0));
    legend->setBorderPen(QPen(QColor(0xC8, 0xC8, 0xC8)));
    plot_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    // A range that changes while the program is not setting one is the operator's.
    for (QCPAxis* a : {plot_->xAxis, plot_->yAxis})
        connect(a, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this] {
            if (!settingRange_)
                handView_ = true;
        });
    connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this] {
        if (zoomable_ && std::exchange(handView_, false))
            scheduleRedraw();
    });
    connect(plot_, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) {
        if (zoomable_)
            readOut(e->position());
    });
    plot_->installEventFilter(this);
    model_.xAxis = {VAL_AUTOSCALE, 0, 10};
    model_.yLeft = {VAL_AUTOSCALE, 0, 10};
    model_.yRight = {VAL_AUTOSCALE, 0, 10};
    rebuild();
}

GraphControl::~GraphControl() = default;

void GraphControl::setCaption(const QString& c) {
    caption_ = c;
    scheduleRedraw();
}
void GraphControl::setXMin(double v) {
    model_.xAxis = {VAL_MANUAL, v, model_.xAxis.max};
    scheduleRedraw();
}
void GraphControl::setXMax(double v) {
    model_.xAxis = {VAL_MANUAL, model_.xAxis.min, v};
    scheduleRedraw();
}
void GraphControl::setYMin(double v) {
    model_.yLeft = {VAL_MANUAL, v, model_.yLeft.max};
    model_.yRight = model_.yLeft;
    scheduleRedraw();
}
void GraphControl::setYMax(double v) {
    model_.yLeft = {VAL_MANUAL, model_.yLeft.min, v};
    model_.yRight = model_.yLeft;
    scheduleRedraw();
}
void GraphControl::setYLabels(bool on) {
    yLabels_ = on;
    scheduleRedraw();
}
void GraphControl::setZoomable(bool on) {
    zoomable_ = on;
    plot_->setInteractions(on ? QCP::iRangeDrag | QCP::iRangeZoom : QCP::Interactions());
    handView_ = handView_ && on;
    scheduleRedraw();
}
void GraphControl::setCompact(bool on) {
    compact_ = on;
    scheduleRedraw();
}

bool GraphControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == plot_ && event->type() == QEvent::Leave && !readout_.isEmpty()) {
        readout_.clear();
        scheduleRedraw();
    }
    return QWidget::eventFilter(watched, event);
}

void GraphControl::readOut(QPointF at) {
    QString text;
    if (plot_->axisRect()->rect().contains(at.toPoint())) {
        const QCPRange x = plot_->xAxis->range(), y = plot_->yAxis->range();
        text = QStringLiteral("x = %1, y = %2")
                   .arg(Reading(plot_->xAxis->pixelToCoord(at.x()), x.size(), model_.xName),
                        Reading(plot_->yAxis->pixelToCoord(at.y()), y.size(), model_.yName));
    }
    // Shown with the next repaint, so a moving mouse keeps to the screen rate too.
    if (text != readout_) {
        readout_ = text;
        scheduleRedraw();
    }
}

bool GraphControl::setAxisName(int axis, const std::string& name) {
    std::string* title = axis == VAL_XAXIS ? &model_.xName : axis == VAL_LEFT_YAXIS ? &model_.yName : nullptr;
    if (!title)
        return false;
    if (*title != name) {
        *title = name;
        scheduleRedraw();
    }
    return true;
}

bool GraphControl::setPlotLegend(int handle, const std::string& text) {
    auto it = std::find_if(model_.plots.begin(), model_.plots.end(),
                           [handle](const PlotItem& p) { return p.handle == handle; });
    if (it == model_.plots.end())
        return false;
    if (it->legend != text) {
        it->legend = text;
        scheduleRedraw();
    }
    return true;
}

int GraphControl::plotXY(const double* x, const std::uint16_t* y, int count, int plotStyle, int pointStyle,
                         int lineStyle, int color) {
    PlotItem item;
    item.kind = PlotItem::Kind::XY;
    item.handle = static_cast<int>(model_.plots.empty() ? 1 : model_.plots.back().handle + 1);
    item.x.assign(x, x + count);
    item.y.assign(y, y + count);
    item.plotStyle = plotStyle;
    item.pointStyle = pointStyle;
    item.lineStyle = lineStyle;
    item.color = color;
    model_.plots.push_back(std::move(item));
    scheduleRedraw();
    return model_.plots.back().handle;
}

int GraphControl::plotRectangle(double x1, double y1, double x2, double y2, int frameColor, int fillColor) {
    PlotItem item;
    item.kind = PlotItem::Kind::Rectangle;
    item.handle = static_cast<int>(model_.plots.empty() ? 1 : model_.plots.back().handle + 1);
    item.x1 = x1;
    item.y1 = y1;
    item.x2 = x2;
    item.y2 = y2;
    item.frameColor = frameColor;
    item.fillColor = fillColor;
    model_.plots.push_back(item);
    scheduleRedraw();
    return item.handle;
}

bool GraphControl::deletePlot(int handle) {
    if (handle == -1) {
        model_.plots.clear();
    } else {
        auto it = std::find_if(model_.plots.begin(), model_.plots.end(),
                               [handle](const PlotItem& p) { return p.handle == handle; });
        if (it == model_.plots.end())
            return false;
        model_.plots.erase(it);
    }
    scheduleRedraw();
    return true;
}

bool GraphControl::setAxis(int axis, int mode, double min, double max) {
    AxisState s{mode, min, max};
    if (mode == VAL_MANUAL && !(min < max))
        return false;
    switch (axis) {
    case VAL_XAXIS: model_.xAxis = s; break;
    case VAL_LEFT_YAXIS: model_.yLeft = s; break;
    case VAL_RIGHT_YAXIS: model_.yRight = s; break;
    default: return false;
    }
    scheduleRedraw();
    return true;
}

void GraphControl::setCursor(int cursor, double x, double y) {
    CursorState& c = model_.cursors[cursor];
    c.x = x;
    c.y = y;
    c.placed = true;
    scheduleRedraw();
}

bool GraphControl::setCursorPointStyle(int cursor, int style) {
    model_.cursors[cursor].pointStyle = style;
    scheduleRedraw();
    return true;
}

void GraphControl::drawTexts() {
    if (!caption_.isEmpty()) {
        QCPItemText* t = Corner(plot_, 0.005, 0.02, Qt::AlignLeft | Qt::AlignTop, caption_);
        QFont f = font();
        f.setPointSize(8);
        f.setBold(true);
        t->setFont(f);
        t->setColor(QColor(0x30, 0x30, 0x30));
    }
    const QString xName = QString::fromStdString(model_.xName);
    plot_->xAxis->setLabel(compact_ ? QString() : xName);
    plot_->yAxis->setLabel(QString::fromStdString(model_.yName));
    if (compact_ && !xName.isEmpty()) {
        QCPItemText* t = Corner(plot_, 0.995, 0.02, Qt::AlignRight | Qt::AlignTop, xName);
        t->setFont(Small(font()));
        t->setColor(QColor(0x50, 0x50, 0x50));
    }
    plot_->legend->setVisible(plot_->legend->itemCount() > 1);
    if (!readout_.isEmpty()) {
        QCPItemText* t = Corner(plot_, 0.995, 0.97, Qt::AlignRight | Qt::AlignBottom, readout_);
        t->setFont(Small(font(), true));
        t->setPadding(QMargins(3, 1, 3, 1));
        t->setBrush(QColor(0xFF, 0xFF, 0xE0, 0xE0));
        t->setPen(QPen(QColor(0xA0, 0xA0, 0xA0)));
    }
    // Automation finds the graph by the control name the description holds then.
    if (!AccessibleIds())
        if (const QString text = Describe(model_); text != accessibleDescription())
            setAccessibleDescription(text);
}

void GraphControl::keepLegend(const std::vector<QCPGraph*>& named) {
    std::vector<std::pair<QCPGraph*, QString>> entries;
    for (QCPGraph* g : named)
        entries.emplace_back(g, g->name());
    if (entries == legendShown_)
        return;
    legendShown_ = std::move(entries);
    plot_->legend->clearItems();
    for (QCPGraph* g : named)
        g->addToLegend();
}

void GraphControl::applyRange(QCPAxis* axis, double lo, double hi) {
    if (handView_)
        return;
    settingRange_ = true;
    axis->setRange(lo, hi);
    settingRange_ = false;
}

void GraphControl::scheduleRedraw() {
    if (redrawPending_)
        return;
    redrawPending_ = true;
    // A change right after a repaint waits for the rest of the period, so a
    // fast line costs one repaint per period; what is shown is never older
    // than the latest change by more than that period.
    constexpr qint64 period = 1000 / kMaxScreenRate;
    const qint64 since = sinceRebuild_.isValid() ? sinceRebuild_.elapsed() : period;
    QTimer::singleShot(std::max<qint64>(0, period - since), Qt::PreciseTimer, this, [this] {
        redrawPending_ = false;
        sinceRebuild_.start();
        rebuild();
    });
}

void GraphControl::rebuild() {
    plot_->clearItems();
    int curves = 0;
    std::vector<QCPGraph*> named;
    for (const PlotItem& p : model_.plots) {
        if (p.kind == PlotItem::Kind::XY) {
            QCPGraph* g = curves < plot_->graphCount() ? plot_->graph(curves)
                                                       : plot_->addGraph(plot_->xAxis, plot_->yAxis);
            QVector<double> keys(p.x.begin(), p.x.end());
            QVector<double> values(p.y.begin(), p.y.end());
            g->setData(keys, values, true);
            g->setLineStyle(p.plotStyle == VAL_THIN_STEP ? QCPGraph::lsStepCenter : QCPGraph::lsLine);
            g->setPen(QPen(Rgb(p.color), 1, p.lineStyle == VAL_DASH ? Qt::DashLine : Qt::SolidLine));
            g->setName(QString::fromStdString(p.legend));
            if (!p.legend.empty())
                named.push_back(g);
            ++curves;
        } else {
            auto* r = new QCPItemRect(plot_);
            r->topLeft->setCoords(std::min(p.x1, p.x2), std::max(p.y1, p.y2));
            r->bottomRight->setCoords(std::max(p.x1, p.x2), std::min(p.y1, p.y2));
            r->setPen(QPen(Rgb(p.frameColor)));
            r->setBrush(QBrush(Rgb(p.fillColor)));
        }
    }
    while (plot_->graphCount() > curves)
        plot_->removeGraph(plot_->graphCount() - 1);
    keepLegend(named);
    static const QColor kCursorColour[] = {QColor(0, 0, 0), QColor(0, 0, 0xC0)};
    for (const auto& [n, c] : model_.cursors) {
        if (!c.placed || c.pointStyle == VAL_NO_POINT)
            continue;
        const QColor colour = kCursorColour[(n - 1) & 1];
        auto* line = new QCPItemStraightLine(plot_);
        line->point1->setCoords(c.x, 0);
        line->point2->setCoords(c.x, 1);
        line->setPen(QPen(colour, 1, Qt::DotLine));
        auto* mark = new QCPItemTracer(plot_);
        mark->setGraph(nullptr);
        mark->position->setCoords(c.x, c.y);
        mark->setStyle(n == 1 ? QCPItemTracer::tsSquare : QCPItemTracer::tsCircle);
        mark->setSize(8);
        mark->setPen(QPen(colour, 1.5));
        mark->setBrush(n == 1 ? QBrush(Qt::NoBrush) : QBrush(colour));
    }
    drawTexts();
    plot_->yAxis->setTickLabels(yLabels_);
    plot_->yAxis->setTicks(yLabels_);
    const auto apply = [this](QCPAxis* axis, const AxisState& s, bool keys) {
        const QCPRange r = ProgramRange(s, model_, keys);
        applyRange(axis, r.lower, r.upper);
    };
    apply(plot_->xAxis, model_.xAxis, true);
    apply(plot_->yAxis, model_.yLeft, false);
    apply(plot_->yAxis2, model_.yRight, false);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

StripChartControl::StripChartControl(QWidget* parent) : GraphControl(parent) {
    model_.numTraces = 1;
    model_.pointsPerScreen = 100;
    model_.traceColor.assign(1, VAL_RED);
    model_.traceVisible.assign(1, 1);
    model_.traceLegend.assign(1, {});
    model_.traceData.assign(1, {});
    model_.xAxis = {VAL_MANUAL, 0, 99};
}

void StripChartControl::plotStrip(const double* data, int count, int start, int skip) {
    const int traces = std::max(1, model_.numTraces);
    const int stride = traces * (skip + 1);
    // In scroll mode 1 each call brings the whole screen, the caller keeping
    // the history: continuing the last screen would join its newest point to
    // this screen's oldest.
    if (model_.scrollMode == 1)
        for (auto& points : model_.traceData)
            points.clear();
    for (int base = start; base + traces <= count; base += stride) {
        for (int t = 0; t < traces; ++t) {
            auto& points = model_.traceData[static_cast<std::size_t>(t)];
            points.push_back(data[base + t]);
            const auto keep = static_cast<std::size_t>(std::max(1, model_.pointsPerScreen));
            if (points.size() > keep)
                points.erase(points.begin(), points.end() - static_cast<std::ptrdiff_t>(keep));
        }
    }
    ++model_.stripCalls;
    scheduleRedraw();
}

bool StripChartControl::setTrace(int trace, int attribute, int value) {
    if (trace < 1 || trace > model_.numTraces)
        return false;
    const auto i = static_cast<std::size_t>(trace - 1);
    int* setting = attribute == ATTR_TRACE_COLOR     ? &model_.traceColor[i]
                   : attribute == ATTR_TRACE_VISIBLE ? &model_.traceVisible[i]
                                                     : nullptr;
    if (!setting)
        return false;
    if (attribute == ATTR_TRACE_VISIBLE)
        value = value ? 1 : 0;
    // The live run sets the same settings with every frame: only a change redraws.
    if (*setting != value) {
        *setting = value;
        scheduleRedraw();
    }
    return true;
}

bool StripChartControl::setTraceLegend(int trace, const std::string& text) {
    if (trace < 1 || trace > model_.numTraces)
        return false;
    std::string& legend = model_.traceLegend[static_cast<std::size_t>(trace - 1)];
    if (legend != text) {
        legend = text;
        scheduleRedraw();
    }
    return true;
}

bool StripChartControl::setChartAttribute(int attribute, int value) {
    const bool same = (attribute == ATTR_NUM_TRACES && value == model_.numTraces) ||
                      (attribute == ATTR_POINTS_PER_SCREEN && value == model_.pointsPerScreen) ||
                      (attribute == ATTR_SCROLL_MODE && value == model_.scrollMode);
    if (same)
        return true;
    switch (attribute) {
    case ATTR_NUM_TRACES: {
        if (value < 1 || value > 64)
            return false;
        const auto n = static_cast<std::size_t>(value);
        model_.numTraces = value;
        model_.traceColor.resize(n, VAL_RED);
        model_.traceVisible.resize(n, 1);
        model_.traceLegend.resize(n);
        model_.traceData.resize(n);
        break;
    }
    case ATTR_POINTS_PER_SCREEN:
        if (value < 3 || value > 10000)
            return false;
        model_.pointsPerScreen = value;
        model_.xAxis = {VAL_MANUAL, 0, static_cast<double>(value - 1)};
        break;
    case ATTR_SCROLL_MODE: model_.scrollMode = value; break;
    default: return false;
    }
    scheduleRedraw();
    return true;
}

void StripChartControl::rebuild() {
    plot_->clearItems();
    while (traceGraphs_.size() < model_.traceData.size())
        traceGraphs_.push_back(plot_->addGraph());
    std::vector<QCPGraph*> named;
    for (std::size_t t = 0; t < traceGraphs_.size(); ++t) {
        QCPGraph* g = traceGraphs_[t];
        const bool shown = t < model_.traceData.size() && model_.traceVisible[t];
        g->setVisible(shown);
        if (!shown)
            continue;
        if (const QString name = QString::fromStdString(model_.traceLegend[t]); !name.isEmpty()) {
            g->setName(name);
            named.push_back(g);
        }
        const auto& pts = model_.traceData[t];
        QVector<double> keys(static_cast<qsizetype>(pts.size()));
        for (qsizetype i = 0; i < keys.size(); ++i)
            keys[i] = static_cast<double>(i);
        g->setData(keys, QVector<double>(pts.begin(), pts.end()), true);
        g->setPen(QPen(Rgb(model_.traceColor[t]), 1.2));
    }
    keepLegend(named);
    drawTexts();
    applyRange(plot_->xAxis, model_.xAxis.min, model_.xAxis.max);
    double lo = model_.yLeft.min, hi = model_.yLeft.max;
    if (model_.yLeft.mode == VAL_AUTOSCALE) {
        bool any = false;
        for (std::size_t t = 0; t < model_.traceData.size(); ++t)
            for (double v : model_.traceData[t])
                if (model_.traceVisible[t]) {
                    lo = any ? std::min(lo, v) : v;
                    hi = any ? std::max(hi, v) : v;
                    any = true;
                }
        if (!any || lo == hi) {
            lo -= 1;
            hi += 1;
        }
    }
    applyRange(plot_->yAxis, lo, hi);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace platform
