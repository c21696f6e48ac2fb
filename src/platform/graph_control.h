// Graph and strip-chart controls over QCustomPlot. Each keeps a model of what
// it shows (plots, rectangles, cursors, axes, traces); drawing follows the
// model at most kMaxScreenRate times a second however many changes came in;
// the model itself always holds the latest change.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include "platform/graph_model.h"
#include "platform/panels.h"

class QCustomPlot;
class QCPTextElement;

namespace platform {

class GraphControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(double xMin READ xMin WRITE setXMin)
    Q_PROPERTY(double xMax READ xMax WRITE setXMax)
    Q_PROPERTY(double yMin READ yMin WRITE setYMin)
    Q_PROPERTY(double yMax READ yMax WRITE setYMax)
    Q_PROPERTY(bool yLabels READ yLabels WRITE setYLabels)

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

    QCustomPlot* plot() const { return plot_; }

protected:
    void scheduleRedraw();
    virtual void rebuild();  // the plot from the model
    void drawCaption();      // the caption inside the plot's top-left corner
    GraphModel model_;
    QCustomPlot* plot_ = nullptr;

private:
    QString caption_;
    QCPTextElement* title_ = nullptr;
    bool yLabels_ = true;
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
    int traces() const { return model_.numTraces; }
    void setTraces(int n) { setChartAttribute(ATTR_NUM_TRACES, n); }

protected:
    void rebuild() override;
};

}  // namespace platform
