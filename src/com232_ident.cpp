// Device identification: the hardware description and the firmware text.
#include <algorithm>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "core/texts.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"

namespace {

// The description of a sensor not yet identified. The two scales hold these
// values from the very start, before any start-up code runs.
constexpr std::uint16_t kStartCcdMaxPixel = 1024;
constexpr std::uint16_t kStartCcdSubPixel = 2048;
constexpr std::uint16_t kStartCcdVirtPixel = 4096;
constexpr std::uint16_t kStartADCMAX = 256;
constexpr std::uint16_t kStartYAXISMAX = 2048;

}  // namespace

std::uint16_t ccdtype, ccdmaxpixel, ccdresolution, pcbtype, ccdvirtpixel, ccdsubpixel;
std::uint16_t ccdpixB, ccdpixE, softversion, hwtype, adcmax;
std::uint16_t ADCMAX = kStartADCMAX;
std::uint16_t YAXISMAX = kStartYAXISMAX;
double xArray8[MAXPOINT];
char szVersion[73];

void InitIdentVars() {
    ccdtype = ccdresolution = pcbtype = ccdpixB = ccdpixE = softversion = hwtype = adcmax = 0;
    ccdmaxpixel = kStartCcdMaxPixel;
    ccdsubpixel = kStartCcdSubPixel;
    ccdvirtpixel = kStartCcdVirtPixel;
    ADCMAX = kStartADCMAX;
    YAXISMAX = kStartYAXISMAX;
    std::fill(std::begin(xArray8), std::end(xArray8), 0.0);
    szVersion[0] = '\0';
}

namespace {

std::uint16_t AnswerWord(int word) {
    return core::GetWordBE(szReadBuf + 2 * word);
}

void ShowCcdInfo(const core::CcdInfo& info) {
    if (info.knownCcd) {
        for (int panel : {pPara1, pPara2}) {
            const int ring = panel == pPara1 ? PARA1_RINGGain : PARA2_RINGGain;
            ReplaceListItem(panel, ring, 0, info.gainLow.c_str(), 0);
            ReplaceListItem(panel, ring, 1, info.gainHigh.c_str(), 1);
        }
    }
    for (int line = 0; line < 4; ++line)
        ReplaceTextBoxLine(pCalib, CALIB_TXTBOXCcdInfo, line, info.lines[line].c_str());
}

}  // namespace

int GetHARDWAREInfo() {
    parameter[core::kPage] = 0;
    BeginExchange(com);
    SendRequest(com, core::kCmdHardware, 0, pp);  // the payload is whatever pp holds
    if (!AwaitAnswer(TIMEOUT)) {
        SetStatus("Timeout-RS-232...");
        return 0;
    }
    // Any answer ends the wait; one that is not the description changes nothing.
    if (AnswerWord(1) != core::kCmdHardware)
        return 0;

    ccdtype = AnswerWord(2);
    ccdmaxpixel = AnswerWord(3);
    ccdresolution = AnswerWord(4);
    pcbtype = AnswerWord(5);
    ccdvirtpixel = AnswerWord(6);
    ccdsubpixel = AnswerWord(7);
    ccdpixB = AnswerWord(8);
    ccdpixE = AnswerWord(9);
    softversion = AnswerWord(10);
    hwtype = AnswerWord(11);
    adcmax = AnswerWord(12);

    // The video axes follow the count the sensor reports, before it is
    // normalised for the program's own use.
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideoMaster, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideoSlave, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);

    ccdvirtpixel = core::NormaliseVirtPixels(ccdvirtpixel);
    for (int i = 0; i < MAXPOINT; ++i)
        xArray8[i] = static_cast<double>(i * ccdvirtpixel / MAXPOINT);

    ShowCcdInfo(core::DescribeCcd(ccdtype, hwtype));
    const core::ScaleRule scale = core::ScaleFor(ccdtype, adcmax, ccdvirtpixel);
    ADCMAX = scale.adcMax;
    YAXISMAX = scale.yAxisMax;
    return 1;
}

int GetVERSIONInfo() {
    constexpr int kTextLen = static_cast<int>(core::kFirmwareLen);
    int n = 0;
    {
        ReceiveCallbackPause pause;  // the 72-byte text must stay in the queue for us
        parameter[core::kPage] = 0;
        BeginExchange(com);
        SendRequest(com, core::kCmdFirmware, 0, pp);
        ShowStatusText("Waiting for firmware info ...");

        // This wait runs no events on purpose: nothing the operator clicks can
        // start another exchange while the text is on its way, at the price of
        // a window that does not answer for at most the time-out.
        n = AwaitQueued(kTextLen, TIMEOUT);
        if (n < kTextLen)
            SetStatus("Timeout - reading firmware info!");

        szVersion[0] = '\0';
        // Never more than the receive buffer holds, however much the line brought.
        nBytesR = ComRd(com, szReadBuf, std::min<int>(n, sizeof szReadBuf));
        if (nBytesR == kTextLen) {
            const std::string text =
                core::DecodeFirmware(std::span(szReadBuf).first<core::kFirmwareLen>(), pcbtype);
            if (pcbtype == 0) {
                core::CopyStatus(szVersion, sizeof szVersion - 1, text.c_str());
                SetStatus(szVersion);
            } else {
                SetStatus(text.c_str());
            }
        }
    }
    BeginExchange(com);
    ShowStatus();
    return n;
}
