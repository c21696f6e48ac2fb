// What the operator sees on the bar graphs (peak bar, cursors, tolerance
// bands, value colours and displays) and on the video and data curve graphs.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/panels.h"

using namespace kbex_test;
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

int Attr(int panel, int ctrl, int attr) {
    int v = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, ctrl, attr, v), 0) << "control " << ctrl;
    return v;
}

int Int(int panel, int ctrl) {
    int v = -1;
    EXPECT_EQ(GetCtrlVal(panel, ctrl, v), 0) << "control " << ctrl;
    return v;
}

double Real(int panel, int ctrl) {
    double v = -12345.0;
    EXPECT_EQ(GetCtrlVal(panel, ctrl, v), 0) << "control " << ctrl;
    return v;
}

// Background of both value displays; they must always agree.
int ValueColour() {
    const int px = Attr(pHandle, PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR);
    const int mm = Attr(pHandle, PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR);
    EXPECT_EQ(px, mm) << "pixel and millimetre displays coloured differently";
    return px;
}

// A quiet live frame on a 2048-pixel line: tolerances from the parameter set.
void LiveFrame(std::uint16_t evalMode) {
    ccdvirtpixel = 2048;
    ADCMAX = 256;
    parameter[core::kEvalMode] = evalMode;
    parameter[core::kHardwareMode] = 0;
    parameter[core::kTolUpPix] = 20;
    parameter[core::kTolLoPix] = 20;
    parameter[core::kTeachA] = 1000;
    parameter[core::kTeachB] = 1200;
    core::Put32(parameter, core::kCalibA, 1024);
    Aval = 1000;
    Bval = 1200;
    Mvalue = 1000;
    umValue = 0;
    poti = 0;
    edcntA = 1;
    edcntB = 1;
    peakwA = 10;
    peakwB = 10;
    anaMax = 0;
    anaMin = 0;
}

struct Span {
    double lo, hi;
};

void ExpectRect(const PlotItem& p, double x1, double y1, double x2, double y2, int colour) {
    EXPECT_EQ(p.kind, PlotItem::Kind::Rectangle);
    EXPECT_DOUBLE_EQ(p.x1, x1);
    EXPECT_DOUBLE_EQ(p.y1, y1);
    EXPECT_DOUBLE_EQ(p.x2, x2);
    EXPECT_DOUBLE_EQ(p.y2, y2);
    EXPECT_EQ(p.frameColor, colour);
    EXPECT_EQ(p.fillColor, colour);
}

void ExpectBand(const PlotItem& p, double lo, double hi) { ExpectRect(p, lo, 0.0, hi, 0.35, VAL_GREEN); }
void ExpectBar(const PlotItem& p, double lo, double hi) { ExpectRect(p, lo, 0.25, hi, 1.0, VAL_RED); }

void ExpectCursor(const GraphModel& g, int cursor, double x) {
    ASSERT_TRUE(g.cursors.count(cursor)) << "cursor " << cursor << " never placed";
    const platform::CursorState& c = g.cursors.at(cursor);
    EXPECT_TRUE(c.placed);
    EXPECT_DOUBLE_EQ(c.x, x) << "cursor " << cursor;
    EXPECT_DOUBLE_EQ(c.y, 0.75) << "cursor " << cursor;
}

int CursorStyle(const GraphModel& g, int cursor) {
    auto it = g.cursors.find(cursor);
    return it == g.cursors.end() ? -1 : it->second.pointStyle;
}

}  // namespace

// --- bar graphs --------------------------------------------------------------------------

TEST(BarGraphDisplays, LiveWordsReachTheirDisplaysAndTeachFields) {
    ResetProgram();
    LiveFrame(1);
    Aval = 1001;
    Bval = 1202;
    Mvalue = 1003;
    umValue = 12345;
    anaMax = 1500;
    anaMin = 400;
    parameter[core::kTeachA] = 777;
    parameter[core::kTeachB] = 888;
    SetCtrlVal(pPara1, PARA1_NUMTeachA, 1);
    SetCtrlVal(pPara2, PARA2_NUMTeachB, 1);
    PlotVIDEOBarGraph();
    EXPECT_EQ(Int(pHandle, PANEL_NUMAval), 1001);
    EXPECT_EQ(Int(pHandle, PANEL_NUMBval), 1202);
    EXPECT_EQ(Int(pHandle, PANEL_NUMMvalue), 1003);
    EXPECT_EQ(Int(pHandle, PANEL_NUMAnaMax), 1500);
    EXPECT_EQ(Int(pHandle, PANEL_NUMAnaMin), 400);
    EXPECT_EQ(Int(pPara1, PARA1_NUMTeachA), 777);
    EXPECT_EQ(Int(pPara2, PARA2_NUMTeachB), 888);
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMValueMM), 12.345);

    // The micrometre word is signed.
    umValue = -2500;
    PlotVIDEOBarGraph();
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMValueMM), -2.5);
}

TEST(BarGraphDisplays, ToleranceInMillimetresUsesTheToleranceInForce) {
    ResetProgram();
    LiveFrame(1);
    core::Put32(parameter, core::kCalibA, 10240);
    parameter[core::kTolUpPix] = 100;
    parameter[core::kTolLoPix] = 50;
    PlotVIDEOBarGraph();
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolUpMM), 1.0);
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolLoMM), 0.5);

    // Tolerance from the sensor's potentiometer.
    parameter[core::kHardwareMode] = 1;
    poti = 30;
    PlotVIDEOBarGraph();
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolUpMM), 0.3);
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolLoMM), 0.3);

    // A scale above 16 bits is taken whole: 0x30000 / 1024 = 192 um per pixel.
    core::Put32(parameter, core::kCalibA, 0x30000);
    parameter[core::kHardwareMode] = 0;
    parameter[core::kTolUpPix] = 1000;
    parameter[core::kTolLoPix] = 5;
    PlotVIDEOBarGraph();
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolUpMM), 192.0);
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolLoMM), 0.96);
}

TEST(BarGraphToleranceColour, ValueOnALimitIsGreenBeyondItRed) {
    ResetProgram();
    LiveFrame(1);  // target = teachA = 1000
    parameter[core::kTolUpPix] = 20;
    parameter[core::kTolLoPix] = 10;
    const struct {
        std::uint16_t m;
        int colour;
    } cases[] = {
        {1000, VAL_DK_GREEN}, {1020, VAL_DK_GREEN}, {1021, VAL_RED},
        {990, VAL_DK_GREEN},  {989, VAL_RED},       {1005, VAL_DK_GREEN},
    };
    for (const auto& c : cases) {
        Mvalue = c.m;
        PlotVIDEOBarGraph();
        EXPECT_EQ(ValueColour(), c.colour) << "Mvalue " << c.m;
    }

    // Mode 0 measures against teachB.
    LiveFrame(0);  // target = teachB = 1200
    Mvalue = 1000;
    PlotVIDEOBarGraph();
    EXPECT_EQ(ValueColour(), VAL_RED);
    Mvalue = 1220;
    PlotVIDEOBarGraph();
    EXPECT_EQ(ValueColour(), VAL_DK_GREEN);
}

TEST(BarGraphToleranceColour, LimitsBeyondThe16BitRangeDoNotWrap) {
    ResetProgram();
    // Target below the lower tolerance: the lower limit is 0, not a wrapped
    // large number, so a small value is inside.
    LiveFrame(1);
    parameter[core::kTeachA] = 50;
    parameter[core::kTolLoPix] = 100;
    parameter[core::kTolUpPix] = 20;
    Mvalue = 10;
    PlotVIDEOBarGraph();
    EXPECT_EQ(tVal, 50);
    EXPECT_EQ(ValueColour(), VAL_DK_GREEN);
    Mvalue = 0;
    PlotVIDEOBarGraph();
    EXPECT_EQ(ValueColour(), VAL_DK_GREEN);
    Mvalue = 70;
    PlotVIDEOBarGraph();
    EXPECT_EQ(ValueColour(), VAL_DK_GREEN);
    Mvalue = 71;
    PlotVIDEOBarGraph();
    EXPECT_EQ(ValueColour(), VAL_RED);

    // An upper limit past 65535 saturates instead of wrapping to a small one.
    LiveFrame(1);
    parameter[core::kHardwareMode] = 1;
    poti = 65000;
    Mvalue = 65535;
    PlotVIDEOBarGraph();
    EXPECT_EQ(ValueColour(), VAL_DK_GREEN);
    Mvalue = 2000;
    PlotVIDEOBarGraph();
    EXPECT_EQ(ValueColour(), VAL_DK_GREEN);
}

TEST(BarGraphCursorsAndBar, CursorsStayOnTheLineWhileTheBarUsesTheRawPosition) {
    ResetProgram();
    LiveFrame(1);
    Aval = 0;
    peakwA = 4;
    Bval = 1500;
    peakwB = 7;  // odd width: half width 3
    PlotVIDEOBarGraph();
    ExpectCursor(Master(), 1, 1.0);
    ExpectCursor(Master(), 2, 1.0);
    ExpectCursor(Slave(), 1, 1500.0);
    ExpectCursor(Slave(), 2, 1500.0);
    EXPECT_EQ(curposA, 1);
    EXPECT_EQ(curposB, 1500);
    ASSERT_GE(Master().plots.size(), 1u);
    ASSERT_GE(Slave().plots.size(), 1u);
    ExpectBar(Master().plots[0], -2.0, 2.0);
    ExpectBar(Slave().plots[0], 1497.0, 1503.0);

    Aval = 2100;
    peakwA = 11;
    Bval = 2048;
    peakwB = 0;
    PlotVIDEOBarGraph();
    ExpectCursor(Master(), 1, 2048.0);
    ExpectCursor(Master(), 2, 2048.0);
    ExpectCursor(Slave(), 1, 2048.0);
    EXPECT_EQ(curposA, 2048);
    ExpectBar(Master().plots[0], 2095.0, 2105.0);
    ExpectBar(Slave().plots[0], 2048.0, 2048.0);

    for (const GraphModel* g : {&Master(), &Slave()}) {
        EXPECT_EQ(g->xAxis.mode, VAL_MANUAL);
        EXPECT_DOUBLE_EQ(g->xAxis.min, 0.0);
        EXPECT_DOUBLE_EQ(g->xAxis.max, 2048.0);
    }
}

TEST(BarGraphCursorsAndBar, EachFrameReplacesThePreviousBarAndBands) {
    ResetProgram();
    LiveFrame(1);
    for (int frame = 0; frame < 3; ++frame) {
        Aval = static_cast<std::uint16_t>(900 + 10 * frame);
        PlotVIDEOBarGraph();
        ASSERT_EQ(Master().plots.size(), 2u) << "frame " << frame;  // bar, band
        ASSERT_EQ(Slave().plots.size(), 1u) << "frame " << frame;   // bar only
        ExpectBar(Master().plots[0], Aval - 5.0, Aval + 5.0);
        ExpectBand(Master().plots[1], 980.0, 1020.0);
    }
    // The X axis follows a sensor with another line length.
    ccdvirtpixel = 4096;
    PlotVIDEOBarGraph();
    EXPECT_DOUBLE_EQ(Master().xAxis.max, 4096.0);
    EXPECT_DOUBLE_EQ(Slave().xAxis.max, 4096.0);
}

TEST(BarGraphBands, ModeTwoBandsFollowTheCombinedDeviation) {
    ResetProgram();
    LiveFrame(2);
    Aval = 990;
    Bval = 1206;
    PlotVIDEOBarGraph();
    EXPECT_EQ(tVal, 2 * 2048 - (1000 + 1200));
    ASSERT_EQ(Master().plots.size(), 2u);
    ASSERT_EQ(Slave().plots.size(), 2u);
    ExpectBar(Master().plots[0], 985.0, 995.0);
    ExpectBand(Master().plots[1], 982.0, 1002.0);
    ExpectBand(Slave().plots[1], 1198.0, 1218.0);

    // Halves truncate towards zero: d = -3 shifts by -1, odd tolerances lose
    // their remainder.
    Aval = 995;
    Bval = 1208;
    parameter[core::kTolUpPix] = 21;
    parameter[core::kTolLoPix] = 23;
    PlotVIDEOBarGraph();
    ASSERT_EQ(Master().plots.size(), 2u);
    ASSERT_EQ(Slave().plots.size(), 2u);
    ExpectBand(Master().plots[1], 983.0, 1004.0);
    ExpectBand(Slave().plots[1], 1196.0, 1217.0);

    // Without edges on one sensor the bands sit around the teach values.
    parameter[core::kTolUpPix] = 20;
    parameter[core::kTolLoPix] = 20;
    edcntA = 0;
    PlotVIDEOBarGraph();
    ASSERT_EQ(Master().plots.size(), 2u);
    ASSERT_EQ(Slave().plots.size(), 2u);
    ExpectBand(Master().plots[1], 990.0, 1010.0);
    ExpectBand(Slave().plots[1], 1190.0, 1210.0);
    edcntA = 1;
    edcntB = 0;
    PlotVIDEOBarGraph();
    ExpectBand(Master().plots[1], 990.0, 1010.0);
}

TEST(BarGraphBands, ModeTwoRaisesZeroToleranceEntriesToOne) {
    ResetProgram();
    LiveFrame(2);
    parameter[core::kTolUpPix] = 0;
    parameter[core::kTolLoPix] = 0;
    PlotVIDEOBarGraph();
    EXPECT_EQ(parameter[core::kTolUpPix], 1);
    EXPECT_EQ(parameter[core::kTolLoPix], 1);
    EXPECT_EQ(tolup, 1);
    EXPECT_EQ(tollo, 1);

    // Other modes leave a zero tolerance alone.
    LiveFrame(1);
    parameter[core::kTolUpPix] = 0;
    parameter[core::kTolLoPix] = 0;
    PlotVIDEOBarGraph();
    EXPECT_EQ(parameter[core::kTolUpPix], 0);
    EXPECT_EQ(parameter[core::kTolLoPix], 0);
    EXPECT_EQ(tolup, 0);
}

TEST(BarGraphBands, EachModeDrawsItsBandsOnItsGraphsOnly) {
    ResetProgram();
    LiveFrame(0);
    parameter[core::kTolUpPix] = 30;
    parameter[core::kTolLoPix] = 10;
    PlotVIDEOBarGraph();
    EXPECT_EQ(tVal, 1200);
    EXPECT_EQ(Master().plots.size(), 1u) << "mode 0 draws no master band";
    ASSERT_EQ(Slave().plots.size(), 2u);
    ExpectBand(Slave().plots[1], 1190.0, 1230.0);

    parameter[core::kEvalMode] = 1;
    PlotVIDEOBarGraph();
    EXPECT_EQ(tVal, 1000);
    ASSERT_EQ(Master().plots.size(), 2u);
    EXPECT_EQ(Slave().plots.size(), 1u) << "mode 1 draws no slave band";
    ExpectBand(Master().plots[1], 990.0, 1030.0);

    for (std::uint16_t mode : {3, 4}) {
        parameter[core::kEvalMode] = mode;
        Mvalue = 2048;
        PlotVIDEOBarGraph();
        EXPECT_EQ(tVal, 2048) << "mode " << mode;
        ASSERT_EQ(Master().plots.size(), 2u);
        ASSERT_EQ(Slave().plots.size(), 2u);
        ExpectBand(Master().plots[1], 1.0, 30.0);
        ExpectBand(Slave().plots[1], 1.0, 10.0);
    }

    // The deviation bands are not kept on the line.
    parameter[core::kEvalMode] = 3;
    parameter[core::kHardwareMode] = 1;
    poti = 3000;
    PlotVIDEOBarGraph();
    ASSERT_EQ(Master().plots.size(), 2u);
    ASSERT_EQ(Slave().plots.size(), 2u);
    ExpectBand(Master().plots[1], 1.0, 3000.0);
    ExpectBand(Slave().plots[1], 1.0, 3000.0);
    parameter[core::kHardwareMode] = 0;

    // A mode outside 0..4 keeps the last target and draws no band.
    tVal = 1234;
    parameter[core::kEvalMode] = 5;
    PlotVIDEOBarGraph();
    EXPECT_EQ(tVal, 1234);
    EXPECT_EQ(Master().plots.size(), 1u);
    EXPECT_EQ(Slave().plots.size(), 1u);
}

TEST(BarGraphBands, BandEdgesAreKeptOnTheLine) {
    ResetProgram();
    LiveFrame(1);
    parameter[core::kTeachA] = 15;  // lower edge -5 -> 1
    parameter[core::kTolLoPix] = 20;
    parameter[core::kTolUpPix] = 20;
    PlotVIDEOBarGraph();
    ASSERT_EQ(Master().plots.size(), 2u);
    ExpectBand(Master().plots[1], 1.0, 35.0);

    parameter[core::kTeachA] = 20;  // lower edge exactly 0 stays 0
    PlotVIDEOBarGraph();
    ExpectBand(Master().plots[1], 0.0, 40.0);

    parameter[core::kTeachA] = 2040;  // upper edge 2050 -> 2048
    parameter[core::kTolUpPix] = 10;
    PlotVIDEOBarGraph();
    ExpectBand(Master().plots[1], 2020.0, 2048.0);

    parameter[core::kTolUpPix] = 7;  // upper edge 2047 = line end - 1 stays
    PlotVIDEOBarGraph();
    ExpectBand(Master().plots[1], 2020.0, 2047.0);

    parameter[core::kTolUpPix] = 8;  // upper edge 2048 -> 2048
    PlotVIDEOBarGraph();
    ExpectBand(Master().plots[1], 2020.0, 2048.0);
}

TEST(BarGraphDeviationCursor, ModesThreeAndFourShowTheDeviationOnOneGraph) {
    for (std::uint16_t mode : {3, 4}) {
        SCOPED_TRACE(testing::Message() << "evalMode " << mode);
        ResetProgram();
        LiveFrame(mode);
        Aval = 700;
        Bval = 900;

        // Above the line length: the master shows it, clipped to 2 x cvp.
        Mvalue = 2 * 2048 + 100;
        PlotVIDEOBarGraph();
        EXPECT_EQ(Mvalue, 2 * 2048);
        ExpectCursor(Master(), 2, 2048.0);
        EXPECT_EQ(CursorStyle(Master(), 2), VAL_SOLID_SQUARE);
        EXPECT_EQ(CursorStyle(Slave(), 2), VAL_NO_POINT);
        ExpectCursor(Master(), 1, 700.0);

        Mvalue = 2500;
        PlotVIDEOBarGraph();
        EXPECT_EQ(Mvalue, 2500);
        ExpectCursor(Master(), 2, 452.0);

        // Below it: the slave shows the shortfall.
        Mvalue = 1500;
        PlotVIDEOBarGraph();
        ExpectCursor(Slave(), 2, 548.0);
        ExpectCursor(Slave(), 1, 900.0);
        EXPECT_EQ(CursorStyle(Slave(), 2), VAL_SOLID_SQUARE);
        EXPECT_EQ(CursorStyle(Master(), 2), VAL_NO_POINT);

        // Exactly on it: neither.
        Mvalue = 2048;
        PlotVIDEOBarGraph();
        EXPECT_EQ(CursorStyle(Master(), 2), VAL_NO_POINT);
        EXPECT_EQ(CursorStyle(Slave(), 2), VAL_NO_POINT);
    }
}

TEST(BarGraphDeviationCursor, ModesZeroToTwoLeaveTheDeviationCursorAlone) {
    ResetProgram();
    for (std::uint16_t mode : {0, 1, 2}) {
        LiveFrame(mode);
        SetCursorAttribute(pHandle, PANEL_GRAPHBarMaster, 2, ATTR_CURSOR_POINT_STYLE, VAL_NO_POINT);
        SetCursorAttribute(pHandle, PANEL_GRAPHBarSlave, 2, ATTR_CURSOR_POINT_STYLE, VAL_SOLID_SQUARE);
        Mvalue = 60000;
        PlotVIDEOBarGraph();
        EXPECT_EQ(Mvalue, 60000) << "mode " << mode;
        EXPECT_EQ(CursorStyle(Master(), 2), VAL_NO_POINT) << "mode " << mode;
        EXPECT_EQ(CursorStyle(Slave(), 2), VAL_SOLID_SQUARE) << "mode " << mode;
        ExpectCursor(Master(), 2, 1000.0);
        ExpectCursor(Slave(), 2, 1200.0);
    }
}

TEST(BarGraphTolerances, HardwareModeChoosesSensorPotiOrParameterSet) {
    ResetProgram();
    for (std::uint16_t hw : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(testing::Message() << "hardwareMode " << hw);
        LiveFrame(1);
        parameter[core::kHardwareMode] = hw;
        parameter[core::kTolUpPix] = 40;
        parameter[core::kTolLoPix] = 30;
        poti = 15;
        PlotVIDEOBarGraph();
        const bool fromSet = hw == 0 || hw == 2;
        EXPECT_EQ(tolup, fromSet ? 40 : 15);
        EXPECT_EQ(tollo, fromSet ? 30 : 15);
        ASSERT_EQ(Master().plots.size(), 2u);
        ExpectBand(Master().plots[1], fromSet ? 970.0 : 985.0, fromSet ? 1040.0 : 1015.0);
        // The set's entries stay as they are.
        EXPECT_EQ(parameter[core::kTolUpPix], 40);
        EXPECT_EQ(parameter[core::kTolLoPix], 30);
    }
}

TEST(BarGraphTolWindow, AddsBandsWithoutDeletingAndUsesTheLastTolerances) {
    ResetProgram();
    LiveFrame(1);
    PlotVIDEOBarGraph();
    ASSERT_EQ(Master().plots.size(), 2u);
    ASSERT_EQ(Slave().plots.size(), 1u);

    // Before any frame has derived tolerances: a band of zero width.
    tolup = 0;
    tollo = 0;
    PlotTOLWindow(1, 0, 0);
    ASSERT_EQ(Master().plots.size(), 3u) << "nothing deleted, one band added";
    EXPECT_EQ(Slave().plots.size(), 1u);
    ExpectBand(Master().plots[2], 1000.0, 1000.0);
    PlotTOLWindow(0, 0, 0);
    ASSERT_EQ(Slave().plots.size(), 2u);
    EXPECT_EQ(Master().plots.size(), 3u);
    ExpectBand(Slave().plots[1], 1200.0, 1200.0);

    // The tolerances in force, not the entries of the set; the positions
    // passed, not the live words.
    tolup = 20;
    tollo = 20;
    parameter[core::kTolUpPix] = 300;
    parameter[core::kTolLoPix] = 300;
    Aval = 1;
    Bval = 1;
    PlotTOLWindow(2, 990, 1206);
    ASSERT_EQ(Master().plots.size(), 4u);
    ASSERT_EQ(Slave().plots.size(), 3u);
    ExpectBand(Master().plots[3], 982.0, 1002.0);
    ExpectBand(Slave().plots[2], 1198.0, 1218.0);

    PlotTOLWindow(7, 990, 1206);
    EXPECT_EQ(Master().plots.size(), 4u);
    EXPECT_EQ(Slave().plots.size(), 3u);
}

// --- curve graphs ------------------------------------------------------------------------

TEST(CurveGraphVideo, RedrawLeavesSignalAndThresholdOnTheConverterRange) {
    ResetProgram();
    ccdvirtpixel = 2048;
    ADCMAX = 256;
    std::uint16_t video[128], threshold[128];
    double x[128];
    for (int i = 0; i < 128; ++i) {
        video[i] = static_cast<std::uint16_t>(i);
        threshold[i] = 128;
        x[i] = 16.0 * i + 8.0;
    }
    struct Channel {
        int graph;
        void (*plot)(const std::uint16_t*, const std::uint16_t*, const double*);
    };
    for (const Channel& ch : {Channel{PANEL_GRAPHVideoMaster, PlotVIDEOCurveA},
                              Channel{PANEL_GRAPHVideoSlave, PlotVIDEOCurveB}}) {
        SCOPED_TRACE(testing::Message() << "graph " << ch.graph);
        ADCMAX = 256;
        const platform::AxisState xBefore = Graph(ch.graph).xAxis;
        ch.plot(video, threshold, x);
        for (int i = 0; i < 128; ++i)
            video[i] = static_cast<std::uint16_t>(2000 - i);  // beyond the range
        ch.plot(video, threshold, x);

        const GraphModel& g = Graph(ch.graph);
        ASSERT_EQ(g.plots.size(), 2u);
        const PlotItem& sig = g.plots[0];
        const PlotItem& thd = g.plots[1];
        EXPECT_EQ(sig.color, VAL_RED);
        EXPECT_EQ(thd.color, VAL_DK_GREEN);
        for (const PlotItem* p : {&sig, &thd}) {
            EXPECT_EQ(p->kind, PlotItem::Kind::XY);
            EXPECT_EQ(p->plotStyle, VAL_THIN_STEP);
            EXPECT_EQ(p->pointStyle, 10);
            EXPECT_EQ(p->lineStyle, VAL_SOLID);
            ASSERT_EQ(p->x.size(), 128u);
            ASSERT_EQ(p->y.size(), 128u);
        }
        for (int i = 0; i < 128; ++i) {
            EXPECT_DOUBLE_EQ(sig.x[i], x[i]);
            EXPECT_DOUBLE_EQ(sig.y[i], 2000 - i);
            EXPECT_DOUBLE_EQ(thd.y[i], 128);
        }
        // The axis is the converter's range, never widened to fit the data.
        for (const platform::AxisState* a : {&g.yLeft, &g.yRight}) {
            EXPECT_EQ(a->mode, VAL_MANUAL);
            EXPECT_DOUBLE_EQ(a->min, 0.0);
            EXPECT_DOUBLE_EQ(a->max, 256.0);
        }
        EXPECT_EQ(g.xAxis.mode, xBefore.mode);
        EXPECT_DOUBLE_EQ(g.xAxis.min, xBefore.min);
        EXPECT_DOUBLE_EQ(g.xAxis.max, xBefore.max);

        // A 1024-step converter shows at the next redraw.
        ADCMAX = 1024;
        EXPECT_DOUBLE_EQ(Graph(ch.graph).yLeft.max, 256.0);
        ch.plot(video, threshold, x);
        EXPECT_DOUBLE_EQ(Graph(ch.graph).yLeft.max, 1024.0);
        EXPECT_DOUBLE_EQ(Graph(ch.graph).yRight.max, 1024.0);
        EXPECT_EQ(Graph(ch.graph).plots.size(), 2u);
        for (int i = 0; i < 128; ++i)
            video[i] = static_cast<std::uint16_t>(i);
    }
}

TEST(CurveGraphData, FiveCurvesInDrawingOrderOverTheLineLength) {
    ResetProgram();
    ccdvirtpixel = 2048;
    for (int i = 0; i < 128; ++i) {
        trgBUFA[i] = 11;
        upTHDA[i] = 1100;
        refTHDA[i] = 1000;
        loTHDA[i] = 900;
        trgBUFB[i] = 22;
        upTHDB[i] = 1300;
        refTHDB[i] = 1200;
        loTHDB[i] = 1150;
    }
    std::uint16_t values[128];
    double x[128];
    for (int i = 0; i < 128; ++i) {
        values[i] = static_cast<std::uint16_t>(950 + i);
        x[i] = i + 1.0;
    }
    struct Channel {
        int graph;
        void (*plot)(const std::uint16_t*, const double*);
        std::uint16_t trg, up, ref, lo;
    };
    for (const Channel& ch : {Channel{PANEL_GRAPHDataMaster, PlotDATACurveA, 11, 1100, 1000, 900},
                              Channel{PANEL_GRAPHDataSlave, PlotDATACurveB, 22, 1300, 1200, 1150}}) {
        SCOPED_TRACE(testing::Message() << "graph " << ch.graph);
        const platform::AxisState xBefore = Graph(ch.graph).xAxis;
        ch.plot(values, x);
        ch.plot(values, x);
        const GraphModel& g = Graph(ch.graph);
        ASSERT_EQ(g.plots.size(), 5u);
        struct Want {
            std::uint16_t y;  // 0 = the values
            int plotStyle, pointStyle, lineStyle, colour;
        };
        const Want want[5] = {
            {ch.trg, VAL_THIN_STEP, 10, VAL_SOLID, VAL_GRAY},
            {ch.up, VAL_THIN_STEP, 10, VAL_SOLID, VAL_DK_GREEN},
            {ch.ref, VAL_THIN_LINE, 0, VAL_DASH, VAL_BLACK},
            {ch.lo, VAL_THIN_STEP, 0, VAL_SOLID, VAL_DK_GREEN},
            {0, VAL_THIN_STEP, 10, VAL_SOLID, VAL_RED},
        };
        for (int k = 0; k < 5; ++k) {
            SCOPED_TRACE(testing::Message() << "curve " << k + 1);
            const PlotItem& p = g.plots[k];
            EXPECT_EQ(p.kind, PlotItem::Kind::XY);
            EXPECT_EQ(p.plotStyle, want[k].plotStyle);
            EXPECT_EQ(p.pointStyle, want[k].pointStyle);
            EXPECT_EQ(p.lineStyle, want[k].lineStyle);
            EXPECT_EQ(p.color, want[k].colour);
            ASSERT_EQ(p.y.size(), 128u);
            ASSERT_EQ(p.x.size(), 128u);
            for (int i = 0; i < 128; i += 9) {
                EXPECT_DOUBLE_EQ(p.x[i], x[i]);
                EXPECT_DOUBLE_EQ(p.y[i], k == 4 ? values[i] : want[k].y);
            }
        }
        for (const platform::AxisState* a : {&g.yLeft, &g.yRight}) {
            EXPECT_EQ(a->mode, VAL_MANUAL);
            EXPECT_DOUBLE_EQ(a->min, 0.0);
            EXPECT_DOUBLE_EQ(a->max, 2048.0);
        }
        EXPECT_EQ(g.xAxis.mode, xBefore.mode);
        EXPECT_DOUBLE_EQ(g.xAxis.max, xBefore.max);
    }
}

TEST(CurveGraphData, EditedTeachValueRedrawsLinesOverTheLastValues) {
    ResetProgram();
    ccdvirtpixel = 4096;
    parameter[core::kTeachA] = 1000;
    parameter[core::kTolUpPix] = 50;
    parameter[core::kTolLoPix] = 60;
    SetThresholds();
    std::uint16_t values[128];
    for (int i = 0; i < 128; ++i)
        values[i] = static_cast<std::uint16_t>(3000 + i);
    PlotDATACurveA(values, xArrayMVAL);

    parameter[core::kTeachA] = 2000;
    SetThresholds();
    PlotDATACurveA(values, xArrayMVAL);
    const GraphModel& g = Graph(PANEL_GRAPHDataMaster);
    ASSERT_EQ(g.plots.size(), 5u);
    EXPECT_DOUBLE_EQ(g.plots[1].y[0], 2050);
    EXPECT_DOUBLE_EQ(g.plots[2].y[0], 2000);
    EXPECT_DOUBLE_EQ(g.plots[3].y[0], 1940);
    EXPECT_DOUBLE_EQ(g.plots[4].y[127], 3127);
    EXPECT_DOUBLE_EQ(g.yLeft.max, 4096.0);
}
