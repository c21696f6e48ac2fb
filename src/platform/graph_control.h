// Graph and strip-chart controls over QCustomPlot. Each keeps a model of what
// it shows (plots, rectangles, cursors, axes, titles, traces); drawing follows
// the model at most kMaxScreenRate times a second however many changes came
// in; the model itself always holds the latest change.
//
// A zoomable graph lets the operator zoom with the wheel and pan by dragging;
// from then on the program's axis settings go into the model only, and the
// operator's view stays until a double click brings back the program's. The
// point under the mouse is read out in the plot's corner.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "platform/graph_model.h"
#include "platform/panels.h"

class QCustomPlot;
class QCPAxis;
class QCPGraph;

namespace platform {

class GraphControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(double xMin READ xMin WRITE setXMin)
    Q_PROPERTY(double xMax READ xMax WRITE setXMax)
    Q_PROPERTY(double yMin READ yMin WRITE setYMin)
    Q_PROPERTY(double yMax READ yMax WRITE setYMax)
    Q_PROPERTY(bool yLabels READ yLabels WRITE setYLabels)
    Q_PROPERTY(QString xName READ xName WRITE setXName)
    Q_PROPERTY(QString yName READ yName WRITE setYName)
    Q_PROPERTY(bool zoomable READ zoomable WRITE setZoomable)
    Q_PROPERTY(bool compact READ compact WRITE setCompact)

public:
    explicit GraphControl(QWidget* parent = nullptr);
    ~GraphControl() override;

    const GraphModel& model() const { return model_; }

    int plotXY(const double* x, const std::uint16_t* y, int count, int plotStyle, int pointStyle,
               int lineStyle, int color);
    int plotRectangle(double x1, double y1, double x2, double y2, int frameColor, int fillColor);
    bool deletePlot(int handle);  // -1: all
    bool setAxis(int axis, int mode, double min, double max);
    void setCursor(int cursor, double x, double y);
    bool setCursorPointStyle(int cursor, int style);
    bool setAxisName(int axis, const std::string& name);  // x or left y
    bool setPlotLegend(int handle, const std::string& text);

    QString caption() const { return caption_; }
    void setCaption(const QString& c);
    double xMin() const { return model_.xAxis.min; }
    double xMax() const { return model_.xAxis.max; }
    double yMin() const { return model_.yLeft.min; }
    double yMax() const { return model_.yLeft.max; }
    void setXMin(double v);
    void setXMax(double v);
    void setYMin(double v);
    void setYMax(double v);
    bool yLabels() const { return yLabels_; }
    void setYLabels(bool on);
    QString xName() const { return QString::fromStdString(model_.xName); }
    QString yName() const { return QString::fromStdString(model_.yName); }
    void setXName(const QString& n) { setAxisName(VAL_XAXIS, n.toStdString()); }
    void setYName(const QString& n) { setAxisName(VAL_LEFT_YAXIS, n.toStdString()); }
    bool zoomable() const { return zoomable_; }
    void setZoomable(bool on);
    // Too low for a title row under the ticks: the x title sits inside, top right.
    bool compact() const { return compact_; }
    void setCompact(bool on);
    // The operator has zoomed or panned: the plot shows the operator's range.
    bool handView() const { return handView_; }

    QCustomPlot* plot() const { return plot_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void scheduleRedraw();
    virtual void rebuild();  // the plot from the model
    // Caption, axis titles, legend and read-out, after the plots are added;
    // the accessible description says what the graph now shows.
    void drawTexts();
    // The legend holds `named`, in order, made again only when they change.
    void keepLegend(const std::vector<QCPGraph*>& named);
    // The program's range, unless the operator's view holds.
    void applyRange(QCPAxis* axis, double lo, double hi);
    GraphModel model_;
    QCustomPlot* plot_ = nullptr;
    // The graphs and names the legend holds now. A legend made anew is laid
    // out anew, which costs more than the curves themselves: the graphs and
    // their entries are kept from one repaint to the next.
    std::vector<std::pair<QCPGraph*, QString>> legendShown_;

private:
    void readOut(QPointF at);
    QString caption_;
    QString readout_;  // the point under the mouse, empty when it is elsewhere
    bool yLabels_ = true;
    bool zoomable_ = false, compact_ = false;
    bool handView_ = false;
    bool settingRange_ = false;
    bool redrawPending_ = false;
    QElapsedTimer sinceRebuild_;
};

class StripChartControl : public GraphControl {
    Q_OBJECT
    Q_PROPERTY(int traces READ traces WRITE setTraces)

public:
    explicit StripChartControl(QWidget* parent = nullptr);

    // `data` holds `count` values interleaved by trace, `numTraces` a sample.
    void plotStrip(const double* data, int count, int start, int skip);
    bool setTrace(int trace, int attribute, int value);
    bool setChartAttribute(int attribute, int value);
    bool setTraceLegend(int trace, const std::string& text);
    int traces() const { return model_.numTraces; }
    void setTraces(int n) { setChartAttribute(ATTR_NUM_TRACES, n); }

protected:
    void rebuild() override;

private:
    std::vector<QCPGraph*> traceGraphs_;  // one a trace, owned by the plot
};

}  // namespace platform
