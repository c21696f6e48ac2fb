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
#include "platform/testing.h"

using namespace kbex_test;
using namespace core;
using platform::GraphModel;
using platform::PlotItem;
using BarGraph = ProgramTest;
using CurveGraph = ProgramTest;

namespace {

const GraphModel& Master() {
    return Graph(PANEL_GRAPHBarMaster);
}
const GraphModel& Slave() {
    return Graph(PANEL_GRAPHBarSlave);
}

// Background of both value displays; they must always agree.
int ValueColour() {
    const int px = Attr(pHandle, PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR);
    EXPECT_EQ(Attr(pHandle, PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR), px)
        << "pixel and millimetre displays differ";
    return px;
}

// A quiet live frame on a 2048-pixel line, tolerances 20/20 from the
// parameter set, target teachA 1000 / teachB 1200.
void LiveFrame(std::uint16_t evalMode) {
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

// Every plot of a graph as x1, y1, x2, y2, frame and fill colour (zeros for a curve).
using Rect = std::array<double, 6>;
std::vector<Rect> Rects(const GraphModel& g) {
    std::vector<Rect> out;
    for (const PlotItem& p : g.plots)
        out.push_back(p.kind == PlotItem::Kind::Rectangle
                          ? Rect{p.x1, p.y1, p.x2, p.y2, double(p.frameColor), double(p.fillColor)}
                          : Rect{});
    return out;
}
Rect Bar(double lo, double hi) {
    return {lo, 0.25, hi, 1.0, VAL_RED, VAL_RED};
}
Rect Band(double lo, double hi) {
    return {lo, 0.0, hi, 0.35, VAL_GREEN, VAL_GREEN};
}

// Where cursor `n` was placed, or -1, -1; and its point style.
std::pair<double, double> At(const GraphModel& g, int n) {
    const auto it = g.cursors.find(n);
    return it != g.cursors.end() && it->second.placed ? std::pair{it->second.x, it->second.y}
                                                      : std::pair{-1.0, -1.0};
}
int Style(const GraphModel& g, int n) {
    const auto it = g.cursors.find(n);
    return it == g.cursors.end() ? -1 : it->second.pointStyle;
}

std::array<double, 3> Range(const platform::AxisState& a) {
    return {double(a.mode), a.min, a.max};
}
std::array<double, 3> Manual(double max) {
    return {VAL_MANUAL, 0.0, max};
}

}  // namespace

TEST_F(BarGraph, FrameFillsTheDisplaysAndReplacesCursorsBarsAndBandHeldToTheLine) {
    LiveFrame(1);
    Aval = 1001;
    Bval = 1202;
    Mvalue = 1003;
    umValue = -2500;
    anaMax = 1500;
    anaMin = 400;
    parameter[kTeachA] = 777;
    parameter[kTeachB] = 888;
    parameter[kTolUpPix] = 1000;
    parameter[kTolLoPix] = 5;
    Put32(parameter, kCalibA, 0x30000);  // 192 um per pixel: the high word counts
    Put32(parameter, kCalibB, 1024);     // must not be used
    PlotVIDEOBarGraph();
    EXPECT_EQ((std::vector<int>{Val<int>(pHandle, PANEL_NUMAval), Val<int>(pHandle, PANEL_NUMBval),
                                Val<int>(pHandle, PANEL_NUMMvalue), Val<int>(pHandle, PANEL_NUMAnaMax),
                                Val<int>(pHandle, PANEL_NUMAnaMin), Val<int>(pPara1, PARA1_NUMTeachA),
                                Val<int>(pPara2, PARA2_NUMTeachB)}),
              (std::vector<int>{1001, 1202, 1003, 1500, 400, 777, 888}));
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMValueMM), -2.5);
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMTolUpMM), 192.0);
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMTolLoMM), 0.96);

    // The next frame replaces it all. The cursors hold to the line, the bars
    // sit where the sensor saw the spot; an odd width loses its remainder.
    ccdvirtpixel = 1024;  // neither 2048 nor the start value 4096
    parameter[kTeachA] = 1000;
    parameter[kTolUpPix] = 30;
    parameter[kTolLoPix] = 20;
    Aval = 0;
    peakwA = 4;
    Bval = 1100;
    peakwB = 7;
    PlotVIDEOBarGraph();
    EXPECT_EQ(Rects(Master()),
              (std::vector<Rect>{Bar(-2, 2), Band(980, 1024)}));  // 1030 drawn to the line end
    EXPECT_EQ(Rects(Slave()), (std::vector<Rect>{Bar(1097, 1103)}));
    for (int c : {1, 2}) {
        EXPECT_EQ(At(Master(), c), (std::pair{1.0, 0.75})) << "cursor " << c;
        EXPECT_EQ(At(Slave(), c), (std::pair{1024.0, 0.75})) << "cursor " << c;
    }
    EXPECT_EQ(Range(Master().xAxis), Manual(1024));
    EXPECT_EQ(Range(Slave().xAxis), Manual(1024));

    // The tolerance window adds bands at the positions passed, from the
    // tolerance in force (30/20 of the frame), not from the set or the spots.
    parameter[kTeachB] = 800;
    parameter[kTolUpPix] = parameter[kTolLoPix] = 300;
    Aval = Bval = 1;
    PlotTOLWindow(2, 500, 700);
    EXPECT_EQ(Rects(Master()), (std::vector<Rect>{Bar(-2, 2), Band(980, 1024), Band(790, 815)}));
    EXPECT_EQ(Rects(Slave()), (std::vector<Rect>{Bar(1097, 1103), Band(990, 1015)}));
}

TEST_F(BarGraph, ToleranceInForceFromTheSetOrThePotiColoursBothDisplaysAgainstTheTarget) {
    const struct {
        std::uint16_t mode, hardwareMode, teachA, m;
        int colour;
    } rows[] = {
        {1, 0, 1000, 989, VAL_RED},        // below teachA - 10; inside if the tolerances were swapped
        {1, 0, 1000, 1015, VAL_DK_GREEN},  // inside teachA + 20; outside if swapped
        {0, 0, 1000, 1015, VAL_RED},       // against teachB 1200
        {1, 1, 1000, 1025, VAL_DK_GREEN},  // the sensor's potentiometer: 30 both ways
        {1, 0, 5, 0, VAL_DK_GREEN},        // the lower limit is 0, not wrapped round
    };
    for (const auto& r : rows) {
        LiveFrame(r.mode);
        parameter[kHardwareMode] = r.hardwareMode;
        parameter[kTeachA] = r.teachA;
        parameter[kTolUpPix] = 20;
        parameter[kTolLoPix] = 10;
        poti = 30;
        Mvalue = r.m;
        PlotVIDEOBarGraph();
        EXPECT_EQ(ValueColour(), r.colour) << "evalMode " << r.mode << " Mvalue " << r.m;
    }
    // The potentiometer's tolerance is shown and banded; the set keeps its own.
    LiveFrame(1);
    parameter[kHardwareMode] = 1;
    parameter[kTolUpPix] = 1000;
    parameter[kTolLoPix] = 5;
    poti = 30;
    Put32(parameter, kCalibA, 0x30000);
    PlotVIDEOBarGraph();
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMTolUpMM), 5.76);
    EXPECT_DOUBLE_EQ(Val<double>(pHandle, PANEL_NUMTolLoMM), 5.76);
    EXPECT_EQ(Rects(Master()), (std::vector<Rect>{Bar(995, 1005), Band(970, 1030)}));
    EXPECT_EQ(parameter[kTolUpPix], 1000);
    EXPECT_EQ(parameter[kTolLoPix], 5);
    // A mode outside 0..4 keeps the last target and draws no band.
    parameter[kEvalMode] = 5;
    tVal = 1234;
    PlotVIDEOBarGraph();
    EXPECT_EQ(tVal, 1234);
    EXPECT_EQ(Rects(Master()), (std::vector<Rect>{Bar(995, 1005)}));
    EXPECT_EQ(Rects(Slave()), (std::vector<Rect>{Bar(1195, 1205)}));
}

TEST_F(BarGraph, ModeTwoBandsFollowTheDeviationOrWithoutEdgesTheTeachValuesAndZeroEntriesRiseInTheSet) {
    LiveFrame(2);
    Aval = 990;
    Bval = 1206;
    PlotVIDEOBarGraph();
    EXPECT_EQ(Rects(Master()), (std::vector<Rect>{Bar(985, 995), Band(982, 1002)}));
    EXPECT_EQ(Rects(Slave()), (std::vector<Rect>{Bar(1201, 1211), Band(1198, 1218)}));
    EXPECT_EQ(At(Slave(), 2), (std::pair{1206.0, 0.75}));     // no deviation cursor outside modes 3 and 4
    for (auto [a, b] : {std::pair{0, 1}, std::pair{1, 0}}) {  // no edge on one sensor
        edcntA = static_cast<std::uint16_t>(a);
        edcntB = static_cast<std::uint16_t>(b);
        PlotVIDEOBarGraph();
        EXPECT_EQ(Rects(Master()), (std::vector<Rect>{Bar(985, 995), Band(990, 1010)}));
        EXPECT_EQ(Rects(Slave()), (std::vector<Rect>{Bar(1201, 1211), Band(1190, 1210)}));
    }
    parameter[kTolUpPix] = parameter[kTolLoPix] = 0;
    PlotVIDEOBarGraph();
    EXPECT_EQ(parameter[kTolUpPix], 1);
    EXPECT_EQ(parameter[kTolLoPix], 1);
}

TEST_F(BarGraph, ModesThreeAndFourShowTheDeviationOnOneGraph) {
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
            EXPECT_EQ(At(Master(), 2), (std::pair{s.masterX, 0.75}));
            EXPECT_EQ(At(Slave(), 2), (std::pair{s.slaveX, 0.75}));
            EXPECT_EQ(Style(Master(), 2), s.masterStyle);
            EXPECT_EQ(Style(Slave(), 2), s.slaveStyle);
        }
    }
}

TEST_F(CurveGraph, EachRedrawReplacesItsCurvesInOrderAndStyleOnItsValueRangeAndLeavesXAlone) {
    ccdvirtpixel = 2560;  // neither the converter's range nor the start value 4096
    std::uint16_t values[128], threshold[128];
    double x[128];
    for (int i = 0; i < 128; ++i) {
        values[i] = static_cast<std::uint16_t>(2000 - i);  // beyond the video range
        threshold[i] = 128;
        x[i] = 16.0 * i + 8.0;
    }
    const std::pair<std::uint16_t*, int> lines[] = {
        {trgBUFA, 11}, {upTHDA, 1100}, {refTHDA, 1000}, {loTHDA, 900},
        {trgBUFB, 22}, {upTHDB, 1300}, {refTHDB, 1200}, {loTHDB, 1150},
    };
    for (auto [line, v] : lines)
        std::fill_n(line, 128, static_cast<std::uint16_t>(v));
    struct Curve {
        const std::uint16_t* y;
        int plotStyle, pointStyle, lineStyle, colour;
    };
    const std::vector<Curve> video = {{values, VAL_THIN_STEP, 10, VAL_SOLID, VAL_RED},
                                      {threshold, VAL_THIN_STEP, 10, VAL_SOLID, VAL_DK_GREEN}};
    auto data = [&](const std::uint16_t* trg, const std::uint16_t* up, const std::uint16_t* ref,
                    const std::uint16_t* lo) {
        return std::vector<Curve>{{trg, VAL_THIN_STEP, 10, VAL_SOLID, VAL_GRAY},
                                  {up, VAL_THIN_STEP, 10, VAL_SOLID, VAL_DK_GREEN},
                                  {ref, VAL_THIN_LINE, 0, VAL_DASH, VAL_BLACK},
                                  {lo, VAL_THIN_STEP, 0, VAL_SOLID, VAL_DK_GREEN},
                                  {values, VAL_THIN_STEP, 10, VAL_SOLID, VAL_RED}};
    };
    const struct {
        int graph;
        std::function<void()> draw;
        std::vector<Curve> curves;
        double yMax;  // the converter's range for video, the line for data
    } rows[] = {
        {PANEL_GRAPHVideoMaster, [&] { PlotVIDEOCurveA(values, threshold, x); }, video, 1024},
        {PANEL_GRAPHVideoSlave, [&] { PlotVIDEOCurveB(values, threshold, x); }, video, 1024},
        {PANEL_GRAPHDataMaster, [&] { PlotDATACurveA(values, x); }, data(trgBUFA, upTHDA, refTHDA, loTHDA),
         2560},
        {PANEL_GRAPHDataSlave, [&] { PlotDATACurveB(values, x); }, data(trgBUFB, upTHDB, refTHDB, loTHDB),
         2560},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "graph " << r.graph);
        const auto xBefore = Range(Graph(r.graph).xAxis);
        ADCMAX = 256;
        r.draw();
        ADCMAX = 1024;  // a 10-bit converter shows at the next redraw
        r.draw();
        const GraphModel& g = Graph(r.graph);
        ASSERT_EQ(g.plots.size(), r.curves.size());
        for (std::size_t k = 0; k < g.plots.size(); ++k) {
            const PlotItem& p = g.plots[k];
            const Curve& c = r.curves[k];
            EXPECT_EQ(p.kind, PlotItem::Kind::XY) << "curve " << k;
            EXPECT_EQ((std::vector<int>{p.plotStyle, p.pointStyle, p.lineStyle, p.color}),
                      (std::vector<int>{c.plotStyle, c.pointStyle, c.lineStyle, c.colour}))
                << "curve " << k;
            EXPECT_EQ(p.x, std::vector<double>(x, x + 128)) << "curve " << k;
            EXPECT_EQ(p.y, std::vector<double>(c.y, c.y + 128)) << "curve " << k;
        }
        // A fixed range, never widened to fit the data; X untouched.
        EXPECT_EQ(Range(g.yLeft), Manual(r.yMax));
        EXPECT_EQ(Range(g.yRight), Manual(r.yMax));
        EXPECT_EQ(Range(g.xAxis), xBefore);
    }
}
