// What the drawing calls leave on the bar graphs (peak bar, cursors, tolerance
// bands, value colours and displays) and on the video and data curve graphs.
// The band, target and tolerance rules themselves are tested in
// tests/unit/test_rules.cpp; here one case per behaviour checks the wiring.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/panels.h"

using namespace kbex_test;
using namespace core;
using platform::GraphModel;
using platform::PlotItem;

namespace {

const GraphModel& Graph(int ctrl) {
    const GraphModel* m = platform::GetGraphModel(pHandle, ctrl);
    EXPECT_NE(m, nullptr) << "graph " << ctrl;
    static const GraphModel empty;
    return m ? *m : empty;
}
const GraphModel& Master() { return Graph(PANEL_GRAPHBarMaster); }
const GraphModel& Slave() { return Graph(PANEL_GRAPHBarSlave); }

template <typename T>
T Val(int panel, int ctrl) {
    T v{};
    EXPECT_EQ(GetCtrlVal(panel, ctrl, v), 0) << "control " << ctrl;
    return v;
}

// Background of both value displays; they must always agree.
int ValueColour() {
    int px = -1, mm = -2;
    GetCtrlAttribute(pHandle, PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR, px);
    GetCtrlAttribute(pHandle, PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR, mm);
    EXPECT_EQ(px, mm) << "pixel and millimetre displays coloured differently";
    return px;
}

// Fresh panels and a quiet live frame on a 2048-pixel line, tolerances 20/20
// from the parameter set, target teachA 1000 / teachB 1200.
void LiveFrame(std::uint16_t evalMode) {
    ResetProgram();
    ccdvirtpixel = 2048;
    parameter[kEvalMode] = evalMode;
    parameter[kHardwareMode] = 0;
    parameter[kTolUpPix] = parameter[kTolLoPix] = 20;
    parameter[kTeachA] = 1000;
    parameter[kTeachB] = 1200;
    Aval = Mvalue = 1000;
    Bval = 1200;
    edcntA = edcntB = 1;
    peakwA = peakwB = 10;
    umValue = poti = anaMax = anaMin = 0;
}

// Plot `k` of graph `g` is a rectangle from x1,y1 to x2,y2 in one colour.
void ExpectRect(const GraphModel& g, std::size_t k, double x1, double y1, double x2, double y2, int colour) {
    ASSERT_LT(k, g.plots.size()) << "no plot " << k;
    const PlotItem& p = g.plots[k];
    EXPECT_EQ(p.kind, PlotItem::Kind::Rectangle);
    EXPECT_EQ((std::vector<double>{p.x1, p.y1, p.x2, p.y2}), (std::vector<double>{x1, y1, x2, y2}));
    EXPECT_EQ(p.frameColor, colour);
    EXPECT_EQ(p.fillColor, colour);
}
void ExpectBand(const GraphModel& g, std::size_t k, double lo, double hi) {
    ExpectRect(g, k, lo, 0.0, hi, 0.35, VAL_GREEN);
}
void ExpectBar(const GraphModel& g, std::size_t k, double lo, double hi) {
    ExpectRect(g, k, lo, 0.25, hi, 1.0, VAL_RED);
}

void ExpectCursor(const GraphModel& g, int cursor, double x) {
    ASSERT_TRUE(g.cursors.count(cursor)) << "cursor " << cursor << " never placed";
    EXPECT_TRUE(g.cursors.at(cursor).placed);
    EXPECT_DOUBLE_EQ(g.cursors.at(cursor).x, x) << "cursor " << cursor;
    EXPECT_DOUBLE_EQ(g.cursors.at(cursor).y, 0.75) << "cursor " << cursor;
}

int CursorStyle(const GraphModel& g, int cursor) {
    auto it = g.cursors.find(cursor);
    return it == g.cursors.end() ? -1 : it->second.pointStyle;
}

// An XY curve of 128 points at `x` with the values `y`.
void ExpectCurve(const PlotItem& p, const double* x, const std::uint16_t* y, int plotStyle, int pointStyle,
                 int lineStyle, int colour) {
    EXPECT_EQ(p.kind, PlotItem::Kind::XY);
    EXPECT_EQ((std::vector<int>{p.plotStyle, p.pointStyle, p.lineStyle, p.color}),
              (std::vector<int>{plotStyle, pointStyle, lineStyle, colour}));
    EXPECT_EQ(p.x, std::vector<double>(x, x + 128));
    EXPECT_EQ(p.y, std::vector<double>(y, y + 128));
}

void ExpectAxis(const platform::AxisState& a, double max) {
    EXPECT_EQ(a.mode, VAL_MANUAL);
    EXPECT_DOUBLE_EQ(a.min, 0.0);
    EXPECT_DOUBLE_EQ(a.max, max);
}

}  // namespace

// --- bar graphs --------------------------------------------------------------------------

TEST(BarGraphDisplays, LiveWordsReachTheirOwnDisplaysAndTeachFieldsMicrometresSigned) {
    LiveFrame(1);
    Aval = 1001;
    Bval = 1202;
    Mvalue = 1003;
    umValue = -2500;
    anaMax = 1500;
    anaMin = 400;
    parameter[kTeachA] = 777;
    parameter[kTeachB] = 888;
    PlotVIDEOBarGraph();
    EXPECT_EQ(Val<int>(pHandle, PANEL_NUMAval), 1001);
    EXPECT_EQ(Val<int>(pHandle, PANEL_NUMBval), 1202);
    EXPECT_EQ(Val<int>(pHandle, PANEL_NUMMvalue), 1003);
    EXPECT_EQ(Val<int>(pHandle, PANEL_NUMAnaMax), 1500);
    EXPECT_EQ(Val<int>(pHandle, PANEL_NUMAnaMin), 400);
    EXPECT_EQ(Val<int>(pPara1, PARA1_NUMTeachA), 777);
    EXPECT_EQ(Val<int>(pPara2, PARA2_NUMTeachB), 888);
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMValueMM), -2.5);
}

TEST(BarGraphTolerances, ToleranceInForceFromSetOrPotiReachesMillimetresAndBandSetStaysUntouched) {
    LiveFrame(1);
    Put32(parameter, kCalibA, 0x30000);  // 192 um per pixel: the high word counts
    Put32(parameter, kCalibB, 1024);     // must not be used
    parameter[kTolUpPix] = 1000;
    parameter[kTolLoPix] = 5;
    PlotVIDEOBarGraph();
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMTolUpMM), 192.0);
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMTolLoMM), 0.96);

    parameter[kHardwareMode] = 1;  // the sensor's potentiometer
    poti = 30;
    PlotVIDEOBarGraph();
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMTolUpMM), 5.76);
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMTolLoMM), 5.76);
    ExpectBand(Master(), 1, 970.0, 1030.0);
    EXPECT_EQ(parameter[kTolUpPix], 1000);
    EXPECT_EQ(parameter[kTolLoPix], 5);
}

TEST(BarGraphToleranceColour, BothDisplaysGreenInsideRedOutsideAgainstTheTargetInForce) {
    LiveFrame(1);  // target teachA 1000
    parameter[kTolUpPix] = 20;
    parameter[kTolLoPix] = 10;
    // Each value is on the other side if the tolerances are swapped.
    for (auto [m, colour] : {std::pair{989, VAL_RED}, std::pair{1015, VAL_DK_GREEN}}) {
        Mvalue = static_cast<std::uint16_t>(m);
        PlotVIDEOBarGraph();
        EXPECT_EQ(ValueColour(), colour) << "Mvalue " << m;
    }
    parameter[kEvalMode] = 0;  // target teachB 1200
    PlotVIDEOBarGraph();
    EXPECT_EQ(ValueColour(), VAL_RED);

    // A target below the lower tolerance has the lower limit 0, not a wrapped one.
    LiveFrame(1);
    parameter[kTeachA] = 50;
    parameter[kTolLoPix] = 100;
    Mvalue = 0;
    PlotVIDEOBarGraph();
    EXPECT_EQ(ValueColour(), VAL_DK_GREEN);
}

TEST(BarGraphFrame, CursorsClampToTheLineTheBarDoesNotAndEachFrameReplacesThePrevious) {
    LiveFrame(1);
    ccdvirtpixel = 1024;  // neither 2048 nor the start value 4096
    parameter[kTolUpPix] = 30;
    Aval = 0;
    peakwA = 4;
    Bval = 1100;
    peakwB = 7;  // odd width: half width 3
    PlotVIDEOBarGraph();
    PlotVIDEOBarGraph();
    ExpectCursor(Master(), 1, 1.0);
    ExpectCursor(Master(), 2, 1.0);
    ExpectCursor(Slave(), 1, 1024.0);
    ExpectCursor(Slave(), 2, 1024.0);
    ASSERT_EQ(Master().plots.size(), 2u);  // bar, band
    ASSERT_EQ(Slave().plots.size(), 1u);   // bar only
    ExpectBar(Master(), 0, -2.0, 2.0);
    ExpectBar(Slave(), 0, 1097.0, 1103.0);
    ExpectBand(Master(), 1, 980.0, 1024.0);  // upper edge 1030 drawn to the line end
    ExpectAxis(Master().xAxis, 1024.0);
    ExpectAxis(Slave().xAxis, 1024.0);
}

TEST(BarGraphBands, ModeTwoBandsFollowTheDeviationOrTheTeachValuesWithoutEdgesAndZeroEntriesRiseInTheSet) {
    LiveFrame(2);
    Aval = 990;
    Bval = 1206;
    PlotVIDEOBarGraph();
    ExpectBand(Master(), 1, 982.0, 1002.0);
    ExpectBand(Slave(), 1, 1198.0, 1218.0);
    ExpectCursor(Slave(), 2, 1206.0);  // no deviation cursor outside modes 3 and 4

    for (auto [a, b] : {std::pair{0, 1}, std::pair{1, 0}}) {  // no edge on one sensor
        edcntA = static_cast<std::uint16_t>(a);
        edcntB = static_cast<std::uint16_t>(b);
        PlotVIDEOBarGraph();
        ExpectBand(Master(), 1, 990.0, 1010.0);
        ExpectBand(Slave(), 1, 1190.0, 1210.0);
    }

    // The raised zero tolerance entries stay in the set itself.
    parameter[kTolUpPix] = parameter[kTolLoPix] = 0;
    PlotVIDEOBarGraph();
    EXPECT_EQ(parameter[kTolUpPix], 1);
    EXPECT_EQ(parameter[kTolLoPix], 1);
}

TEST(BarGraphBands, AnOutsideModeKeepsTheLastTargetAndDrawsNoBand) {
    LiveFrame(5);
    tVal = 1234;
    PlotVIDEOBarGraph();
    EXPECT_EQ(tVal, 1234);
    EXPECT_EQ(Master().plots.size(), 1u);
    EXPECT_EQ(Slave().plots.size(), 1u);
}

TEST(BarGraphDeviationCursor, ModesThreeAndFourShowTheDeviationOnOneGraph) {
    struct Step {
        int m, kept;                  // Mvalue before and after the frame
        double masterX, slaveX;       // cursor 2; the other graph's stays at the position
        int masterStyle, slaveStyle;  // point style of cursor 2
    };
    const Step steps[] = {
        {4196, 4096, 2048, 900, VAL_SOLID_SQUARE, VAL_NO_POINT},  // above 2 x cvp: clipped
        {1500, 1500, 700, 548, VAL_NO_POINT, VAL_SOLID_SQUARE},   // below the line: the shortfall
        {2500, 2500, 452, 900, VAL_SOLID_SQUARE, VAL_NO_POINT},   // above it again
        {2048, 2048, 700, 900, VAL_NO_POINT, VAL_NO_POINT},       // exactly on it: neither
    };
    for (std::uint16_t mode : {3, 4}) {
        LiveFrame(mode);
        Aval = 700;
        Bval = 900;
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << "evalMode " << mode << " Mvalue " << s.m);
            Mvalue = static_cast<std::uint16_t>(s.m);
            PlotVIDEOBarGraph();
            EXPECT_EQ(Mvalue, s.kept);
            ExpectCursor(Master(), 2, s.masterX);
            ExpectCursor(Slave(), 2, s.slaveX);
            EXPECT_EQ(CursorStyle(Master(), 2), s.masterStyle);
            EXPECT_EQ(CursorStyle(Slave(), 2), s.slaveStyle);
        }
    }
}

TEST(BarGraphTolWindow, AddsBandsWithoutDeletingFromTheToleranceInForceAtThePositionsPassed) {
    LiveFrame(1);
    PlotVIDEOBarGraph();
    ASSERT_EQ(Master().plots.size(), 2u);
    ASSERT_EQ(Slave().plots.size(), 1u);
    parameter[kTolUpPix] = 300;  // not in force: the last derived 20/20 is
    parameter[kTolLoPix] = 300;
    Aval = Bval = 1;  // not these either
    PlotTOLWindow(2, 990, 1206);
    ASSERT_EQ(Master().plots.size(), 3u);
    ASSERT_EQ(Slave().plots.size(), 2u);
    ExpectBand(Master(), 2, 982.0, 1002.0);
    ExpectBand(Slave(), 1, 1198.0, 1218.0);
}

// --- curve graphs ------------------------------------------------------------------------

TEST(CurveGraphVideo, EachRedrawReplacesSignalAndThresholdOnTheConverterRange) {
    std::uint16_t video[128], threshold[128];
    double x[128];
    for (int i = 0; i < 128; ++i) {
        video[i] = static_cast<std::uint16_t>(2000 - i);  // beyond the range
        threshold[i] = 128;
        x[i] = 16.0 * i + 8.0;
    }
    for (auto [graph, plot] : {std::pair{PANEL_GRAPHVideoMaster, &PlotVIDEOCurveA},
                               std::pair{PANEL_GRAPHVideoSlave, &PlotVIDEOCurveB}}) {
        SCOPED_TRACE(testing::Message() << "graph " << graph);
        ResetProgram();
        const platform::AxisState xBefore = Graph(graph).xAxis;
        plot(video, threshold, x);
        ADCMAX = 1024;  // a 10-bit converter shows at the next redraw
        plot(video, threshold, x);
        const GraphModel& g = Graph(graph);
        ASSERT_EQ(g.plots.size(), 2u);
        ExpectCurve(g.plots[0], x, video, VAL_THIN_STEP, 10, VAL_SOLID, VAL_RED);
        ExpectCurve(g.plots[1], x, threshold, VAL_THIN_STEP, 10, VAL_SOLID, VAL_DK_GREEN);
        // The converter's range, never widened to fit the data; X untouched.
        ExpectAxis(g.yLeft, 1024.0);
        ExpectAxis(g.yRight, 1024.0);
        EXPECT_EQ(g.xAxis.mode, xBefore.mode);
        EXPECT_DOUBLE_EQ(g.xAxis.max, xBefore.max);
    }
}

TEST(CurveGraphData, EachRedrawReplacesFiveCurvesInDrawingOrderOverTheLineLength) {
    ResetProgram();
    ccdvirtpixel = 1024;  // neither 2048 nor the start value 4096
    std::uint16_t values[128];
    double x[128];
    const std::pair<std::uint16_t*, int> lines[] = {
        {trgBUFA, 11}, {upTHDA, 1100}, {refTHDA, 1000}, {loTHDA, 900},
        {trgBUFB, 22}, {upTHDB, 1300}, {refTHDB, 1200}, {loTHDB, 1150},
    };
    for (auto [line, v] : lines)
        std::fill_n(line, 128, static_cast<std::uint16_t>(v));
    for (int i = 0; i < 128; ++i) {
        values[i] = static_cast<std::uint16_t>(950 + i);
        x[i] = i + 1.0;
    }
    struct Channel {
        int graph;
        void (*plot)(const std::uint16_t*, const double*);
        const std::uint16_t *trg, *up, *ref, *lo;
    };
    for (const Channel& ch :
         {Channel{PANEL_GRAPHDataMaster, PlotDATACurveA, trgBUFA, upTHDA, refTHDA, loTHDA},
          Channel{PANEL_GRAPHDataSlave, PlotDATACurveB, trgBUFB, upTHDB, refTHDB, loTHDB}}) {
        SCOPED_TRACE(testing::Message() << "graph " << ch.graph);
        const platform::AxisState xBefore = Graph(ch.graph).xAxis;
        ch.plot(values, x);
        ch.plot(values, x);
        const GraphModel& g = Graph(ch.graph);
        ASSERT_EQ(g.plots.size(), 5u);
        ExpectCurve(g.plots[0], x, ch.trg, VAL_THIN_STEP, 10, VAL_SOLID, VAL_GRAY);
        ExpectCurve(g.plots[1], x, ch.up, VAL_THIN_STEP, 10, VAL_SOLID, VAL_DK_GREEN);
        ExpectCurve(g.plots[2], x, ch.ref, VAL_THIN_LINE, 0, VAL_DASH, VAL_BLACK);
        ExpectCurve(g.plots[3], x, ch.lo, VAL_THIN_STEP, 0, VAL_SOLID, VAL_DK_GREEN);
        ExpectCurve(g.plots[4], x, values, VAL_THIN_STEP, 10, VAL_SOLID, VAL_RED);
        ExpectAxis(g.yLeft, 1024.0);
        ExpectAxis(g.yRight, 1024.0);
        EXPECT_EQ(g.xAxis.mode, xBefore.mode);
        EXPECT_DOUBLE_EQ(g.xAxis.max, xBefore.max);
    }
}
