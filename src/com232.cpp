// Sensor link: frame codec on the shared buffers, port opening, the receive
// callback and the line check.
#include "com232.h"

#include "K-BEX-TW-MS-DiredI304.h"
#include "core/frame.h"
#include "core/texts.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"

std::uint16_t parameter[52];
std::uint16_t pp[16];
std::uint8_t szWriteBuf[36];
std::uint8_t szReadBuf[1024];

const double TIMEOUT = 1.5;
const int eventMask = LWRS_RECEIVE | LWRS_TXEMPTY | LWRS_RXFLAG;
int rx_flag;
int graph_flag;
int stop_flag;
int nBytesW;
int nBytesR;
char szStatus[73];

std::uint16_t Aval, Bval, Mvalue, poti, edcntA, edcntB, peakwA, peakwB;
std::uint16_t anaMax, anaMin, raw15, instate;
std::int32_t umValue;

// --- status line --------------------------------------------------------------------

void SetStatus(const char* text) { core::CopyStatus(szStatus, sizeof szStatus - 1, text); }

void ShowStatus() { SetCtrlVal(pHandle, PANEL_TXTStatus, szStatus); }

void ShowStatusText(const char* text) { SetCtrlVal(pHandle, PANEL_TXTStatus, text); }

// --- codec ----------------------------------------------------------------------------

void CopyVarsToPP(std::uint16_t page) { core::CopyVarsToPP(parameter, page, pp); }

void CopyPPtoVars(std::uint16_t page) { core::CopyPPtoVars(parameter, page, pp); }

void CopyPPtoRAWVars() {
    const core::RawValues r = core::DecodeRaw(pp);
    Aval = r.Aval;
    Bval = r.Bval;
    Mvalue = r.Mvalue;
    umValue = r.umValue;
    poti = r.poti;
    edcntA = r.edcntA;
    edcntB = r.edcntB;
    peakwA = r.peakwA;
    peakwB = r.peakwB;
    anaMax = r.anaMax;
    anaMin = r.anaMin;
    parameter[core::kTeachA] = r.teachA;
    parameter[core::kTeachB] = r.teachB;
    raw15 = r.raw15;
    instate = r.instate;
}

void FillTxBuf(std::uint16_t command, std::uint16_t second, const std::uint16_t* words) {
    core::FillTxBuf(szWriteBuf, command, second, words);
}

int GetRxBuf() { return core::GetRxBuf(szReadBuf, pp); }

// --- line --------------------------------------------------------------------------------

void RX_Receive_Function(int /*portNumber*/, int eventFlags, void* /*callbackData*/) {
    if (!(eventFlags & LWRS_RECEIVE))
        return;
    ComRd(com, szReadBuf, 36);
    graph_flag = GetRxBuf();
    rx_flag = 1;
    FlushInQ(com);
}

void ReceiveCallbackOn() { InstallComCallback(com, eventMask, 36, 0x55, RX_Receive_Function, nullptr); }

void ReceiveCallbackOff() { InstallComCallback(com, 0, 36, 0x55, nullptr, nullptr); }

int CheckComLine(int port) {
    parameter[core::kCommand] = core::kCmdEcho;
    parameter[core::kPage] = 0;
    CopyVarsToPP(0);
    FillTxBuf(core::kCmdEcho, 0, pp);
    FlushOutQ(port);
    FlushInQ(port);
    rx_flag = 0;
    nBytesW = ComWrt(port, szWriteBuf, 36);

    int result = 0;
    const double t0 = Timer();
    for (;;) {
        ProcessSystemEvents();
        if (Timer() - t0 > TIMEOUT) {
            SetStatus("Timeout-RS-232...");
            break;
        }
        if (rx_flag != 0)
            break;
    }
    if (rx_flag == 1) {
        pp[0] = core::GetWordBE(szReadBuf);
        if (pp[0] == core::kAnswerSync) {
            SetStatus("Echo Check - Line Ok!");
            result = 1;
        } else {
            SetStatus("read error - not sync byte 0xAA!");
            result = 0;
        }
    }
    ShowStatus();
    return result;
}

void InitRS232(int port) {
    const int r = OpenComConfig(port, "", 19200, 0, 8, 1, 4096, 4096);
    if (r < 0) {
        SetStatus(core::OpenErrorText(r));
    } else {
        SetComTime(port, TIMEOUT);
        FlushInQ(port);
        FlushOutQ(port);
        SetCTSMode(port, 0);
        InstallComCallback(port, eventMask, 36, 0x55, RX_Receive_Function, nullptr);
        if (CheckComLine(port) == 1) {
            Delay(0.1);
            if (GetHARDWAREInfo() == 0)
                SetStatus("Error reading HARDWARE-info!");
            Delay(0.1);
            PushGET(1, 0);
            Delay(0.1);
            PushGET(1, 1);
            Delay(0.1);
            PushGET(1, 2);
            Delay(0.1);
            if (GetVERSIONInfo() < 72)
                SetStatus("Error reading firmware-info!");
        }
    }
    ShowStatus();
    SetCtrlAttribute(pPara1, PARA1_SLIDEVideoTHD_A, ATTR_DIMMED, 0);
    SetCtrlAttribute(pPara2, PARA2_SLIDEVideoTHD_B, ATTR_DIMMED, 0);
}
