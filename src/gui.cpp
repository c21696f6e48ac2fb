// Panel value mapping, the parameter fetch and the recorder's total time.
#include "gui.h"

#include <algorithm>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "core/rules.h"
#include "platform/panels.h"

std::uint16_t adcbufA[MAXPOINT], adcbufB[MAXPOINT];
std::uint16_t mvalBUFA[MAXPOINT], mvalBUFB[MAXPOINT];
std::uint16_t thdArrayA[MAXPOINT], thdArrayB[MAXPOINT];
std::uint16_t trgBUFA[MAXPOINT], trgBUFB[MAXPOINT];
std::uint16_t refTHDA[MAXPOINT], refTHDB[MAXPOINT];
std::uint16_t upTHDA[MAXPOINT], upTHDB[MAXPOINT];
std::uint16_t loTHDA[MAXPOINT], loTHDB[MAXPOINT];
double xArrayMVAL[MAXPOINT];

using namespace core;

namespace {

// Level of the trigger lines before the first set is shown.
constexpr std::uint16_t kStartTrigger = 100;

// One channel's eight controls, in the order the sets are read and written.
struct ChannelControls {
    int panel;
    int pmodeVal, pmode, videoThd, teach, pixStart, pixEnd, trigThd, gain;
    std::size_t base;  // index of pmodeVal in `parameter`
};

ChannelControls ChannelA() {
    return {pPara1,          PARA1_NUMPmodeValA, PARA1_DROPpmodeA, PARA1_SLIDEVideoTHD_A,
            PARA1_NUMTeachA, PARA1_NUMPixStartA, PARA1_NUMPixEndA, PARA1_NUMTriggThresholdA,
            PARA1_RINGGain,  kPmodeValA};
}
ChannelControls ChannelB() {
    return {pPara2,          PARA2_NUMPmodeValB, PARA2_DROPpmodeB, PARA2_SLIDEVideoTHD_B,
            PARA2_NUMTeachB, PARA2_NUMPixStartB, PARA2_NUMPixEndB, PARA2_NUMTriggThresholdB,
            PARA2_RINGGain,  kPmodeValB};
}

// Offsets of the channel entries from pmodeVal.
enum : std::size_t {
    kOffPmode = kPmodeA - kPmodeValA,
    kOffVideoThd = kVideoThdA - kPmodeValA,
    kOffTeach = kTeachA - kPmodeValA,
    kOffPixStart = kPixStartA - kPmodeValA,
    kOffPixEnd = kPixEndA - kPmodeValA,
    kOffGain = kGainA - kPmodeValA,
    kOffTrigThd = kTrigThdA - kPmodeValA,
};

using Set = std::span<std::uint16_t, kParamCount>;

void Read16(Set set, int panel, int control, std::size_t index) {
    unsigned short v = 0;
    if (GetCtrlVal(panel, control, v) == 0)
        set[index] = v;
}

void ReadChannel(Set set, const ChannelControls& c) {
    Read16(set, c.panel, c.pmodeVal, c.base);
    Read16(set, c.panel, c.pmode, c.base + kOffPmode);
    Read16(set, c.panel, c.videoThd, c.base + kOffVideoThd);
    Read16(set, c.panel, c.teach, c.base + kOffTeach);
    Read16(set, c.panel, c.pixStart, c.base + kOffPixStart);
    Read16(set, c.panel, c.pixEnd, c.base + kOffPixEnd);
    Read16(set, c.panel, c.trigThd, c.base + kOffTrigThd);
    Read16(set, c.panel, c.gain, c.base + kOffGain);
}

void WriteChannel(const ChannelControls& c) {
    SetCtrlVal(c.panel, c.pmodeVal, parameter[c.base]);
    SetCtrlVal(c.panel, c.pmode, parameter[c.base + kOffPmode]);
    SetCtrlVal(c.panel, c.videoThd, parameter[c.base + kOffVideoThd]);
    SetCtrlVal(c.panel, c.teach, parameter[c.base + kOffTeach]);
    SetCtrlVal(c.panel, c.pixStart, parameter[c.base + kOffPixStart]);
    SetCtrlVal(c.panel, c.pixEnd, parameter[c.base + kOffPixEnd]);
    SetCtrlVal(c.panel, c.gain, parameter[c.base + kOffGain]);
    SetCtrlVal(c.panel, c.trigThd, parameter[c.base + kOffTrigThd]);
}

void ReadCalib(Set set, int control, std::size_t index) {
    double v = 0;
    if (GetCtrlVal(pCalib, control, v) == 0)
        Put32(set, index, CalibFromControl(v));
}

void Fill(std::uint16_t* line, std::uint16_t value) {
    std::fill_n(line, MAXPOINT, value);
}

}  // namespace

void InitGuiVars() {
    for (std::uint16_t* line : {adcbufA, adcbufB, mvalBUFA, mvalBUFB, thdArrayA, thdArrayB, refTHDA, refTHDB,
                                upTHDA, upTHDB, loTHDA, loTHDB})
        Fill(line, 0);
    ForgetCaptures();
    ResetTriggerLines();
    // The data curves are drawn over the 128 entries of the sensor's buffer
    // at every second position of its 256 scans.
    for (int i = 0; i < MAXPOINT; ++i)
        xArrayMVAL[i] = 2.0 * i;
    tVal = tolup = tollo = curposA = curposB = 0;
    ResetStatsVars();
}

void ResetTriggerLines() {
    Fill(trgBUFA, kStartTrigger);
    Fill(trgBUFB, kStartTrigger);
}

void SetThresholds() {
    const ThresholdLines t = ComputeThresholds(parameter, ADCMAX, ccdvirtpixel);
    Fill(thdArrayA, t.thdA);
    Fill(thdArrayB, t.thdB);
    Fill(trgBUFA, t.trgA);
    Fill(trgBUFB, t.trgB);
    Fill(refTHDA, t.refA);
    Fill(refTHDB, t.refB);
    Fill(upTHDA, t.upA);
    Fill(upTHDB, t.upB);
    Fill(loTHDA, t.loA);
    Fill(loTHDB, t.loB);
}

void ApplyModeRules() {
    SetCtrlAttribute(pPara1, PARA1_NUMPmodeValA, ATTR_DIMMED, parameter[kPmodeA] == 1);
    SetCtrlAttribute(pPara2, PARA2_NUMPmodeValB, ATTR_DIMMED, parameter[kPmodeB] == 1);
    ApplyHardwareMode(parameter[kHardwareMode]);
    ApplyAnaMode(parameter[kAnaMode]);
}

void ApplyHardwareMode(std::uint16_t mode) {
    // Modes 1 and 3 take the tolerance from the sensor's potentiometer.
    const bool potiTolerance = mode == 1 || mode == 3;
    SetCtrlAttribute(pPara0, PARA0_NUMToleranceUP, ATTR_DIMMED, potiTolerance);
    SetCtrlAttribute(pPara0, PARA0_NUMToleranceLO, ATTR_DIMMED, potiTolerance);
}

void ApplyAnaMode(std::uint16_t mode) {
    const bool analog = mode != 0;
    SetCtrlAttribute(pHandle, PANEL_NUMAnaMax, ATTR_VISIBLE, analog);
    SetCtrlAttribute(pHandle, PANEL_NUMAnaMin, ATTR_VISIBLE, analog);
    SetCtrlAttribute(pHandle, PANEL_ButtonReset, ATTR_VISIBLE, analog);
}

void ReadPanelValues(std::span<std::uint16_t, core::kParamCount> set) {
    Read16(set, pPara0, PARA0_DropEvalMode, kEvalMode);
    Read16(set, pPara0, PARA0_NUMToleranceUP, kTolUpPix);
    Read16(set, pPara0, PARA0_NUMToleranceLO, kTolLoPix);
    Read16(set, pPara0, PARA0_DROPHardwareMode, kHardwareMode);
    Read16(set, pPara0, PARA0_ModeSelect, kModeSelect);
    Read16(set, pPara0, PARA0_NUMCountSetting, kCountSetting);
    Read16(set, pPara0, PARA0_DROPAnaMode, kAnaMode);
    Read16(set, pPara0, PARA0_FlagSetting, kFlagSetting);
    int ref = 0;
    if (GetCtrlVal(pCalib, CALIB_NUMCalibRef, ref) == 0)
        Put32(set, kCalibRef, static_cast<std::uint32_t>(ref));
    ReadChannel(set, ChannelA());
    ReadCalib(set, CALIB_NUMCalibA, kCalibA);
    ReadChannel(set, ChannelB());
    ReadCalib(set, CALIB_NUMCalibB, kCalibB);
}

void GetPanelValues() {
    ReadPanelValues(parameter);
    SetThresholds();
}

void SetPanelValues() {
    const std::uint16_t cvp = ccdvirtpixel;
    LimitParameters(parameter, cvp);
    const float fA = CalibToControl(Get32(parameter, kCalibA));
    const float fB = CalibToControl(Get32(parameter, kCalibB));

    SetCtrlVal(pPara0, PARA0_DropEvalMode, parameter[kEvalMode]);
    SetCtrlVal(pPara0, PARA0_ModeSelect, parameter[kModeSelect]);
    SetCtrlVal(pPara0, PARA0_DROPAnaMode, parameter[kAnaMode]);
    SetCtrlVal(pPara0, PARA0_DROPHardwareMode, parameter[kHardwareMode]);
    SetCtrlVal(pPara0, PARA0_NUMCountSetting, parameter[kCountSetting]);
    SetCtrlVal(pPara0, PARA0_FlagSetting, parameter[kFlagSetting]);
    SetCtrlVal(pPara0, PARA0_NUMToleranceUP, parameter[kTolUpPix]);
    SetCtrlVal(pPara0, PARA0_NUMToleranceLO, parameter[kTolLoPix]);
    // The 32-bit entry travels through the integer control bit for bit.
    SetCtrlVal(pCalib, CALIB_NUMCalibRef, static_cast<int>(Get32(parameter, kCalibRef)));
    WriteChannel(ChannelA());
    SetCtrlVal(pCalib, CALIB_NUMCalibA, static_cast<double>(fA));
    WriteChannel(ChannelB());
    SetCtrlVal(pCalib, CALIB_NUMCalibB, static_cast<double>(fB));

    SetCtrlVal(pHandle, PANEL_NUMTolUpMM, static_cast<double>(fA) * parameter[kTolUpPix] / 1000.0);
    SetCtrlVal(pHandle, PANEL_NUMTolLoMM, static_cast<double>(fA) * parameter[kTolLoPix] / 1000.0);

    const EvalModeView view = EvalModeRule(parameter[kEvalMode], parameter[kTeachA], parameter[kTeachB], cvp);
    if (view.valid) {
        tVal = view.tVal;
        SetCtrlAttribute(pPara1, PARA1_NUMTeachA, ATTR_DIMMED, view.dimTeachA);
        SetCtrlAttribute(pPara2, PARA2_NUMTeachB, ATTR_DIMMED, view.dimTeachB);
        YAXISMAX = view.yAxisMax;
    }
    ApplyModeRules();

    SetThresholds();
    SetAxisScalingMode(pHandle, PANEL_STRIPRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, YAXISMAX);
    PlotVIDEOCurveA(adcbufA, thdArrayA, xArray8);
    PlotVIDEOCurveB(adcbufB, thdArrayB, xArray8);
    // Clearing the bar graphs: the grey bar replaces whatever they showed,
    // so nothing is kept beneath it to pile up over many fetches.
    for (int graph : {PANEL_GRAPHBarMaster, PANEL_GRAPHBarSlave}) {
        DeleteGraphPlot(pHandle, graph, -1, 0);
        PlotRectangle(pHandle, graph, 0.0, 0.0, cvp - 1.0, 1.0, VAL_GRAY, VAL_GRAY);
    }
}

int PushGET(std::uint16_t target, std::uint16_t page, std::span<std::uint16_t, kParamCount> into) {
    const int received = FetchPage(target, page, into) == Outcome::Answered ? 1 : 0;
    if (page == 2)
        Observer().ParameterSetTaken();
    return received;
}

void CalcRecTime() {
    unsigned short interval = 0, records = 0;
    GetCtrlVal(pPopUp, POPUP_NEDITRecTime, interval);
    GetCtrlVal(pPopUp, POPUP_NEDITRecSamples, records);
    SetCtrlVal(pPopUp, POPUP_NUMRecCount, 0);
    const RecTime t = SplitRecTime(interval, records);
    SetCtrlVal(pPopUp, POPUP_NUMRecDays, t.days);
    SetCtrlVal(pPopUp, POPUP_NUMRecHours, t.hours);
    SetCtrlVal(pPopUp, POPUP_NUMRecMinutes, t.minutes);
    SetCtrlVal(pPopUp, POPUP_NUMRecSeconds, t.seconds);
}
