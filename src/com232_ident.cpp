// Device identification: the hardware description and the firmware text.
#include <algorithm>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "core/texts.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"

std::uint16_t ccdtype, ccdmaxpixel, ccdresolution, pcbtype, ccdvirtpixel, ccdsubpixel;
std::uint16_t ccdpixB, ccdpixE, softversion, hwtype, adcmax;
std::uint16_t ADCMAX = 256;
std::uint16_t YAXISMAX = 2048;
double xArray8[128];
char szVersion[73];

namespace {

std::uint16_t AnswerWord(int word) { return core::GetWordBE(szReadBuf + 2 * word); }

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
    parameter[core::kCommand] = core::kCmdHardware;
    parameter[core::kPage] = 0;
    FillTxBuf(core::kCmdHardware, 0, pp);
    FlushOutQ(com);
    FlushInQ(com);
    rx_flag = 0;
    nBytesW = ComWrt(com, szWriteBuf, 36);

    const double t0 = Timer();
    for (;;) {
        ProcessSystemEvents();
        if (Timer() - t0 > TIMEOUT) {
            SetStatus("Timeout-RS-232...");
            return 0;
        }
        if (rx_flag)
            break;
    }
    if (rx_flag != 1 || AnswerWord(1) != core::kCmdHardware)
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
    for (int i = 0; i < 128; ++i)
        xArray8[i] = static_cast<double>(i * ccdvirtpixel / 128);

    ShowCcdInfo(core::DescribeCcd(ccdtype, hwtype));
    const core::ScaleRule scale = core::ScaleFor(ccdtype, adcmax, ccdvirtpixel);
    ADCMAX = scale.adcMax;
    YAXISMAX = scale.yAxisMax;
    return 1;
}

int GetVERSIONInfo() {
    ReceiveCallbackOff();  // the 72-byte answer must stay in the queue
    FlushInQ(com);
    FlushOutQ(com);
    parameter[core::kCommand] = core::kCmdFirmware;
    parameter[core::kPage] = 0;
    FillTxBuf(core::kCmdFirmware, 0, pp);
    nBytesW = ComWrt(com, szWriteBuf, 36);
    ShowStatusText("Waiting for firmware info ...");

    int n = 0;
    const double t0 = Timer();
    do {
        n = GetInQLen(com);
        if (Timer() - t0 > TIMEOUT) {
            SetStatus("Timeout - reading firmware info!");
            break;
        }
    } while (n < 72);

    szVersion[0] = '\0';
    // Never more than the receive buffer holds, however much the line brought.
    nBytesR = ComRd(com, szReadBuf, std::min<int>(n, sizeof szReadBuf));
    if (nBytesR == 72) {
        const std::string text = core::DecodeFirmware(szReadBuf, 72, pcbtype);
        if (pcbtype == 0) {
            core::CopyStatus(szVersion, sizeof szVersion - 1, text.c_str());
            SetStatus(szVersion);
        } else {
            SetStatus(text.c_str());
        }
    }

    ReceiveCallbackOn();
    FlushInQ(com);
    FlushOutQ(com);
    rx_flag = 0;
    ShowStatus();
    return n;
}
