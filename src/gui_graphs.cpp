// Drawing: the bar graphs with their tolerance windows, the video and data
// curves and the strip chart of the live values.
#include <algorithm>
#include <iterator>
#include <span>
#include <utility>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "core/rules.h"
#include "gui.h"
#include "platform/panels.h"

std::uint16_t tVal, tolup, tollo, curposA, curposB;

using namespace core;

double arrayNORM[kStripTraces * kStripSamples];

namespace {

// The displays of the live words; grey while their values are old.
constexpr int kLiveNumbers[] = {PANEL_NUMAval,    PANEL_NUMBval,   PANEL_NUMMvalue,
                                PANEL_NUMValueMM, PANEL_NUMAnaMax, PANEL_NUMAnaMin};
bool stale = false;
// Their own text colours, given back as fresh values come (a dark palette has
// light text, so black would vanish).
int freshColour[std::size(kLiveNumbers)];

void PeakBars(int colour) {
    PlotRectangle(pHandle, PANEL_GRAPHBarMaster, Aval - peakwA / 2, 0.25, Aval + peakwA / 2, 1.0, colour,
                  colour);
    PlotRectangle(pHandle, PANEL_GRAPHBarSlave, Bval - peakwB / 2, 0.25, Bval + peakwB / 2, 1.0, colour,
                  colour);
}

}  // namespace

void ShowLiveValuesStale() {
    for (std::size_t i = 0; i < std::size(kLiveNumbers); ++i) {
        if (!stale)
            GetCtrlAttribute(pHandle, kLiveNumbers[i], ATTR_TEXT_COLOR, freshColour[i]);
        SetCtrlAttribute(pHandle, kLiveNumbers[i], ATTR_TEXT_COLOR, VAL_GRAY);
    }
    stale = true;
    for (int c : {PANEL_NUMValueMM, PANEL_NUMMvalue})
        SetCtrlAttribute(pHandle, c, ATTR_TEXT_BGCOLOR, VAL_LT_GRAY);
    DeleteGraphPlot(pHandle, PANEL_GRAPHBarMaster, -1, 0);
    DeleteGraphPlot(pHandle, PANEL_GRAPHBarSlave, -1, 0);
    PeakBars(VAL_GRAY);
    PlotTOLWindow(parameter[kEvalMode], curposA, curposB);
}

void PlotVIDEOBarGraph() {
    const std::uint16_t cvp = ccdvirtpixel;
    if (std::exchange(stale, false))
        for (std::size_t i = 0; i < std::size(kLiveNumbers); ++i)
            SetCtrlAttribute(pHandle, kLiveNumbers[i], ATTR_TEXT_COLOR, freshColour[i]);
    SetCtrlVal(pHandle, PANEL_NUMBval, Bval);
    SetCtrlVal(pHandle, PANEL_NUMAval, Aval);
    SetCtrlVal(pHandle, PANEL_NUMMvalue, Mvalue);
    SetCtrlVal(pPara1, PARA1_NUMTeachA, parameter[kTeachA]);
    SetCtrlVal(pPara2, PARA2_NUMTeachB, parameter[kTeachB]);
    SetCtrlVal(pHandle, PANEL_NUMAnaMax, anaMax);
    SetCtrlVal(pHandle, PANEL_NUMAnaMin, anaMin);

    const Derived d = DeriveTarget(parameter, cvp, poti, tVal);
    tVal = d.tVal;
    tolup = d.tolup;
    tollo = d.tollo;

    // The statistics judge each frame by the very verdict its colour shows.
    const bool within = WithinTolerance(Mvalue, d);
    const Limits limits = ToleranceLimits(d);
    AddFrameToStats(umValue / 1000.0, Mvalue, within, {limits.lower, d.tVal, limits.upper});
    const int colour = within ? VAL_DK_GREEN : VAL_RED;
    SetCtrlAttribute(pHandle, PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR, colour);
    SetCtrlAttribute(pHandle, PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR, colour);

    const double calibA = Get32(parameter, kCalibA);
    SetCtrlVal(pHandle, PANEL_NUMValueMM, umValue / 1000.0);
    SetCtrlVal(pHandle, PANEL_NUMTolUpMM, calibA * tolup / 1024000.0);
    SetCtrlVal(pHandle, PANEL_NUMTolLoMM, calibA * tollo / 1024000.0);

    curposA = std::clamp<std::uint16_t>(Aval, 1, std::max<std::uint16_t>(cvp, 1));
    curposB = std::clamp<std::uint16_t>(Bval, 1, std::max<std::uint16_t>(cvp, 1));

    SetAxisScalingMode(pHandle, PANEL_GRAPHBarMaster, VAL_XAXIS, VAL_MANUAL, 0.0, cvp);
    SetAxisScalingMode(pHandle, PANEL_GRAPHBarSlave, VAL_XAXIS, VAL_MANUAL, 0.0, cvp);
    DeleteGraphPlot(pHandle, PANEL_GRAPHBarMaster, -1, 0);
    DeleteGraphPlot(pHandle, PANEL_GRAPHBarSlave, -1, 0);
    SetGraphCursor(pHandle, PANEL_GRAPHBarMaster, 1, curposA, 0.75);
    SetGraphCursor(pHandle, PANEL_GRAPHBarSlave, 1, curposB, 0.75);
    SetGraphCursor(pHandle, PANEL_GRAPHBarMaster, 2, curposA, 0.75);
    SetGraphCursor(pHandle, PANEL_GRAPHBarSlave, 2, curposB, 0.75);

    // The bars sit at the unclamped positions; an odd width loses its remainder.
    PeakBars(VAL_RED);

    const std::uint16_t mode = parameter[kEvalMode];
    if (mode == 3 || mode == 4) {
        const int c = cvp;
        if (Mvalue > c) {
            SetCursorAttribute(pHandle, PANEL_GRAPHBarSlave, 2, ATTR_CURSOR_POINT_STYLE, VAL_NO_POINT);
            SetCursorAttribute(pHandle, PANEL_GRAPHBarMaster, 2, ATTR_CURSOR_POINT_STYLE, VAL_SOLID_SQUARE);
            if (Mvalue > 2 * c)
                Mvalue = static_cast<std::uint16_t>(2 * c);
            SetGraphCursor(pHandle, PANEL_GRAPHBarMaster, 2, Mvalue - c, 0.75);
        } else if (Mvalue < c) {
            SetCursorAttribute(pHandle, PANEL_GRAPHBarMaster, 2, ATTR_CURSOR_POINT_STYLE, VAL_NO_POINT);
            SetCursorAttribute(pHandle, PANEL_GRAPHBarSlave, 2, ATTR_CURSOR_POINT_STYLE, VAL_SOLID_SQUARE);
            SetGraphCursor(pHandle, PANEL_GRAPHBarSlave, 2, c - Mvalue, 0.75);
        } else {
            SetCursorAttribute(pHandle, PANEL_GRAPHBarMaster, 2, ATTR_CURSOR_POINT_STYLE, VAL_NO_POINT);
            SetCursorAttribute(pHandle, PANEL_GRAPHBarSlave, 2, ATTR_CURSOR_POINT_STYLE, VAL_NO_POINT);
        }
    }
    PlotTOLWindow(mode, curposA, curposB);
}

void PlotTOLWindow(int mode, int posA, int posB) {
    const Bands b = ToleranceBands({.mode = static_cast<std::uint16_t>(mode),
                                    .posA = static_cast<std::uint16_t>(posA),
                                    .posB = static_cast<std::uint16_t>(posB),
                                    .teachA = parameter[kTeachA],
                                    .teachB = parameter[kTeachB],
                                    .tolup = tolup,
                                    .tollo = tollo,
                                    .edcntA = edcntA,
                                    .edcntB = edcntB,
                                    .cvp = ccdvirtpixel});
    if (b.master.drawn)
        PlotRectangle(pHandle, PANEL_GRAPHBarMaster, b.master.lo, 0.0, b.master.hi, 0.35, VAL_GREEN,
                      VAL_GREEN);
    if (b.slave.drawn)
        PlotRectangle(pHandle, PANEL_GRAPHBarSlave, b.slave.lo, 0.0, b.slave.hi, 0.35, VAL_GREEN, VAL_GREEN);
}

namespace {

constexpr int kPoints = static_cast<int>(kMaxPoint);

bool Zoomed() {
    int zoomed = 0;
    GetCtrlVal(pHandle, PANEL_TOGBTN_Zoom, zoomed);
    return zoomed != 0;
}

void YRange(int graph, ZoomRange y) {
    SetAxisScalingMode(pHandle, graph, VAL_LEFT_YAXIS, VAL_MANUAL, y.bottom, y.top);
    SetAxisScalingMode(pHandle, graph, VAL_RIGHT_YAXIS, VAL_MANUAL, y.bottom, y.top);
}

void Curve(int graph, const double* x, const std::uint16_t* y, int plotStyle, int pointStyle, int lineStyle,
           int colour, const char* legend) {
    const int plot = PlotXY(pHandle, graph, x, y, kPoints, plotStyle, pointStyle, lineStyle, 1, colour);
    SetPlotAttribute(pHandle, graph, plot, ATTR_PLOT_LG_TEXT, legend);
}

void VideoCurve(int graph, const std::uint16_t* video, const std::uint16_t* threshold, const double* x) {
    // Zoomed, the graph shows the signal where it crosses the threshold.
    YRange(graph, Zoomed() ? VideoZoom(threshold[0], ADCMAX) : ZoomRange{0, ADCMAX});
    DeleteGraphPlot(pHandle, graph, -1, 1);
    Curve(graph, x, video, VAL_THIN_STEP, 10, VAL_SOLID, VAL_RED, "video signal");
    Curve(graph, x, threshold, VAL_THIN_STEP, 10, VAL_SOLID, VAL_DK_GREEN, "threshold");
}

struct DataLines {
    const std::uint16_t *trg, *up, *ref, *lo;
};

void DataCurve(int graph, const std::uint16_t* values, const double* x, const DataLines& l) {
    // Zoomed, the values fill the graph with the tolerance lines they are
    // judged by; the trigger line, usually far below them, is left out.
    const auto points = [](const std::uint16_t* p) { return std::span<const std::uint16_t>(p, kPoints); };
    YRange(graph, Zoomed()
                      ? DataZoom({points(values), points(l.up), points(l.ref), points(l.lo)}, ccdvirtpixel)
                      : ZoomRange{0, ccdvirtpixel});
    DeleteGraphPlot(pHandle, graph, -1, 1);
    Curve(graph, x, l.trg, VAL_THIN_STEP, 10, VAL_SOLID, VAL_GRAY, "trigger");
    Curve(graph, x, l.up, VAL_THIN_STEP, 10, VAL_SOLID, VAL_DK_GREEN, "upper limit");
    Curve(graph, x, l.ref, VAL_THIN_LINE, 0, VAL_DASH, VAL_BLACK, "reference");
    Curve(graph, x, l.lo, VAL_THIN_STEP, 0, VAL_SOLID, VAL_DK_GREEN, "lower limit");
    Curve(graph, x, values, VAL_THIN_STEP, 10, VAL_SOLID, VAL_RED, "values");
}

// Which traces the switch shows, under which title, and the y axis Zoom
// chooses for the measurement. Traces 1-5 are the measurement, 6 and 7 the
// two peak positions.
void StripView(const Derived& d) {
    unsigned short positions = 0;
    GetCtrlVal(pHandle, PANEL_SWITCHRawTraces, positions);
    for (int trace = 1; trace <= kStripTraces; ++trace)
        SetTraceAttribute(pHandle, PANEL_STRIPRaw, trace, ATTR_TRACE_VISIBLE,
                          (trace > 5) == (positions == 0));
    SetCtrlAttribute(pHandle, PANEL_STRIPRaw, ATTR_YNAME,
                     positions == 0 ? "peak position [px]" : "value [px]");
    const ZoomRange zoom = StripZoom(d, Mvalue, YAXISMAX);
    if (positions == 0)
        SetAxisScalingMode(pHandle, PANEL_STRIPRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, ccdvirtpixel);
    else if (!Zoomed())
        SetAxisScalingMode(pHandle, PANEL_STRIPRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, YAXISMAX);
    else
        SetAxisScalingMode(pHandle, PANEL_STRIPRaw, VAL_LEFT_YAXIS, VAL_MANUAL, zoom.bottom, zoom.top);
}

}  // namespace

void PlotVIDEOCurveA(const std::uint16_t* video, const std::uint16_t* threshold, const double* x) {
    VideoCurve(PANEL_GRAPHVideoMaster, video, threshold, x);
}

void PlotVIDEOCurveB(const std::uint16_t* video, const std::uint16_t* threshold, const double* x) {
    VideoCurve(PANEL_GRAPHVideoSlave, video, threshold, x);
}

void PlotDATACurveA(const std::uint16_t* values, const double* x) {
    DataCurve(PANEL_GRAPHDataMaster, values, x, {trgBUFA, upTHDA, refTHDA, loTHDA});
}

void PlotDATACurveB(const std::uint16_t* values, const double* x) {
    DataCurve(PANEL_GRAPHDataSlave, values, x, {trgBUFB, upTHDB, refTHDB, loTHDB});
}

void PlotRAWGraph() {
    const std::uint16_t analog = AnalogOutputValue(parameter[kAnaMode], Mvalue, anaMax, anaMin, YAXISMAX);
    const Derived d = DeriveTarget(parameter, ccdvirtpixel, poti, tVal);
    tVal = d.tVal;
    tolup = d.tolup;
    tollo = d.tollo;

    constexpr int n = kStripTraces * kStripSamples;
    Shift(arrayNORM, n, -kStripTraces, arrayNORM);
    const auto sample = StripSample(d, {Mvalue, analog, Aval, Bval}, YAXISMAX);
    std::copy(sample.begin(), sample.end(), arrayNORM + n - kStripTraces);
    StripView(d);

    SetCtrlAttribute(pHandle, PANEL_STRIPRaw, ATTR_POINTS_PER_SCREEN, kStripSamples + 1);
    SetCtrlAttribute(pHandle, PANEL_STRIPRaw, ATTR_SCROLL_MODE, 1);
    static constexpr int kTraceColour[kStripTraces] = {VAL_BLACK,    VAL_RED,      VAL_RED, VAL_DK_GREEN,
                                                       VAL_DK_GREEN, VAL_DK_GREEN, VAL_BLUE};
    static constexpr const char* kTraceName[kStripTraces] = {
        "target", "value", "analogue output", "upper limit", "lower limit", "position A", "position B"};
    for (int trace = 1; trace <= kStripTraces; ++trace) {
        SetTraceAttribute(pHandle, PANEL_STRIPRaw, trace, ATTR_TRACE_COLOR, kTraceColour[trace - 1]);
        SetTraceAttribute(pHandle, PANEL_STRIPRaw, trace, ATTR_TRACE_LG_TEXT, kTraceName[trace - 1]);
    }
    SetCtrlAttribute(pHandle, PANEL_STRIPRaw, ATTR_NUM_TRACES, kStripTraces);
    PlotStripChart(pHandle, PANEL_STRIPRaw, arrayNORM, n, 0, 0);
}

void ShowZoom() {
    PlotVIDEOCurveA(adcbufA, thdArrayA, xArray8);
    PlotVIDEOCurveB(adcbufB, thdArrayB, xArray8);
    PlotDATACurveA(mvalBUFA, xArrayMVAL);
    PlotDATACurveB(mvalBUFB, xArrayMVAL);
    StripView(DeriveTarget(parameter, ccdvirtpixel, poti, tVal));
}
