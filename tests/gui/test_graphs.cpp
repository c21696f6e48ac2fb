// What the drawing calls leave on the bar graphs (peak bar, cursors, tolerance
// bands, value colours and displays) and on the video and data curve graphs.
// The band, target and tolerance rules themselves are tested in
// tests/unit/test_rules.cpp; here one case per behaviour checks the wiring.

#include "app_fixture.h"

using namespace kbex_test;
using namespace core;
using platform::GraphModel;
using BarGraph = ProgramTest;
using CurveGraph = ProgramTest;

// A quiet live frame on a 2048-pixel line, tolerances 20/20 from the
// parameter set, target teachA 1000 / teachB 1200.
static void LiveFrame(std::uint16_t evalMode) {
    ccdvirtpixel = 2048;
    parameter[kEvalMode] = evalMode;
    parameter[kHardwareMode] = 0;
    parameter[kTolUpPix] = parameter[kTolLoPix] = 20;
    parameter[kTeachA] = Aval = Mvalue = 1000;
    parameter[kTeachB] = Bval = 1200;
    edcntA = edcntB = 1;
    peakwA = peakwB = 10;
    umValue = poti = anaMax = anaMin = 0;
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

TEST_F(BarGraph, FrameFillsTheDisplaysAndReplacesCursorsBarsAndBandHeldToTheLine) {
    const GraphModel &master = Graph(PANEL_GRAPHBarMaster), &slave = Graph(PANEL_GRAPHBarSlave);
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
    EXPECT_EQ(Values(Val<int>(pHandle, PANEL_NUMAval), Val<int>(pHandle, PANEL_NUMBval),
                     Val<int>(pHandle, PANEL_NUMMvalue), Val<int>(pHandle, PANEL_NUMAnaMax),
                     Val<int>(pHandle, PANEL_NUMAnaMin), Val<int>(pPara1, PARA1_NUMTeachA),
                     Val<int>(pPara2, PARA2_NUMTeachB), Val<double>(pHandle, PANEL_NUMValueMM),
                     Val<double>(pHandle, PANEL_NUMTolUpMM), Val<double>(pHandle, PANEL_NUMTolLoMM)),
              Values(1001, 1202, 1003, 1500, 400, 777, 888, -2.5, 192.0, 0.96));

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
    EXPECT_EQ(Rects(master),
              (std::vector<Rect>{Bar(-2, 2), TolBand(980, 1024)}));  // 1030 drawn to the line end
    EXPECT_EQ(Rects(slave), (std::vector<Rect>{Bar(1097, 1103)}));
    for (int c : {1, 2}) {
        EXPECT_EQ(At(master, c), (std::pair{1.0, 0.75})) << "cursor " << c;
        EXPECT_EQ(At(slave, c), (std::pair{1024.0, 0.75})) << "cursor " << c;
    }
    EXPECT_EQ(Range(master.xAxis), Manual(1024));
    EXPECT_EQ(Range(slave.xAxis), Manual(1024));

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
        edcntA = a;
        edcntB = b;
        PlotTOLWindow(2, 500, 700);
        EXPECT_EQ(Rects(master).back(), TolBand(990, 1015));
        EXPECT_EQ(Rects(slave).back(), TolBand(790, 815));
    }
}

TEST_F(BarGraph, ToleranceInForceFromTheSetOrThePotiColoursBothDisplaysAgainstTheTarget) {
    // Which values are inside is the tolerance rule's table; here the measured
    // value, the tolerance in force and both displays.
    for (auto [hardwareMode, m, colour] : {std::tuple{0, 989, int{VAL_RED}}, {1, 1025, int{VAL_DK_GREEN}}}) {
        LiveFrame(1);
        parameter[kHardwareMode] = static_cast<std::uint16_t>(hardwareMode);
        parameter[kTolLoPix] = 10;
        poti = 30;  // the sensor's potentiometer: 30 both ways, where the set has 20 and 10
        Mvalue = static_cast<std::uint16_t>(m);
        PlotVIDEOBarGraph();
        EXPECT_EQ((std::array{Attr(pHandle, PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR),
                              Attr(pHandle, PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR)}),
                  (std::array{colour, colour}))
            << "Mvalue " << m;
    }
    // The potentiometer's tolerance is shown and banded; the set keeps its own.
    LiveFrame(1);
    parameter[kHardwareMode] = 1;
    parameter[kTolUpPix] = 1000;
    parameter[kTolLoPix] = 5;
    poti = 30;
    Put32(parameter, kCalibA, 0x30000);
    PlotVIDEOBarGraph();
    EXPECT_EQ(Values(Val<double>(pHandle, PANEL_NUMTolUpMM), Val<double>(pHandle, PANEL_NUMTolLoMM),
                     parameter[kTolUpPix], parameter[kTolLoPix]),
              Values(5.76, 5.76, 1000, 5));
    EXPECT_EQ(Rects(Graph(PANEL_GRAPHBarMaster)), (std::vector<Rect>{Bar(995, 1005), TolBand(970, 1030)}));
}

TEST_F(BarGraph, ModesThreeAndFourShowTheDeviationOnOneGraph) {
    const GraphModel &master = Graph(PANEL_GRAPHBarMaster), &slave = Graph(PANEL_GRAPHBarSlave);
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
            EXPECT_EQ(At(master, 2), (std::pair{s.masterX, 0.75}));
            EXPECT_EQ(At(slave, 2), (std::pair{s.slaveX, 0.75}));
            EXPECT_EQ((std::pair{master.cursors.at(2).pointStyle, slave.cursors.at(2).pointStyle}),
                      (std::pair{s.masterStyle, s.slaveStyle}));
        }
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
    // Points and colour of each curve, in drawing order.
    using Curves = std::vector<std::pair<const std::uint16_t*, int>>;
    const Curves video = {{values, VAL_RED}, {threshold, VAL_DK_GREEN}};
    auto data = [&](std::uint16_t* const* l) {
        return Curves{{l[0], VAL_GRAY},
                      {l[1], VAL_DK_GREEN},
                      {l[2], VAL_BLACK},
                      {l[3], VAL_DK_GREEN},
                      {values, VAL_RED}};
    };
    const Curves curves[] = {video, video, data(lines), data(lines + 4)};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(testing::Message() << "graph " << graphs[k]);
        const GraphModel& g = Graph(graphs[k]);
        ASSERT_EQ(g.plots.size(), curves[k].size());
        for (std::size_t c = 0; c < g.plots.size(); ++c) {
            const auto [y, colour] = curves[k][c];
            EXPECT_EQ(g.plots[c].color, colour) << "curve " << c;
            EXPECT_EQ(g.plots[c].x, std::vector<double>(x, x + 128)) << "curve " << c;
            EXPECT_EQ(g.plots[c].y, std::vector<double>(y, y + 128)) << "curve " << c;
        }
        // A fixed range, never widened to fit the data: the converter's for
        // video, the line's for data. X untouched.
        EXPECT_EQ(Range(g.yLeft), Manual(k < 2 ? 1024 : 2560));
        EXPECT_EQ(Range(g.yRight), Manual(k < 2 ? 1024 : 2560));
        EXPECT_EQ(Range(g.xAxis), xBefore[k]);
    }
}
