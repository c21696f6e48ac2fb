// The parameter set on the sub-panels: every entry reaches its own control and
// comes back, and the limits, the evaluation-mode view, the dependent dimming
// and visibility, the calibration fields and the threshold lines reach the
// right controls and buffers. The rules' tables and edge cases are in
// tests/unit/test_rules.cpp; here one case per behaviour checks the wiring.
#include <gtest/gtest.h>

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
using Mapping = ProgramTest;

namespace {

std::uint16_t U16(int panel, int ctrl) {
    return Val<unsigned short>(panel, ctrl);
}
double Real(int panel, int ctrl) {
    return Val<double>(panel, ctrl);
}

// Every 16-bit entry with its control: each shows its own entry.
void ExpectControlsShowTheSet() {
    const struct {
        int panel, ctrl;
        std::size_t index;
    } controls[] = {
        {pPara0, PARA0_DropEvalMode, kEvalMode},
        {pPara0, PARA0_ModeSelect, kModeSelect},
        {pPara0, PARA0_DROPAnaMode, kAnaMode},
        {pPara0, PARA0_DROPHardwareMode, kHardwareMode},
        {pPara0, PARA0_NUMCountSetting, kCountSetting},
        {pPara0, PARA0_FlagSetting, kFlagSetting},
        {pPara0, PARA0_NUMToleranceUP, kTolUpPix},
        {pPara0, PARA0_NUMToleranceLO, kTolLoPix},
        {pPara1, PARA1_NUMPmodeValA, kPmodeValA},
        {pPara1, PARA1_DROPpmodeA, kPmodeA},
        {pPara1, PARA1_SLIDEVideoTHD_A, kVideoThdA},
        {pPara1, PARA1_NUMTeachA, kTeachA},
        {pPara1, PARA1_NUMPixStartA, kPixStartA},
        {pPara1, PARA1_NUMPixEndA, kPixEndA},
        {pPara1, PARA1_RINGGain, kGainA},
        {pPara1, PARA1_NUMTriggThresholdA, kTrigThdA},
        {pPara2, PARA2_NUMPmodeValB, kPmodeValB},
        {pPara2, PARA2_DROPpmodeB, kPmodeB},
        {pPara2, PARA2_SLIDEVideoTHD_B, kVideoThdB},
        {pPara2, PARA2_NUMTeachB, kTeachB},
        {pPara2, PARA2_NUMPixStartB, kPixStartB},
        {pPara2, PARA2_NUMPixEndB, kPixEndB},
        {pPara2, PARA2_RINGGain, kGainB},
        {pPara2, PARA2_NUMTriggThresholdB, kTrigThdB},
    };
    for (const auto& c : controls)
        EXPECT_EQ(U16(c.panel, c.ctrl), parameter[c.index]) << "control of entry " << c.index;
}

}  // namespace

TEST_F(Mapping, EveryEntryReachesItsOwnControlLimitedForTheLineAndComesBackUnlimited) {
    // Distinct values per entry on a line of 4096 pixels: a swapped or
    // missing control shows up.
    const std::pair<std::size_t, std::uint16_t> set[] = {
        {kEvalMode, 3},    {kModeSelect, 2},  {kAnaMode, 4},    {kHardwareMode, 2}, {kCountSetting, 77},
        {kFlagSetting, 0}, {kTolLoPix, 33},   {kTolUpPix, 44},  {kPmodeValA, 901},  {kPmodeA, 0},
        {kVideoThdA, 61},  {kTeachA, 1111},   {kPixStartA, 12}, {kPixEndA, 3999},   {kGainA, 1},
        {kTrigThdA, 71},   {kPmodeValB, 902}, {kPmodeB, 1},     {kVideoThdB, 62},   {kTeachB, 2222},
        {kPixStartB, 13},  {kPixEndB, 3998},  {kGainB, 0},      {kTrigThdB, 72},
    };
    for (auto [i, v] : set)
        parameter[i] = v;
    // Scales that are no round factor (1027/1024, a 24-bit entry) and a
    // reference with bit 31 set.
    Put32(parameter, kCalibRef, 0x87654321u);
    Put32(parameter, kCalibA, 1027);
    Put32(parameter, kCalibB, 16777215);
    SetPanelValues();
    ExpectControlsShowTheSet();
    EXPECT_EQ(Val<unsigned int>(pCalib, CALIB_NUMCalibRef), 0x87654321u);
    EXPECT_DOUBLE_EQ(Real(pCalib, CALIB_NUMCalibA), 1027 / 1024.0);
    EXPECT_DOUBLE_EQ(Real(pCalib, CALIB_NUMCalibB), 16777215 / 1024.0);

    // Forget the set: the controls alone bring it back, without the limits
    // of the line, the scales truncated, entries without a control kept.
    const std::size_t unmapped[] = {3,  12, 13, 14, 15, 16, 17, 28, 29, 30,
                                    31, 34, 35, 44, 45, 46, 47, 50, 51};
    for (std::size_t i : unmapped)
        parameter[i] = static_cast<std::uint16_t>(0x1000 + i);
    for (auto [i, v] : set)
        parameter[i] = 0xFFFF;
    for (std::size_t i : {kCalibRef, kCalibA, kCalibB})
        Put32(parameter, i, 0);
    ccdvirtpixel = 2048;
    SetCtrlVal(pPara1, PARA1_NUMTeachA, 3000);    // beyond the line
    SetCtrlVal(pCalib, CALIB_NUMCalibB, 0.0019);  // 1.95: truncated, not rounded
    GetPanelValues();
    for (auto [i, v] : set)
        EXPECT_EQ(parameter[i], i == kTeachA ? 3000 : v) << "parameter entry " << i;
    EXPECT_EQ(Get32(parameter, kCalibRef), 0x87654321u);
    EXPECT_EQ(Get32(parameter, kCalibA), 1027u);
    EXPECT_EQ(Get32(parameter, kCalibB), 1u);
    EXPECT_EQ(U16(pPara1, PARA1_NUMTeachA), 3000) << "reading wrote back onto the control";
    for (std::size_t i : unmapped)
        EXPECT_EQ(parameter[i], 0x1000 + i) << "entry " << i << " has no control";

    // A received set is limited for the connected line before it is shown.
    ccdvirtpixel = 1024;           // neither 2048 nor the start value 4096
    parameter[kTeachA] = 1000;     // inside the line: kept
    parameter[kTeachB] = 1025;     // beyond it: cvp / 2
    parameter[kVideoThdA] = 300;   // beyond 255: 128
    parameter[kTrigThdB] = 60000;  // never limited
    SetPanelValues();
    EXPECT_EQ(parameter[kTeachA], 1000);
    EXPECT_EQ(parameter[kTeachB], 512);
    EXPECT_EQ(parameter[kVideoThdA], 128);
    EXPECT_EQ(parameter[kTrigThdB], 60000);
    ExpectControlsShowTheSet();

    // Both millimetre limits in channel A's scale.
    Put32(parameter, kCalibA, 10240);  // 10 um per pixel
    Put32(parameter, kCalibB, 40960);
    parameter[kTolUpPix] = 100;
    parameter[kTolLoPix] = 25;
    SetPanelValues();
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolUpMM), 1.0);
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolLoMM), 0.25);
}

TEST_F(Mapping, ModesSetTargetTeachDimmingAndStripAxisAndDimOrHideTheirOwnControls) {
    ccdvirtpixel = 2048;
    // Mode 9 is limited to 1 before the view is taken; the second row also
    // checks that dimming is lifted and the axis shrinks again.
    const struct {
        std::uint16_t mode, tVal;
        int teachADimmed, teachBDimmed;
        double yMax;
    } views[] = {{3, 2048, 1, 1, 4096}, {9, 500, 0, 1, 2048}};
    for (const auto& r : views) {
        SCOPED_TRACE(testing::Message() << "evalMode " << r.mode);
        parameter[kEvalMode] = r.mode;
        parameter[kTeachA] = 500;
        parameter[kTeachB] = 600;
        tVal = 7;
        SetPanelValues();
        EXPECT_EQ(tVal, r.tVal);
        EXPECT_EQ(YAXISMAX, r.yMax);
        EXPECT_EQ(Attr(pPara1, PARA1_NUMTeachA, ATTR_DIMMED), r.teachADimmed);
        EXPECT_EQ(Attr(pPara2, PARA2_NUMTeachB, ATTR_DIMMED), r.teachBDimmed);
        const platform::AxisState& y = Graph(PANEL_STRIPRaw).yLeft;
        EXPECT_EQ((std::array{double(y.mode), y.min, y.max}), (std::array{double(VAL_MANUAL), 0.0, r.yMax}));
    }
    for (std::uint16_t pmode : {1, 0}) {
        parameter[kPmodeA] = pmode;
        parameter[kPmodeB] = static_cast<std::uint16_t>(1 - pmode);
        SetPanelValues();
        EXPECT_EQ(Attr(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED), pmode) << "pmodeA " << pmode;
        EXPECT_EQ(Attr(pPara2, PARA2_NUMPmodeValB, ATTR_DIMMED), 1 - pmode) << "pmodeB " << 1 - pmode;
    }
    for (std::uint16_t hw : {1, 2, 3, 0, 4}) {
        parameter[kHardwareMode] = hw;
        SetPanelValues();
        const int dimmed = (hw == 1 || hw == 3) ? 1 : 0;
        EXPECT_EQ(Attr(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED), dimmed) << "hardwareMode " << hw;
        EXPECT_EQ(Attr(pPara0, PARA0_NUMToleranceLO, ATTR_DIMMED), dimmed) << "hardwareMode " << hw;
    }
    for (std::uint16_t ana : {1, 0, 4}) {
        parameter[kAnaMode] = ana;
        SetPanelValues();
        for (int ctrl : {PANEL_NUMAnaMax, PANEL_NUMAnaMin, PANEL_ButtonReset})
            EXPECT_EQ(Attr(pHandle, ctrl, ATTR_VISIBLE), ana != 0)
                << "anaMode " << ana << " control " << ctrl;
    }
}

TEST_F(Mapping, ThresholdLinesComeFromTheirOwnValuesAndTheFetchRedrawsVideoAndClearsTheBars) {
    ccdvirtpixel = 2048;
    ADCMAX = 1024;
    parameter[kVideoThdA] = 50;
    parameter[kVideoThdB] = 25;
    parameter[kTeachA] = 50;    // lower line 0
    parameter[kTeachB] = 2000;  // upper line at the line end, 2048
    parameter[kTolUpPix] = 100;
    parameter[kTolLoPix] = 100;
    parameter[kTrigThdA] = 1234;
    parameter[kTrigThdB] = 4321;
    SetThresholds();
    const std::pair<const std::uint16_t*, int> lines[] = {
        {thdArrayA, 512}, {thdArrayB, 256}, {trgBUFA, 1234}, {trgBUFB, 4321}, {refTHDA, 50},
        {refTHDB, 2000},  {loTHDA, 0},      {upTHDA, 150},   {loTHDB, 1900},  {upTHDB, 2048},
    };
    for (std::size_t k = 0; k < std::size(lines); ++k)
        EXPECT_EQ(std::vector<std::uint16_t>(lines[k].first, lines[k].first + 128),
                  std::vector<std::uint16_t>(128, lines[k].second))
            << "line " << k;

    // Sending the panels recomputes the lines from what the controls hold.
    SetCtrlVal(pPara1, PARA1_SLIDEVideoTHD_A, 10);
    SetCtrlVal(pPara1, PARA1_NUMTeachA, 700);
    GetPanelValues();
    EXPECT_EQ(thdArrayA[5], 102);  // 1024 * 10 / 100
    EXPECT_EQ(refTHDA[5], 700);

    // A fetched set redraws the video curves from the capture buffers and
    // clears the bar graphs, whatever a live frame left there, to one grey bar.
    Aval = 700;
    Bval = 800;
    PlotVIDEOBarGraph();
    ASSERT_GE(Graph(PANEL_GRAPHBarMaster).plots.size(), 2u);
    for (int i = 0; i < 128; ++i) {
        adcbufA[i] = static_cast<std::uint16_t>(i * 3);
        adcbufB[i] = static_cast<std::uint16_t>(900 - i);
    }
    parameter[kVideoThdA] = 50;
    parameter[kVideoThdB] = 25;
    SetPanelValues();
    for (auto [graph, buf, threshold] : {std::tuple{PANEL_GRAPHVideoMaster, adcbufA, 512},
                                         std::tuple{PANEL_GRAPHVideoSlave, adcbufB, 256}}) {
        const platform::GraphModel& g = Graph(graph);
        ASSERT_EQ(g.plots.size(), 2u) << "video graph " << graph;
        EXPECT_EQ(g.plots[0].y, std::vector<double>(buf, buf + 128)) << "video graph " << graph;
        EXPECT_EQ(g.plots[1].y, std::vector<double>(128, threshold)) << "video graph " << graph;
    }
    for (int bar : {PANEL_GRAPHBarMaster, PANEL_GRAPHBarSlave}) {
        const platform::GraphModel& g = Graph(bar);
        ASSERT_EQ(g.plots.size(), 1u) << "bar graph " << bar;
        const platform::PlotItem& r = g.plots[0];
        EXPECT_EQ(r.kind, platform::PlotItem::Kind::Rectangle);
        EXPECT_EQ((std::vector<double>{r.x1, r.y1, r.x2, r.y2, double(r.frameColor), double(r.fillColor)}),
                  (std::vector<double>{0, 0, 2047, 1, VAL_GRAY, VAL_GRAY}));
    }
}
