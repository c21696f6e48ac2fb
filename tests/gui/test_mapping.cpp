// The parameter set on the sub-panels: every entry reaches its own control and
// comes back, and the limits, the evaluation-mode view, the dependent dimming
// and visibility, the calibration fields and the threshold lines reach the
// right controls and buffers. The rules' tables and edge cases are in
// tests/unit/test_rules.cpp; here one case per behaviour checks the wiring.

#include <initializer_list>

#include "app_fixture.h"
#include "core/rules.h"

using namespace kbex_test;
using namespace core;
using Mapping = ProgramTest;

// Every 16-bit entry with its control: each shows its own entry. The lists
// are control, entry, control, entry...
static void ExpectControlsShowTheSet() {
    auto expect = [](int panel, std::initializer_list<int> controls) {
        for (auto c = controls.begin(); c != controls.end(); c += 2)
            EXPECT_EQ(Val<unsigned short>(panel, c[0]), parameter[c[1]]) << "control of entry " << c[1];
    };
    expect(pPara0,
           {PARA0_DropEvalMode, kEvalMode, PARA0_ModeSelect, kModeSelect, PARA0_DROPAnaMode, kAnaMode,
            PARA0_DROPHardwareMode, kHardwareMode, PARA0_NUMCountSetting, kCountSetting, PARA0_FlagSetting,
            kFlagSetting, PARA0_NUMToleranceUP, kTolUpPix, PARA0_NUMToleranceLO, kTolLoPix});
    expect(pPara1, {PARA1_NUMPmodeValA, kPmodeValA, PARA1_DROPpmodeA, kPmodeA, PARA1_SLIDEVideoTHD_A,
                    kVideoThdA, PARA1_NUMTeachA, kTeachA, PARA1_NUMPixStartA, kPixStartA, PARA1_NUMPixEndA,
                    kPixEndA, PARA1_RINGGain, kGainA, PARA1_NUMTriggThresholdA, kTrigThdA});
    expect(pPara2, {PARA2_NUMPmodeValB, kPmodeValB, PARA2_DROPpmodeB, kPmodeB, PARA2_SLIDEVideoTHD_B,
                    kVideoThdB, PARA2_NUMTeachB, kTeachB, PARA2_NUMPixStartB, kPixStartB, PARA2_NUMPixEndB,
                    kPixEndB, PARA2_RINGGain, kGainB, PARA2_NUMTriggThresholdB, kTrigThdB});
}

TEST_F(Mapping, EachEntryReachesItsControlLimitedForTheLineComesBackUnlimitedAndModesAndLinesFollowTheSet) {
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
    EXPECT_EQ(Values(Val<unsigned int>(pCalib, CALIB_NUMCalibRef), Val<double>(pCalib, CALIB_NUMCalibA),
                     Val<double>(pCalib, CALIB_NUMCalibB)),
              Values(0x87654321u, 1027 / 1024.0, 16777215 / 1024.0));

    // Forget the set: the controls alone bring it back, without the limits
    // of the line, the scales truncated, entries without a control kept.
    for (std::size_t i = 0; i < kParamCount; ++i)
        parameter[i] = static_cast<std::uint16_t>(0x1000 + i);
    const std::vector<std::uint16_t> unmapped(std::begin(parameter), std::end(parameter));
    ccdvirtpixel = 2048;
    SetCtrlVal(pPara1, PARA1_NUMTeachA, 3000);    // beyond the line
    SetCtrlVal(pCalib, CALIB_NUMCalibB, 0.0019);  // 1.95: truncated, not rounded
    GetPanelValues();
    for (auto [i, v] : set)
        EXPECT_EQ(parameter[i], i == kTeachA ? 3000 : v) << "parameter entry " << i;
    // The last: reading wrote nothing back onto the control.
    EXPECT_EQ(Values(Get32(parameter, kCalibRef), Get32(parameter, kCalibA), Get32(parameter, kCalibB),
                     Val<unsigned short>(pPara1, PARA1_NUMTeachA)),
              Values(0x87654321u, 1027, 1, 3000));
    for (std::size_t i : {3, 12, 13, 14, 15, 16, 17, 28, 29, 30, 31, 34, 35, 44, 45, 46, 47, 50, 51})
        EXPECT_EQ(parameter[i], unmapped[i]) << "entry " << i << " has no control";

    // A received set is limited for the connected line before it is shown,
    // and both millimetre limits are in channel A's scale.
    ccdvirtpixel = 1024;               // neither 2048 nor the start value 4096
    parameter[kTeachB] = 1025;         // beyond it: cvp / 2
    Put32(parameter, kCalibA, 10240);  // 10 um per pixel
    Put32(parameter, kCalibB, 40960);
    parameter[kTolUpPix] = 100;
    parameter[kTolLoPix] = 25;
    SetPanelValues();
    ExpectControlsShowTheSet();
    EXPECT_EQ(Values(parameter[kTeachB], Val<double>(pHandle, PANEL_NUMTolUpMM),
                     Val<double>(pHandle, PANEL_NUMTolLoMM)),
              Values(512, 1.0, 0.25));

    ccdvirtpixel = 2048;
    // Mode 9 is limited to 1 before the view is taken; the second row also
    // checks that dimming is lifted and the axis shrinks again.
    for (std::uint16_t mode : {3, 9}) {
        SCOPED_TRACE(testing::Message() << "evalMode " << mode);
        const EvalModeView view = EvalModeRule(mode == 9 ? 1 : mode, 500, 600, 2048);
        parameter[kEvalMode] = mode;
        parameter[kTeachA] = 500;
        parameter[kTeachB] = 600;
        tVal = 7;
        SetPanelValues();
        EXPECT_EQ(Values(tVal, YAXISMAX, Attr(pPara1, PARA1_NUMTeachA, ATTR_DIMMED),
                         Attr(pPara2, PARA2_NUMTeachB, ATTR_DIMMED)),
                  Values(view.tVal, view.yAxisMax, view.dimTeachA, view.dimTeachB));
        EXPECT_EQ(Range(Graph(PANEL_STRIPRaw).yLeft),
                  (std::array{double(VAL_MANUAL), 0.0, double(view.yAxisMax)}));
    }
    // The dependent controls follow the set; which hardware and analogue
    // modes dim or hide what is the mode rings' test. Pmode 1 has no value of
    // its own, on either channel.
    for (bool a : {true, false}) {
        std::tie(parameter[kPmodeA], parameter[kPmodeB]) = std::pair(a, !a);
        SetPanelValues();
        EXPECT_EQ(Values(Attr(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED),
                         Attr(pPara2, PARA2_NUMPmodeValB, ATTR_DIMMED)),
                  Values(a, !a));
    }

    // The threshold lines, each from its own values.
    ADCMAX = 1024;
    parameter[kVideoThdA] = 50;
    parameter[kVideoThdB] = 25;
    parameter[kTeachA] = 50;    // lower line 0
    parameter[kTeachB] = 2000;  // upper line at the line end, 2048
    parameter[kTolUpPix] = parameter[kTolLoPix] = 100;
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

    // A fetched set redraws the video curves from the capture buffers and
    // clears the bar graphs, whatever the start left there, to one grey bar.
    std::fill_n(adcbufA, 128, 300);
    std::fill_n(adcbufB, 128, 900);
    SetPanelValues();
    for (auto [graph, video, threshold] :
         {std::tuple{PANEL_GRAPHVideoMaster, 300, 512}, std::tuple{PANEL_GRAPHVideoSlave, 900, 256}}) {
        const auto& plots = Graph(graph).plots;
        ASSERT_EQ(plots.size(), 2u) << "video graph " << graph;
        EXPECT_EQ(plots[0].y, std::vector<double>(128, video)) << "video graph " << graph;
        EXPECT_EQ(plots[1].y, std::vector<double>(128, threshold)) << "video graph " << graph;
    }
    for (int bar : {PANEL_GRAPHBarMaster, PANEL_GRAPHBarSlave})
        EXPECT_EQ(Rects(Graph(bar)), (std::vector<Rect>{{0, 0, 2047, 1, VAL_GRAY, VAL_GRAY}}))
            << "bar graph " << bar;

    // Sending the panels recomputes the lines from what the controls hold.
    SetCtrlVal(pPara1, PARA1_SLIDEVideoTHD_A, 10);
    SetCtrlVal(pPara1, PARA1_NUMTeachA, 700);
    GetPanelValues();
    EXPECT_EQ(thdArrayA[5], 102);  // 1024 * 10 / 100
    EXPECT_EQ(refTHDA[5], 700);
}
