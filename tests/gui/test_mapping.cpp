// The parameter set on the four parameter sub-panels: what the controls show
// after a set has been received, what is sent from the controls, the
// calibration scale, the evaluation-mode rules, the dependent dimming and
// visibility, and the threshold lines drawn over the graphs.
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

namespace {

std::uint16_t U16(int panel, int ctrl) {
    unsigned short v = 0xBEEF;
    EXPECT_EQ(GetCtrlVal(panel, ctrl, v), 0) << "control " << ctrl;
    return v;
}

std::uint32_t U32(int panel, int ctrl) {
    unsigned int v = 0xDEADBEEF;
    EXPECT_EQ(GetCtrlVal(panel, ctrl, v), 0) << "control " << ctrl;
    return v;
}

double Real(int panel, int ctrl) {
    double v = -12345.0;
    EXPECT_EQ(GetCtrlVal(panel, ctrl, v), 0) << "control " << ctrl;
    return v;
}

int Attr(int panel, int ctrl, int attr) {
    int v = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, ctrl, attr, v), 0) << "control " << ctrl;
    return v;
}

const platform::GraphModel& Graph(int ctrl) {
    const platform::GraphModel* m = platform::GetGraphModel(pHandle, ctrl);
    EXPECT_NE(m, nullptr) << "graph " << ctrl;
    static const platform::GraphModel empty;
    return m ? *m : empty;
}

// A complete, in-range set as the sensor would deliver it (the documented
// start values), with the CCD and converter of a 2048-pixel sensor.
void LoadStartSet() {
    ccdvirtpixel = 2048;
    ADCMAX = 256;
    parameter[core::kEvalMode] = 1;
    parameter[core::kModeSelect] = 0;
    parameter[core::kAnaMode] = 0;
    parameter[core::kHardwareMode] = 1;
    parameter[core::kCountSetting] = 1;
    parameter[core::kFlagSetting] = 1;
    parameter[core::kTolLoPix] = 100;
    parameter[core::kTolUpPix] = 100;
    core::Put32(parameter, core::kCalibRef, 37000);
    for (std::size_t base : {std::size_t{core::kPmodeValA}, std::size_t{core::kPmodeValB}}) {
        parameter[base + 0] = 500;   // pmodeVal
        parameter[base + 1] = 1;     // pmode
        parameter[base + 2] = 50;    // videoThd
        parameter[base + 3] = 512;   // teach
        parameter[base + 4] = 1;     // pixStart
        parameter[base + 5] = 2048;  // pixEnd
        parameter[base + 6] = 0;     // gain
        parameter[base + 7] = 50;    // trigThd
    }
    core::Put32(parameter, core::kCalibA, 1024);
    core::Put32(parameter, core::kCalibB, 1024);
}

struct ControlOf {
    int panel;
    int ctrl;
    std::size_t index;
};

// Every 16-bit entry with its control.
std::vector<ControlOf> SixteenBitControls() {
    return {
        {pPara0, PARA0_DropEvalMode, core::kEvalMode},
        {pPara0, PARA0_ModeSelect, core::kModeSelect},
        {pPara0, PARA0_DROPAnaMode, core::kAnaMode},
        {pPara0, PARA0_DROPHardwareMode, core::kHardwareMode},
        {pPara0, PARA0_NUMCountSetting, core::kCountSetting},
        {pPara0, PARA0_FlagSetting, core::kFlagSetting},
        {pPara0, PARA0_NUMToleranceUP, core::kTolUpPix},
        {pPara0, PARA0_NUMToleranceLO, core::kTolLoPix},
        {pPara1, PARA1_NUMPmodeValA, core::kPmodeValA},
        {pPara1, PARA1_DROPpmodeA, core::kPmodeA},
        {pPara1, PARA1_SLIDEVideoTHD_A, core::kVideoThdA},
        {pPara1, PARA1_NUMTeachA, core::kTeachA},
        {pPara1, PARA1_NUMPixStartA, core::kPixStartA},
        {pPara1, PARA1_NUMPixEndA, core::kPixEndA},
        {pPara1, PARA1_RINGGain, core::kGainA},
        {pPara1, PARA1_NUMTriggThresholdA, core::kTrigThdA},
        {pPara2, PARA2_NUMPmodeValB, core::kPmodeValB},
        {pPara2, PARA2_DROPpmodeB, core::kPmodeB},
        {pPara2, PARA2_SLIDEVideoTHD_B, core::kVideoThdB},
        {pPara2, PARA2_NUMTeachB, core::kTeachB},
        {pPara2, PARA2_NUMPixStartB, core::kPixStartB},
        {pPara2, PARA2_NUMPixEndB, core::kPixEndB},
        {pPara2, PARA2_RINGGain, core::kGainB},
        {pPara2, PARA2_NUMTriggThresholdB, core::kTrigThdB},
    };
}

}  // namespace

TEST(MappingSetPanelValues, ReceivedEntriesOutsideTheirRangeAreShownAndKeptLimited) {
    ResetProgram();
    LoadStartSet();
    ccdvirtpixel = 2048;
    parameter[core::kEvalMode] = 5;        // > 4  -> 1
    parameter[core::kModeSelect] = 4;      // > 3  -> 0
    parameter[core::kAnaMode] = 9;         // > 4  -> 0
    parameter[core::kHardwareMode] = 5;    // > 4  -> 1
    parameter[core::kCountSetting] = 2049; // > 2048 -> 1
    parameter[core::kFlagSetting] = 2;     // > 1  -> 1
    parameter[core::kTolUpPix] = 2049;     // > cvp -> cvp
    parameter[core::kTolLoPix] = 60000;    // > cvp -> cvp
    parameter[core::kPmodeValA] = 1001;    // > 1000 -> 500
    parameter[core::kPmodeValB] = 1000;    // on the limit: kept
    parameter[core::kPmodeA] = 2;          // > 1 -> 0
    parameter[core::kPmodeB] = 1;          // kept
    parameter[core::kVideoThdA] = 255;     // kept
    parameter[core::kVideoThdB] = 300;     // > 255 -> 128
    parameter[core::kTeachA] = 3000;       // > cvp -> cvp/2
    parameter[core::kTeachB] = 2048;       // on the limit: kept
    parameter[core::kPixStartA] = 100;     // kept
    parameter[core::kPixEndA] = 4096;      // > cvp -> cvp
    parameter[core::kPixStartB] = 2049;    // > cvp -> 1
    parameter[core::kPixEndB] = 4096;      // > cvp -> cvp
    parameter[core::kGainA] = 7;           // > 1 -> 0
    parameter[core::kGainB] = 1;           // kept
    parameter[core::kTrigThdA] = 60000;    // never limited
    parameter[core::kTrigThdB] = 3;
    core::Put32(parameter, core::kCalibRef, 100000);  // never limited
    core::Put32(parameter, core::kCalibA, 5120);
    core::Put32(parameter, core::kCalibB, 2048);

    SetPanelValues();

    struct Expect {
        std::size_t index;
        std::uint16_t value;
    };
    const std::vector<Expect> limited = {
        {core::kEvalMode, 1},     {core::kModeSelect, 0},  {core::kAnaMode, 0},
        {core::kHardwareMode, 1}, {core::kCountSetting, 1}, {core::kFlagSetting, 1},
        {core::kTolUpPix, 2048},  {core::kTolLoPix, 2048},  {core::kPmodeValA, 500},
        {core::kPmodeValB, 1000}, {core::kPmodeA, 0},       {core::kPmodeB, 1},
        {core::kVideoThdA, 255},  {core::kVideoThdB, 128},  {core::kTeachA, 1024},
        {core::kTeachB, 2048},    {core::kPixStartA, 100},  {core::kPixEndA, 2048},
        {core::kPixStartB, 1},    {core::kPixEndB, 2048},   {core::kGainA, 0},
        {core::kGainB, 1},        {core::kTrigThdA, 60000}, {core::kTrigThdB, 3},
    };
    for (const Expect& e : limited)
        EXPECT_EQ(parameter[e.index], e.value) << "parameter entry " << e.index;
    for (const ControlOf& c : SixteenBitControls())
        EXPECT_EQ(U16(c.panel, c.ctrl), parameter[c.index]) << "control of entry " << c.index;
    EXPECT_EQ(core::Get32(parameter, core::kCalibRef), 100000u);
    EXPECT_EQ(U32(pCalib, CALIB_NUMCalibRef), 100000u);
    EXPECT_DOUBLE_EQ(Real(pCalib, CALIB_NUMCalibA), 5.0);
    EXPECT_DOUBLE_EQ(Real(pCalib, CALIB_NUMCalibB), 2.0);
}

TEST(MappingSetPanelValues, TeachLimitFollowsTheCcdLength) {
    // The teach and pixel limits use the virtual pixel count of the sensor
    // actually connected, not a fixed 4096.
    ResetProgram();
    LoadStartSet();
    ccdvirtpixel = 4096;
    parameter[core::kTeachA] = 3000;
    parameter[core::kPixEndB] = 4096;
    parameter[core::kTeachB] = 4097;
    SetPanelValues();
    EXPECT_EQ(U16(pPara1, PARA1_NUMTeachA), 3000);
    EXPECT_EQ(U16(pPara2, PARA2_NUMPixEndB), 4096);
    EXPECT_EQ(U16(pPara2, PARA2_NUMTeachB), 2048);
    EXPECT_EQ(parameter[core::kTeachB], 2048);
}

TEST(MappingRoundTrip, EveryEntryReachesItsOwnControlAndComesBack) {
    // Distinct values per entry: a swapped or missing control shows up.
    ResetProgram();
    LoadStartSet();
    ccdvirtpixel = 4096;
    const std::vector<std::pair<std::size_t, std::uint16_t>> set = {
        {core::kEvalMode, 3},     {core::kModeSelect, 2},    {core::kAnaMode, 4},
        {core::kHardwareMode, 2}, {core::kCountSetting, 77}, {core::kFlagSetting, 0},
        {core::kTolLoPix, 33},    {core::kTolUpPix, 44},     {core::kPmodeValA, 901},
        {core::kPmodeA, 0},       {core::kVideoThdA, 61},    {core::kTeachA, 1111},
        {core::kPixStartA, 12},   {core::kPixEndA, 3999},    {core::kGainA, 1},
        {core::kTrigThdA, 71},    {core::kPmodeValB, 902},   {core::kPmodeB, 1},
        {core::kVideoThdB, 62},   {core::kTeachB, 2222},     {core::kPixStartB, 13},
        {core::kPixEndB, 3998},   {core::kGainB, 0},         {core::kTrigThdB, 72},
    };
    for (auto [i, v] : set)
        parameter[i] = v;
    core::Put32(parameter, core::kCalibRef, 123456);
    core::Put32(parameter, core::kCalibA, 3 * 1024 + 256);  // 3.25
    core::Put32(parameter, core::kCalibB, 7 * 1024 + 512);  // 7.5
    SetPanelValues();

    for (const ControlOf& c : SixteenBitControls())
        EXPECT_EQ(U16(c.panel, c.ctrl), parameter[c.index]) << "control of entry " << c.index;
    EXPECT_DOUBLE_EQ(Real(pCalib, CALIB_NUMCalibA), 3.25);
    EXPECT_DOUBLE_EQ(Real(pCalib, CALIB_NUMCalibB), 7.5);

    // Forget the set; the controls alone must bring it back.
    for (auto [i, v] : set)
        parameter[i] = 0xFFFF;
    core::Put32(parameter, core::kCalibRef, 0);
    core::Put32(parameter, core::kCalibA, 0);
    core::Put32(parameter, core::kCalibB, 0);
    GetPanelValues();
    for (auto [i, v] : set)
        EXPECT_EQ(parameter[i], v) << "parameter entry " << i;
    EXPECT_EQ(core::Get32(parameter, core::kCalibRef), 123456u);
    EXPECT_EQ(core::Get32(parameter, core::kCalibA), 3u * 1024 + 256);
    EXPECT_EQ(core::Get32(parameter, core::kCalibB), 7u * 1024 + 512);
}

TEST(MappingCalibration, ScaleFieldIsTheEntryOver1024BothWaysWithoutLoss) {
    ResetProgram();
    LoadStartSet();

    // What the operator types is multiplied by 1024 and truncated.
    SetCtrlVal(pCalib, CALIB_NUMCalibA, 1.5);
    SetCtrlVal(pCalib, CALIB_NUMCalibB, 2.25);
    GetPanelValues();
    EXPECT_EQ(core::Get32(parameter, core::kCalibA), 1536u);
    EXPECT_EQ(core::Get32(parameter, core::kCalibB), 2304u);

    SetCtrlVal(pCalib, CALIB_NUMCalibA, 0.0009);  // 0.92 -> 0
    SetCtrlVal(pCalib, CALIB_NUMCalibB, 0.0019);  // 1.95 -> 1
    GetPanelValues();
    EXPECT_EQ(core::Get32(parameter, core::kCalibA), 0u);
    EXPECT_EQ(core::Get32(parameter, core::kCalibB), 1u);

    // A received entry is shown as entry / 1024.
    LoadStartSet();
    core::Put32(parameter, core::kCalibA, 1536);
    core::Put32(parameter, core::kCalibB, 512);
    SetPanelValues();
    EXPECT_DOUBLE_EQ(Real(pCalib, CALIB_NUMCalibA), 1.5);
    EXPECT_DOUBLE_EQ(Real(pCalib, CALIB_NUMCalibB), 0.5);

    // Entries that are no round factor survive display and read-back exactly.
    for (std::uint32_t entry : {1027u, 1u, 65537u, 16777215u}) {
        LoadStartSet();
        core::Put32(parameter, core::kCalibA, entry);
        core::Put32(parameter, core::kCalibB, entry + 1);
        SetPanelValues();
        core::Put32(parameter, core::kCalibA, 0);
        core::Put32(parameter, core::kCalibB, 0);
        GetPanelValues();
        EXPECT_EQ(core::Get32(parameter, core::kCalibA), entry);
        EXPECT_EQ(core::Get32(parameter, core::kCalibB), entry + 1);
    }
}

TEST(MappingCalibration, ReferenceKeepsAllThirtyTwoBits) {
    ResetProgram();
    for (std::uint32_t ref : {37000u, 65536u, 100000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        LoadStartSet();
        core::Put32(parameter, core::kCalibRef, ref);
        SetPanelValues();
        EXPECT_EQ(U32(pCalib, CALIB_NUMCalibRef), ref);
        core::Put32(parameter, core::kCalibRef, 0);
        GetPanelValues();
        EXPECT_EQ(core::Get32(parameter, core::kCalibRef), ref);
        EXPECT_EQ(parameter[core::kCalibRef], ref & 0xFFFF) << "low word first";
        EXPECT_EQ(parameter[core::kCalibRef + 1], ref >> 16);
    }
}

TEST(MappingGetPanelValues, SendsWhatTheControlsHoldWithoutLimitsAndKeepsUnmappedEntries) {
    ResetProgram();
    LoadStartSet();
    ccdvirtpixel = 2048;
    // Entries without a control carry whatever they hold.
    const std::vector<std::size_t> unmapped = {3,  12, 13, 14, 15, 16, 17, 28, 29, 30, 31,
                                               34, 35, 44, 45, 46, 47, 50, 51};
    for (std::size_t i : unmapped)
        parameter[i] = static_cast<std::uint16_t>(0x1000 + i);

    // Values that SetPanelValues would limit for a 2048-pixel line.
    SetCtrlVal(pPara1, PARA1_NUMTeachA, 3000);
    SetCtrlVal(pPara2, PARA2_NUMTeachB, 8000);
    SetCtrlVal(pPara1, PARA1_NUMPixEndA, 4096);
    SetCtrlVal(pPara2, PARA2_NUMPixStartB, 3000);
    SetCtrlVal(pPara0, PARA0_NUMToleranceUP, 5000);
    SetCtrlVal(pPara0, PARA0_NUMToleranceLO, 2500);
    SetCtrlVal(pPara1, PARA1_NUMTriggThresholdA, 65535);
    GetPanelValues();

    EXPECT_EQ(parameter[core::kTeachA], 3000);
    EXPECT_EQ(parameter[core::kTeachB], 8000);
    EXPECT_EQ(parameter[core::kPixEndA], 4096);
    EXPECT_EQ(parameter[core::kPixStartB], 3000);
    EXPECT_EQ(parameter[core::kTolUpPix], 5000);
    EXPECT_EQ(parameter[core::kTolLoPix], 2500);
    EXPECT_EQ(parameter[core::kTrigThdA], 65535);
    for (std::size_t i : unmapped)
        EXPECT_EQ(parameter[i], 0x1000 + i) << "entry " << i << " has no control";
    // Reading does not write back onto the controls.
    EXPECT_EQ(U16(pPara1, PARA1_NUMTeachA), 3000);
    EXPECT_EQ(U16(pPara2, PARA2_NUMTeachB), 8000);
}

TEST(MappingEvalMode, TargetTeachFieldsAndStripAxisFollowTheMode) {
    struct Row {
        std::uint16_t mode;
        std::uint16_t tVal;
        int teachADimmed;
        int teachBDimmed;
        std::uint16_t yMax;
    };
    const Row rows[] = {
        {0, 600, 1, 0, 2048},  {1, 500, 0, 1, 2048},  {2, 2996, 0, 0, 4096},
        {3, 2048, 1, 1, 4096}, {4, 2048, 0, 0, 4096}, {9, 500, 0, 1, 2048},  // 9 -> 1
    };
    ResetProgram();
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "evalMode " << r.mode);
        LoadStartSet();
        ccdvirtpixel = 2048;
        parameter[core::kEvalMode] = r.mode;
        parameter[core::kTeachA] = 500;
        parameter[core::kTeachB] = 600;
        tVal = 7;
        YAXISMAX = 7;
        SetPanelValues();
        EXPECT_EQ(tVal, r.tVal);
        EXPECT_EQ(YAXISMAX, r.yMax);
        EXPECT_EQ(Attr(pPara1, PARA1_NUMTeachA, ATTR_DIMMED), r.teachADimmed);
        EXPECT_EQ(Attr(pPara2, PARA2_NUMTeachB, ATTR_DIMMED), r.teachBDimmed);
        const platform::GraphModel& strip = Graph(PANEL_STRIPRaw);
        EXPECT_EQ(strip.yLeft.mode, VAL_MANUAL);
        EXPECT_DOUBLE_EQ(strip.yLeft.min, 0.0);
        EXPECT_DOUBLE_EQ(strip.yLeft.max, r.yMax);
    }
}

TEST(MappingDependentControls, PmodeHardwareModeAndAnaModeDimOrHideTheirControls) {
    ResetProgram();
    for (std::uint16_t pmode : {1, 0, 1}) {
        LoadStartSet();
        parameter[core::kPmodeA] = pmode;
        parameter[core::kPmodeB] = static_cast<std::uint16_t>(1 - pmode);
        SetPanelValues();
        EXPECT_EQ(Attr(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED), pmode) << "pmodeA " << pmode;
        EXPECT_EQ(Attr(pPara2, PARA2_NUMPmodeValB, ATTR_DIMMED), 1 - pmode) << "pmodeB " << 1 - pmode;
    }
    for (std::uint16_t hw : {1, 2, 3, 0, 4}) {
        LoadStartSet();
        parameter[core::kHardwareMode] = hw;
        SetPanelValues();
        const int dimmed = (hw == 1 || hw == 3) ? 1 : 0;
        EXPECT_EQ(Attr(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED), dimmed) << "hardwareMode " << hw;
        EXPECT_EQ(Attr(pPara0, PARA0_NUMToleranceLO, ATTR_DIMMED), dimmed) << "hardwareMode " << hw;
    }
    for (std::uint16_t ana : {0, 1, 0, 2, 3, 4}) {
        LoadStartSet();
        parameter[core::kAnaMode] = ana;
        SetPanelValues();
        const int visible = ana == 0 ? 0 : 1;
        for (int ctrl : {PANEL_NUMAnaMax, PANEL_NUMAnaMin, PANEL_ButtonReset})
            EXPECT_EQ(Attr(pHandle, ctrl, ATTR_VISIBLE), visible) << "anaMode " << ana << " control " << ctrl;
    }
}

TEST(MappingToleranceDisplays, MillimetreFieldsUseChannelAScaleForBothLimits) {
    ResetProgram();
    LoadStartSet();
    core::Put32(parameter, core::kCalibA, 10240);  // 10 um per pixel
    core::Put32(parameter, core::kCalibB, 40960);  // must not be used
    parameter[core::kTolUpPix] = 100;
    parameter[core::kTolLoPix] = 25;
    SetPanelValues();
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolUpMM), 1.0);
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolLoMM), 0.25);

    LoadStartSet();
    core::Put32(parameter, core::kCalibA, 3072);  // 3 um per pixel
    core::Put32(parameter, core::kCalibB, 1024);
    parameter[core::kTolUpPix] = 250;
    parameter[core::kTolLoPix] = 2000;
    SetPanelValues();
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolUpMM), 0.75);
    EXPECT_DOUBLE_EQ(Real(pHandle, PANEL_NUMTolLoMM), 6.0);
}

TEST(MappingThresholds, LinesScaleWithTheConverterAndClampAtTheLineEnds) {
    ResetProgram();
    LoadStartSet();
    ccdvirtpixel = 2048;
    ADCMAX = 1024;
    parameter[core::kVideoThdA] = 50;
    parameter[core::kVideoThdB] = 33;   // 337.92 -> 337
    parameter[core::kTeachA] = 50;      // 50 - 100 < 0 -> lower line 0
    parameter[core::kTeachB] = 2000;    // 2000 + 100 > 2048 -> upper line 2048
    parameter[core::kTolLoPix] = 100;
    parameter[core::kTolUpPix] = 100;
    parameter[core::kTrigThdA] = 1234;
    parameter[core::kTrigThdB] = 4321;
    SetThresholds();
    for (int i = 0; i < 128; ++i) {
        SCOPED_TRACE(testing::Message() << "point " << i);
        EXPECT_EQ(thdArrayA[i], 512);
        EXPECT_EQ(thdArrayB[i], 337);
        EXPECT_EQ(trgBUFA[i], 1234);
        EXPECT_EQ(trgBUFB[i], 4321);
        EXPECT_EQ(refTHDA[i], 50);
        EXPECT_EQ(refTHDB[i], 2000);
        EXPECT_EQ(loTHDA[i], 0);
        EXPECT_EQ(upTHDA[i], 150);
        EXPECT_EQ(loTHDB[i], 1900);
        EXPECT_EQ(upTHDB[i], 2048);
    }

    // Both channels use the one pair of tolerance entries; the upper line of
    // channel A reaches the line end exactly.
    parameter[core::kTeachA] = 2000;
    parameter[core::kTeachB] = 100;
    parameter[core::kTolUpPix] = 48;
    parameter[core::kTolLoPix] = 100;
    ADCMAX = 256;
    parameter[core::kVideoThdA] = 255;  // 652.8 -> 652
    SetThresholds();
    EXPECT_EQ(upTHDA[0], 2048);
    EXPECT_EQ(loTHDA[127], 1900);
    EXPECT_EQ(upTHDB[0], 148);
    EXPECT_EQ(loTHDB[127], 0);
    EXPECT_EQ(thdArrayA[64], 652);

    // Sending the panels recomputes the lines from what the controls hold.
    SetCtrlVal(pPara1, PARA1_SLIDEVideoTHD_A, 10);
    SetCtrlVal(pPara1, PARA1_NUMTeachA, 700);
    GetPanelValues();
    EXPECT_EQ(thdArrayA[5], 25);  // 256 * 10 / 100 = 25.6
    EXPECT_EQ(refTHDA[5], 700);
}

TEST(MappingSetPanelValues, RedrawsVideoCurvesAndClearsBarGraphsToOneGreyRectangle) {
    ResetProgram();
    LoadStartSet();
    ccdvirtpixel = 2048;
    // Leave something on the bar graphs first, as a live frame would.
    parameter[core::kEvalMode] = 1;
    Aval = 700;
    Bval = 800;
    peakwA = 10;
    peakwB = 10;
    PlotVIDEOBarGraph();
    ASSERT_GE(Graph(PANEL_GRAPHBarMaster).plots.size(), 2u);

    for (int i = 0; i < 128; ++i) {
        adcbufA[i] = static_cast<std::uint16_t>(i * 3);
        adcbufB[i] = static_cast<std::uint16_t>(900 - i);
    }
    LoadStartSet();
    ccdvirtpixel = 2048;
    ADCMAX = 1024;
    parameter[core::kVideoThdA] = 50;
    parameter[core::kVideoThdB] = 25;
    SetPanelValues();

    struct Video {
        int graph;
        const std::uint16_t* buf;
        std::uint16_t threshold;
    };
    for (const Video& v : {Video{PANEL_GRAPHVideoMaster, adcbufA, 512}, Video{PANEL_GRAPHVideoSlave, adcbufB, 256}}) {
        SCOPED_TRACE(testing::Message() << "video graph " << v.graph);
        const platform::GraphModel& g = Graph(v.graph);
        ASSERT_EQ(g.plots.size(), 2u);
        EXPECT_EQ(g.plots[0].color, VAL_RED);
        EXPECT_EQ(g.plots[1].color, VAL_DK_GREEN);
        ASSERT_EQ(g.plots[0].y.size(), 128u);
        ASSERT_EQ(g.plots[1].y.size(), 128u);
        for (int i = 0; i < 128; ++i) {
            EXPECT_EQ(g.plots[0].y[i], v.buf[i]);
            EXPECT_EQ(g.plots[1].y[i], v.threshold);
        }
        EXPECT_DOUBLE_EQ(g.yLeft.max, 1024.0);
    }
    for (int bar : {PANEL_GRAPHBarMaster, PANEL_GRAPHBarSlave}) {
        SCOPED_TRACE(testing::Message() << "bar graph " << bar);
        const platform::GraphModel& g = Graph(bar);
        ASSERT_EQ(g.plots.size(), 1u);
        const platform::PlotItem& r = g.plots[0];
        EXPECT_EQ(r.kind, platform::PlotItem::Kind::Rectangle);
        EXPECT_DOUBLE_EQ(r.x1, 0.0);
        EXPECT_DOUBLE_EQ(r.y1, 0.0);
        EXPECT_DOUBLE_EQ(r.x2, 2047.0);
        EXPECT_DOUBLE_EQ(r.y2, 1.0);
        EXPECT_EQ(r.frameColor, VAL_GRAY);
        EXPECT_EQ(r.fillColor, VAL_GRAY);
    }
}
