// What the drawing calls leave on the bar graphs (peak bar, cursors, tolerance
// bands, value colours and displays) and on the video and data curve graphs.
// The band, target and tolerance rules themselves are tested in
// tests/unit/test_rules.cpp; here one case per behaviour checks the wiring.

#include <qcustomplot.h>

#include <QTest>

#include "app_fixture.h"
#include "platform/graph_control.h"

using namespace kbex_test;
using namespace core;
using platform::GraphModel;
using BarGraph = ProgramTest;
using CurveGraph = ProgramTest;

// A live frame and the set it is measured against. By default a quiet frame
// on a 2048-pixel line, channel A alone, target teachA 1000 (teachB 1200),
// tolerances 20/20 from the set, one edge on each sensor.
struct Frame {
    std::uint16_t cvp = 2048, mode = 1, hwMode = 0, teachA = 1000, teachB = 1200, tolUp = 20, tolLo = 20;
    std::uint16_t a = 1000, b = 1200, m = 1000, peakA = 10, peakB = 10, poti = 0, max = 0, min = 0;
    std::int32_t um = 0;
    std::uint32_t calibA = 1024;
};
static void Draw(const Frame& f) {
    ccdvirtpixel = f.cvp;
    std::tie(parameter[kEvalMode], parameter[kHardwareMode], parameter[kTeachA], parameter[kTeachB],
             parameter[kTolUpPix], parameter[kTolLoPix]) =
        std::tuple(f.mode, f.hwMode, f.teachA, f.teachB, f.tolUp, f.tolLo);
    Put32(parameter, kCalibA, f.calibA);
    std::tie(Aval, Bval, Mvalue, peakwA, peakwB, poti, anaMax, anaMin, umValue) =
        std::tuple(f.a, f.b, f.m, f.peakA, f.peakB, f.poti, f.max, f.min, f.um);
    edcntA = edcntB = 1;
    PlotVIDEOBarGraph();
}

static Rect Bar(double lo, double hi) {
    return {lo, 0.25, hi, 1.0, VAL_RED, VAL_RED};
}
static Rect TolBand(double lo, double hi) {
    return {lo, 0.0, hi, 0.35, VAL_GREEN, VAL_GREEN};
}

// Where cursor `n` was placed, or -1, -1.
static std::pair<double, double> At(const GraphModel& g, int n) {
    const auto it = g.cursors.find(n);
    return it != g.cursors.end() && it->second.placed ? std::pair{it->second.x, it->second.y}
                                                      : std::pair{-1.0, -1.0};
}

static std::array<double, 3> Manual(double max) {
    return {VAL_MANUAL, 0.0, max};
}

TEST_F(BarGraph, FrameReplacesDisplaysCursorsBarsAndBandsByTheToleranceInForceAndModes3And4ShowTheDeviation) {
    const GraphModel &master = Graph(PANEL_GRAPHBarMaster), &slave = Graph(PANEL_GRAPHBarSlave);
    Draw(
        {.teachA = 777, .teachB = 888, .a = 1001, .b = 1202, .m = 1003, .max = 1500, .min = 400, .um = -500});
    EXPECT_EQ(Values(Val<int>(pHandle, PANEL_NUMAval), Val<int>(pHandle, PANEL_NUMBval),
                     Val<int>(pHandle, PANEL_NUMMvalue), Val<int>(pHandle, PANEL_NUMAnaMax),
                     Val<int>(pHandle, PANEL_NUMAnaMin), Val<int>(pPara1, PARA1_NUMTeachA),
                     Val<int>(pPara2, PARA2_NUMTeachB), Val<double>(pHandle, PANEL_NUMValueMM)),
              Values(1001, 1202, 1003, 1500, 400, 777, 888, -0.5));

    // The next frame replaces it all. The cursors hold to the line, the bars
    // sit where the sensor saw the spot; an odd width loses its remainder.
    // A line of 1024 pixels: neither 2048 nor the start value 4096.
    Draw({.cvp = 1024, .tolUp = 30, .a = 0, .b = 1100, .peakA = 4, .peakB = 7});
    // The band's 1030 is drawn to the line end.
    EXPECT_EQ(Rects(master), (std::vector<Rect>{Bar(-2, 2), TolBand(980, 1024)}));
    EXPECT_EQ(Rects(slave), (std::vector<Rect>{Bar(1097, 1103)}));
    EXPECT_EQ((std::vector{At(master, 1), At(master, 2), At(slave, 1), At(slave, 2)}),
              (std::vector<std::pair<double, double>>{{1, 0.75}, {1, 0.75}, {1024, 0.75}, {1024, 0.75}}));
    EXPECT_EQ(std::pair(Range(master.xAxis), Range(slave.xAxis)), std::pair(Manual(1024), Manual(1024)));

    // The tolerance window adds bands at the positions passed, from the
    // tolerance in force (30/20 of the frame), not from the set or the spots.
    parameter[kTeachB] = 800;
    parameter[kTolUpPix] = parameter[kTolLoPix] = 300;
    Aval = Bval = 1;
    PlotTOLWindow(2, 500, 700);
    EXPECT_EQ(Rects(master), (std::vector<Rect>{Bar(-2, 2), TolBand(980, 1024), TolBand(790, 815)}));
    EXPECT_EQ(Rects(slave), (std::vector<Rect>{Bar(1097, 1103), TolBand(990, 1015)}));
    // Mode 2 follows the deviation only while both sensors see edges; else
    // the bands sit at the teach values.
    for (auto [a, b] : {std::pair{0, 1}, std::pair{1, 0}}) {
        std::tie(edcntA, edcntB) = std::pair(a, b);
        PlotTOLWindow(2, 500, 700);
        EXPECT_EQ(std::pair(Rects(master).back(), Rects(slave).back()),
                  std::pair(TolBand(990, 1015), TolBand(790, 815)));
    }

    // Which values are inside is the tolerance rule's table; here the tolerance
    // in force colours both displays, sizes the band and the millimetre limits in
    // channel A's scale (192 um per pixel: the high word counts). The set has
    // 20/10, the potentiometer 30 both ways; the set keeps its own.
    const std::tuple<std::uint16_t, std::uint16_t, int, double, double, Rect> cases[] = {
        {0, 989, VAL_RED, 3.84, 1.92, TolBand(990, 1020)},
        {1, 1025, VAL_DK_GREEN, 5.76, 5.76, TolBand(970, 1030)}};
    for (auto [hardwareMode, m, colour, upMM, loMM, band] : cases) {
        Draw({.hwMode = hardwareMode, .tolLo = 10, .m = m, .poti = 30, .calibA = 0x30000});
        EXPECT_EQ(
            Values(Attr(pHandle, PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR),
                   Attr(pHandle, PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR), Val<double>(pHandle, PANEL_NUMTolUpMM),
                   Val<double>(pHandle, PANEL_NUMTolLoMM), parameter[kTolUpPix], parameter[kTolLoPix]),
            Values(colour, colour, upMM, loMM, 20, 10))
            << "hardware mode " << hardwareMode;
        EXPECT_EQ(Rects(master).back(), band);
    }

    // Modes 3 and 4 show the deviation on one graph.
    // Mvalue before and after the frame; cursor 2 on each graph (the other
    // one's stays at the position) and its point style there.
    const std::tuple<std::uint16_t, std::uint16_t, double, double, int, int> steps[] = {
        {4196, 4096, 2048, 900, VAL_SOLID_SQUARE, VAL_NO_POINT},  // above 2 x cvp: clipped
        {1500, 1500, 700, 548, VAL_NO_POINT, VAL_SOLID_SQUARE},   // below the line: the shortfall
        {2500, 2500, 452, 900, VAL_SOLID_SQUARE, VAL_NO_POINT},   // above it again
        {2048, 2048, 700, 900, VAL_NO_POINT, VAL_NO_POINT},       // exactly on it: neither
    };
    for (std::uint16_t mode : {3, 4})
        for (const auto& [m, kept, masterX, slaveX, masterStyle, slaveStyle] : steps) {
            Draw({.mode = mode, .a = 700, .b = 900, .m = m});
            EXPECT_EQ(
                std::tuple(Mvalue, At(master, 2), At(slave, 2), master.cursors.at(2).pointStyle,
                           slave.cursors.at(2).pointStyle),
                std::tuple(kept, std::pair{masterX, 0.75}, std::pair{slaveX, 0.75}, masterStyle, slaveStyle))
                << "evalMode " << mode << " Mvalue " << m;
        }
}

TEST_F(CurveGraph, EachRedrawReplacesItsCurvesInOrderAndColourOnItsValueRangeAndLeavesXAlone) {
    ccdvirtpixel = 2560;  // neither the converter's range nor the start value 4096
    std::uint16_t values[128], threshold[128];
    double x[128];
    for (int i = 0; i < 128; ++i) {
        values[i] = static_cast<std::uint16_t>(2000 - i);  // beyond the video range
        threshold[i] = 128;
        x[i] = 16.0 * i + 8.0;
    }
    // Every line its own value, so that one drawn for another shows.
    std::uint16_t* lines[] = {trgBUFA, upTHDA, refTHDA, loTHDA, trgBUFB, upTHDB, refTHDB, loTHDB};
    for (int k = 0; k < 8; ++k)
        std::fill_n(lines[k], 128, static_cast<std::uint16_t>(100 * k + 11));
    const int graphs[] = {PANEL_GRAPHVideoMaster, PANEL_GRAPHVideoSlave, PANEL_GRAPHDataMaster,
                          PANEL_GRAPHDataSlave};
    std::vector<std::array<double, 3>> xBefore;
    for (int graph : graphs)
        xBefore.push_back(Range(Graph(graph).xAxis));
    for (std::uint16_t adc : {256, 1024}) {  // a 10-bit converter shows at the next redraw
        ADCMAX = adc;
        PlotVIDEOCurveA(values, threshold, x);
        PlotVIDEOCurveB(values, threshold, x);
        PlotDATACurveA(values, x);
        PlotDATACurveB(values, x);
    }
    // Points and colour of each curve, in drawing order: the video and its
    // threshold; the trigger, upper, reference and lower lines and the values.
    const std::vector<int> videoColours = {VAL_RED, VAL_DK_GREEN},
                           dataColours = {VAL_GRAY, VAL_DK_GREEN, VAL_BLACK, VAL_DK_GREEN, VAL_RED};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(testing::Message() << "graph " << graphs[k]);
        const GraphModel& g = Graph(graphs[k]);
        const std::vector<int>& colours = k < 2 ? videoColours : dataColours;
        ASSERT_EQ(g.plots.size(), colours.size());
        for (std::size_t c = 0; c < g.plots.size(); ++c) {
            const std::uint16_t* y = k < 2   ? (c ? threshold : values)
                                     : c < 4 ? lines[4 * (k - 2) + c]
                                             : values;
            EXPECT_EQ(g.plots[c].color, colours[c]) << "curve " << c;
            EXPECT_EQ(g.plots[c].x, std::vector<double>(x, x + 128)) << "curve " << c;
            EXPECT_EQ(g.plots[c].y, std::vector<double>(y, y + 128)) << "curve " << c;
        }
        // A fixed range, never widened to fit the data: the converter's for
        // video, the line's for data. X untouched.
        EXPECT_EQ(std::tuple(Range(g.yLeft), Range(g.yRight), Range(g.xAxis)),
                  std::tuple(Manual(k < 2 ? 1024 : 2560), Manual(k < 2 ? 1024 : 2560), xBefore[k]));
    }
}

using StripChart = ProgramTest;

// The switch shows the measurement (traces 1-5: target, value, limits,
// analogue output) or the two positions (6, 7); Zoom narrows the measurement
// axis around the value and its limits.
TEST_F(StripChart, SwitchChoosesTheTracesZoomNarrowsTheAxisAndEachTraceKeepsItsColour) {
    const GraphModel& strip = Graph(PANEL_STRIPRaw);
    const Frame f{.mode = 1, .teachA = 1000, .a = 1003, .m = 1040};
    for (auto [measurement, zoomed] : {std::pair{0, 0}, {1, 0}, {1, 1}}) {
        SCOPED_TRACE(testing::Message() << "switch " << measurement << " zoom " << zoomed);
        SetCtrlVal(pHandle, PANEL_SWITCHRawTraces, measurement);
        SetCtrlVal(pHandle, PANEL_TOGBTN_Zoom, zoomed);
        Draw(f);
        PlotRAWGraph();
        const std::vector<int> shown =
            measurement ? std::vector<int>{1, 1, 1, 1, 1, 0, 0} : std::vector<int>{0, 0, 0, 0, 0, 1, 1};
        EXPECT_EQ(strip.traceVisible, shown);
        const ZoomRange zoom = StripZoom(DeriveTarget(parameter, ccdvirtpixel, poti, tVal), Mvalue, YAXISMAX);
        const std::array<double, 3> axis =
            !measurement ? Manual(ccdvirtpixel)
            : !zoomed    ? Manual(YAXISMAX)
                         : std::array<double, 3>{VAL_MANUAL, double(zoom.bottom), double(zoom.top)};
        EXPECT_EQ(Range(strip.yLeft), axis);
    }
    EXPECT_EQ(strip.traceColor, (std::vector<int>{VAL_BLACK, VAL_RED, VAL_RED, VAL_DK_GREEN, VAL_DK_GREEN,
                                                  VAL_DK_GREEN, VAL_BLUE}));
}

static QCustomPlot* Plot(int control) {
    return static_cast<platform::GraphControl*>(platform::CtrlWidget(pHandle, control))->plot();
}
// What a graph shows in words: axis titles, texts in the plot (caption, a
// compact x title, the read-out) and the legend's entries.
static QStringList Texts(int control) {
    QCustomPlot* plot = Plot(control);
    QStringList t{plot->xAxis->label(), plot->yAxis->label()};
    for (int i = 0; i < plot->itemCount(); ++i)
        if (auto* text = qobject_cast<QCPItemText*>(plot->item(i)))
            t << text->text();
    for (int i = 0; plot->legend->visible() && i < plot->legend->itemCount(); ++i)
        t << static_cast<QCPPlottableLegendItem*>(plot->legend->item(i))->plottable()->name();
    return t;
}

TEST_F(CurveGraph, EveryGraphTitlesItsAxesWithUnitsAndNamesEachCurveShownInALegend) {
    const QStringList video{"CCD pixel [px]", "video signal [ADC counts]"},
        data{"scan index", "measured value [px]"}, strip{"sample index"};
    const std::tuple<int, int, QStringList> graphs[] = {
        {PANEL_GRAPHBarMaster, 1, {"", "", "MASTER (A)", "position [px]"}},
        {PANEL_GRAPHBarSlave, 1, {"", "", "SLAVE (B)", "position [px]"}},
        {PANEL_GRAPHVideoMaster, 1,
         video + QStringList{"VIDEO signal MASTER (A)", "video signal", "threshold"}},
        {PANEL_GRAPHVideoSlave, 1,
         video + QStringList{"VIDEO signal SLAVE (B)", "video signal", "threshold"}},
        {PANEL_GRAPHDataMaster, 1,
         data + QStringList{"DATA buffer MASTER (A)", "trigger", "upper limit", "reference", "lower limit",
                            "values"}},
        {PANEL_GRAPHDataSlave, 1,
         data + QStringList{"DATA buffer SLAVE (B)", "trigger", "upper limit", "reference", "lower limit",
                            "values"}},
        {PANEL_STRIPRaw, 1,
         strip + QStringList{"value [px]", "Measurement history", "target", "value", "analogue output",
                             "upper limit", "lower limit"}},
        {PANEL_STRIPRaw, 0,
         strip + QStringList{"peak position [px]", "Measurement history", "position A", "position B"}},
    };
    for (const auto& [graph, measurement, texts] : graphs) {
        SetCtrlVal(pHandle, PANEL_SWITCHRawTraces, measurement);
        ShowZoom();
        PlotRAWGraph();
        Pump(0.05);
        EXPECT_EQ(Texts(graph).join(" | ").toStdString(), texts.join(" | ").toStdString());
    }
}

// The operator's wheel zoom holds through the program's redraws, which go on
// into the model, until a double click brings back the program's last range.
TEST_F(CurveGraph, WheelZoomHoldsThroughRedrawsUntilADoubleClickAndThePointUnderTheMouseIsReadOut) {
    const int graph = PANEL_GRAPHVideoMaster;
    for (auto [control, visible] : {std::pair{graph, 1}, {PANEL_STRIPRaw, 0}})
        SetCtrlAttribute(pHandle, control, ATTR_VISIBLE, visible);
    for (int i = 0; i < 128; ++i)
        std::tie(xArray8[i], adcbufA[i], thdArrayA[i]) = std::tuple(32.0 * i, i / 3 == 12 ? 220 : 20, 100);
    QCustomPlot* plot = Plot(graph);
    const auto shown = [plot] { return std::pair(plot->xAxis->range(), plot->yAxis->range()); };
    const QPointF at = plot->axisRect()->center();
    QWheelEvent wheel(at, plot->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(plot, &wheel);
    const auto zoomed = shown();
    EXPECT_LT(zoomed.first.size(), Graph(graph).xAxis.max - Graph(graph).xAxis.min);
    ADCMAX = 1024;
    PlotVIDEOCurveA(adcbufA, thdArrayA, xArray8);
    const QPointF point(plot->xAxis->coordToPixel(1000), plot->yAxis->coordToPixel(100));
    QMouseEvent move(QEvent::MouseMove, point, plot->mapToGlobal(point), Qt::NoButton, {}, {});
    QCoreApplication::sendEvent(plot, &move);
    Pump(0.05);
    EXPECT_EQ(shown(), zoomed);
    EXPECT_EQ(Range(Graph(graph).yLeft), Manual(1024));
    EXPECT_TRUE(Texts(graph).contains("x = 1000 px, y = 100 ADC counts"))
        << Texts(graph).join(" | ").toStdString();
    EXPECT_TRUE(SavePanelImage(pHandle, "video-hand-zoom.png"));
    QTest::mouseDClick(plot, Qt::LeftButton, {}, at.toPoint());
    Pump(0.05);
    EXPECT_EQ(shown(),
              std::pair(QCPRange(Graph(graph).xAxis.min, Graph(graph).xAxis.max), QCPRange(0, 1024)));
}

// Zoom narrows video to the threshold and data to its curves at the press.
TEST_F(CurveGraph, ZoomNarrowsVideoToItsThresholdAndDataToItsCurvesAtOnce) {
    for (int i = 0; i < 128; ++i)
        mvalBUFA[i] = static_cast<std::uint16_t>(990 + i % 7 * 10);
    for (auto [line, v] : {std::pair{upTHDA, 1080}, {refTHDA, 1000}, {loTHDA, 960}, {thdArrayA, 40}})
        std::fill_n(line, 128, static_cast<std::uint16_t>(v));
    for (auto [graph, visible] :
         {std::pair{PANEL_GRAPHDataMaster, 1}, {PANEL_GRAPHDataSlave, 1}, {PANEL_STRIPRaw, 0}})
        SetCtrlAttribute(pHandle, graph, ATTR_VISIBLE, visible);
    const auto y = [](int graph) { return Range(Graph(graph).yLeft); };
    const auto window = [](ZoomRange z) {
        return std::array<double, 3>{VAL_MANUAL, 1.0 * z.bottom, 1.0 * z.top};
    };
    ASSERT_TRUE(Click(pHandle, PANEL_TOGBTN_Zoom));
    EXPECT_EQ(std::pair(y(PANEL_GRAPHVideoMaster), y(PANEL_GRAPHDataMaster)),
              std::pair(window(VideoZoom(40, ADCMAX)),
                        window(DataZoom({mvalBUFA, upTHDA, refTHDA, loTHDA}, ccdvirtpixel))));
    Pump(0.05);
    EXPECT_TRUE(SavePanelImage(pHandle, "data-zoomed.png"));
    ASSERT_TRUE(Click(pHandle, PANEL_TOGBTN_Zoom));
    EXPECT_EQ(std::pair(y(PANEL_GRAPHVideoMaster), y(PANEL_GRAPHDataMaster)),
              std::pair(Manual(ADCMAX), Manual(ccdvirtpixel)));
}

// A screen reader hears, beside a graph's name, what it shows now: the range
// of each curve, the latest value of each trace, the marked position.
TEST_F(CurveGraph, EachGraphDescribesWhatItShowsWithItsLatestValueOrRange) {
    for (int i = 0; i < 128; ++i)
        std::tie(xArray8[i], adcbufA[i], thdArrayA[i], mvalBUFA[i]) =
            std::tuple(32.0 * i, i / 3 == 12 ? 220 : 20, 100, 990 + i % 3 * 10);
    Draw({.a = 1000, .b = 1234, .m = 1010});
    ShowZoom();
    PlotRAWGraph();
    Pump(0.05);
    const std::pair<int, const char*> graphs[] = {
        {PANEL_GRAPHBarMaster, "position 1000 px"},
        {PANEL_GRAPHBarSlave, "position 1234 px"},
        {PANEL_GRAPHVideoMaster,
         "video signal 20 to 220 ADC counts, threshold 100 ADC counts, "
         "over CCD pixel 0 to 4064 px"},
        {PANEL_STRIPRaw,
         "target 1000 px, value 1010 px, analogue output 1010 px, upper limit 1020 px, "
         "lower limit 980 px"},
    };
    for (auto [graph, text] : graphs)
        EXPECT_EQ(platform::CtrlWidget(pHandle, graph)->accessibleDescription().toStdString(), text);
    EXPECT_NE(platform::CtrlWidget(pHandle, PANEL_GRAPHDataMaster)
                  ->accessibleDescription()
                  .indexOf("values 990 to 1010 px"),
              -1);
}
