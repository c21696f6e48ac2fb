// The parameter set on the sub-panels: every entry reaches its own control and
// comes back, and the limits, the evaluation-mode view, the dependent dimming
// and visibility, the calibration fields and the threshold lines reach the
// right controls and buffers. The rules' tables and edge cases are in
// tests/unit/test_rules.cpp; here one case per behaviour checks the wiring.

#include "app_fixture.h"
#include "core/rules.h"

using namespace kbex_test;
using namespace core;
using Mapping = ProgramTest;

// Every 16-bit entry with its control and a value of its own on a line of
// 4096 pixels, so that a swapped or missing control shows up. In fours:
// sub-panel (0-2), control, entry, value.
constexpr std::size_t kEntries[] = {
    0, PARA0_DropEvalMode,    kEvalMode,     3,   0, PARA0_ModeSelect,         kModeSelect,   2,
    0, PARA0_DROPAnaMode,     kAnaMode,      4,   0, PARA0_DROPHardwareMode,   kHardwareMode, 2,
    0, PARA0_NUMCountSetting, kCountSetting, 77,  0, PARA0_FlagSetting,        kFlagSetting,  0,
    0, PARA0_NUMToleranceLO,  kTolLoPix,     33,  0, PARA0_NUMToleranceUP,     kTolUpPix,     44,
    1, PARA1_NUMPmodeValA,    kPmodeValA,    901, 1, PARA1_DROPpmodeA,         kPmodeA,       0,
    1, PARA1_SLIDEVideoTHD_A, kVideoThdA,    61,  1, PARA1_NUMTeachA,          kTeachA,       1111,
    1, PARA1_NUMPixStartA,    kPixStartA,    12,  1, PARA1_NUMPixEndA,         kPixEndA,      3999,
    1, PARA1_RINGGain,        kGainA,        1,   1, PARA1_NUMTriggThresholdA, kTrigThdA,     71,
    2, PARA2_NUMPmodeValB,    kPmodeValB,    902, 2, PARA2_DROPpmodeB,         kPmodeB,       1,
    2, PARA2_SLIDEVideoTHD_B, kVideoThdB,    62,  2, PARA2_NUMTeachB,          kTeachB,       2222,
    2, PARA2_NUMPixStartB,    kPixStartB,    13,  2, PARA2_NUMPixEndB,         kPixEndB,      3998,
    2, PARA2_RINGGain,        kGainB,        0,   2, PARA2_NUMTriggThresholdB, kTrigThdB,     72};
static void ExpectControlsShowTheSet() {
    const int panels[] = {pPara0, pPara1, pPara2};
    for (const std::size_t* e = kEntries; e != std::end(kEntries); e += 4)
        EXPECT_EQ(Val<unsigned short>(panels[e[0]], int(e[1])), parameter[e[2]])
            << "control of entry " << e[2];
}

TEST_F(Mapping, EachEntryReachesItsControlLimitedForTheLineComesBackUnlimitedAndModesAndLinesFollowTheSet) {
    for (const std::size_t* e = kEntries; e != std::end(kEntries); e += 4)
        parameter[e[2]] = std::uint16_t(e[3]);
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
    ccdvirtpixel = 2048;
    SetCtrlVal(pPara1, PARA1_NUMTeachA, 3000);    // beyond the line
    SetCtrlVal(pCalib, CALIB_NUMCalibB, 0.0019);  // 1.95: truncated, not rounded
    GetPanelValues();
    for (const std::size_t* e = kEntries; e != std::end(kEntries); e += 4)
        EXPECT_EQ(parameter[e[2]], e[2] == kTeachA ? 3000 : e[3]) << "parameter entry " << e[2];
    // The last: reading wrote nothing back onto the control.
    EXPECT_EQ(Values(Get32(parameter, kCalibRef), Get32(parameter, kCalibA), Get32(parameter, kCalibB),
                     Val<unsigned short>(pPara1, PARA1_NUMTeachA)),
              Values(0x87654321u, 1027, 1, 3000));
    for (std::size_t i : {3, 12, 13, 14, 15, 16, 17, 28, 29, 30, 31, 34, 35, 44, 45, 46, 47, 50, 51})
        EXPECT_EQ(parameter[i], 0x1000 + i) << "entry " << i << " has no control";

    // A received set is limited for the connected line before it is shown,
    // and both millimetre limits are in channel A's scale.
    ccdvirtpixel = 1024;               // neither 2048 nor the start value 4096
    parameter[kTeachB] = 1025;         // beyond it: cvp / 2
    Put32(parameter, kCalibA, 10240);  // 10 um per pixel
    Put32(parameter, kCalibB, 40960);
    std::tie(parameter[kTolUpPix], parameter[kTolLoPix]) = std::pair(100, 25);
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
        std::tie(parameter[kEvalMode], parameter[kTeachA], parameter[kTeachB], tVal) =
            std::tuple(mode, 500, 600, 7);
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
    // Teach A 50 puts the lower line at 0, teach B 2000 the upper at the line end, 2048.
    ADCMAX = 1024;
    parameter[kTolUpPix] = parameter[kTolLoPix] = 100;
    std::tie(parameter[kVideoThdA], parameter[kVideoThdB], parameter[kTeachA], parameter[kTeachB],
             parameter[kTrigThdA], parameter[kTrigThdB]) = std::tuple(50, 25, 50, 2000, 1234, 4321);
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
    EXPECT_EQ(Values(thdArrayA[5], refTHDA[5]), Values(1024 * 10 / 100, 700));
}
