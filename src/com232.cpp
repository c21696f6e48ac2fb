// Sensor link: frame codec on the shared buffers, port opening, the receive
// callback and the line check.
#include "com232.h"

#include <algorithm>
#include <cstring>

#include "K-BEX-TW-MS-DiredI304.h"
#include "core/frame.h"
#include "core/texts.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"

std::uint16_t parameter[core::kParamCount];
std::uint16_t pp[core::kPPWords];
std::uint8_t szWriteBuf[core::kFrameLen];
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

namespace {

// The receive callback is notified once a whole answer frame is queued; the
// event character is the request header's low byte, as the line was always set up.
constexpr int kNotifyCount = static_cast<int>(core::kFrameLen);
constexpr int kEventChar = core::kRequestSync;

// Start values of the parameter set; every entry not named stays 0.
void ParameterStartValues() {
    using namespace core;
    std::memset(parameter, 0, sizeof parameter);
    parameter[kFrameHeader] = kRequestSync;
    parameter[kCommand] = 1;
    parameter[kEvalMode] = 1;
    parameter[kModeSelect] = 0;
    parameter[kAnaMode] = 0;
    parameter[kHardwareMode] = 1;
    parameter[kCountSetting] = 1;
    parameter[kFlagSetting] = 1;
    parameter[kTolLoPix] = 100;
    parameter[kTolUpPix] = 100;
    Put32(parameter, kCalibRef, 37000);
    for (std::size_t off : {std::size_t{0}, kPmodeValB - kPmodeValA}) {
        parameter[kPmodeValA + off] = 500;
        parameter[kPmodeA + off] = 1;
        parameter[kVideoThdA + off] = 50;
        parameter[kTeachA + off] = 512;
        parameter[kPixStartA + off] = 1;
        parameter[kPixEndA + off] = 4096;
        parameter[kGainA + off] = 0;
        parameter[kTrigThdA + off] = 50;
        Put32(parameter, kCalibA + off, 1024);
        Put32(parameter, kSetpointA + off, 37000);
    }
}

}  // namespace

void InitCom232Vars() {
    ParameterStartValues();
    std::memset(pp, 0, sizeof pp);
    std::memset(szWriteBuf, 0, sizeof szWriteBuf);
    std::memset(szReadBuf, 0, sizeof szReadBuf);
    rx_flag = 0;
    graph_flag = 0;
    stop_flag = 1;
    nBytesW = 0;
    nBytesR = 0;
    szStatus[0] = '\0';
    Aval = Bval = Mvalue = poti = edcntA = edcntB = peakwA = peakwB = 0;
    anaMax = anaMin = raw15 = instate = 0;
    umValue = 0;
    InitIdentVars();
}

// --- status line --------------------------------------------------------------------

void SetStatus(const char* text) {
    core::CopyStatus(szStatus, sizeof szStatus - 1, text);
}

void ShowStatus() {
    SetCtrlVal(pHandle, PANEL_TXTStatus, szStatus);
}

void ShowStatusText(const char* text) {
    SetCtrlVal(pHandle, PANEL_TXTStatus, text);
}

// --- codec ----------------------------------------------------------------------------

void CopyVarsToPP(std::uint16_t page) {
    core::CopyVarsToPP(parameter, page, pp);
}

void CopyPPtoVars(std::uint16_t page) {
    core::CopyPPtoVars(parameter, page, std::span(pp).first<core::kPageWords>());
}

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
    core::FillTxBuf(szWriteBuf, command, second,
                    std::span<const std::uint16_t, core::kPageWords>(words, core::kPageWords));
}

int GetRxBuf() {
    return core::GetRxBuf(std::span(szReadBuf).first<core::kFrameLen>(), pp);
}

// --- line --------------------------------------------------------------------------------

void RX_Receive_Function(int /*portNumber*/, int eventFlags, void* /*callbackData*/) {
    if (!(eventFlags & LWRS_RECEIVE))
        return;
    ComRd(com, szReadBuf, core::kFrameLen);
    graph_flag = GetRxBuf();
    rx_flag = 1;
    // One frame per notification: whatever came with it in the same burst is
    // dropped, so a waiting operation never finds a half-consumed queue.
    FlushInQ(com);
}

void ReceiveCallbackOn() {
    InstallComCallback(com, eventMask, kNotifyCount, kEventChar, RX_Receive_Function, nullptr);
}

void ReceiveCallbackOff() {
    InstallComCallback(com, 0, kNotifyCount, kEventChar, nullptr, nullptr);
}

// --- transfers of the parameter set ------------------------------------------------------

namespace {
int transfersRunning = 0;
}

bool TransferInProgress() {
    return transfersRunning > 0;
}
TransferScope::TransferScope() {
    ++transfersRunning;
}
TransferScope::~TransferScope() {
    --transfersRunning;
}

// --- exchange building blocks -------------------------------------------------------------

void BeginExchange(int port) {
    FlushOutQ(port);
    FlushInQ(port);
    rx_flag = 0;
}

int SendRequest(int port, std::uint16_t command, std::uint16_t second, const std::uint16_t* words) {
    parameter[core::kCommand] = command;
    FillTxBuf(command, second, words);
    nBytesW = ComWrt(port, szWriteBuf, core::kFrameLen);
    return nBytesW;
}

int SendRequestHead(int port, std::uint16_t command, std::span<const std::uint16_t> words) {
    parameter[core::kCommand] = command;
    core::PutWordBE(szWriteBuf, core::kRequestSync);
    core::PutWordBE(szWriteBuf + 2, command);
    const std::size_t room = (core::kFrameLen - 4) / 2;
    for (std::size_t i = 0; i < std::min(words.size(), room); ++i)
        core::PutWordBE(szWriteBuf + 4 + 2 * i, words[i]);
    nBytesW = ComWrt(port, szWriteBuf, core::kFrameLen);
    return nBytesW;
}

bool AwaitAnswer(double limit, int expectedEcho) {
    const double t0 = Timer();
    for (;;) {
        ProcessSystemEvents();
        if (rx_flag != 0) {
            const int echo = core::GetWordBE(szReadBuf + 2);
            if (expectedEcho == kAnyEcho || echo == expectedEcho ||
                (expectedEcho == kNotRaw && echo != core::kCmdRaw))
                return true;
            rx_flag = 0;
        }
        if (Timer() - t0 > limit)
            return false;
    }
}

int AwaitQueued(int count, double limit) {
    const double t0 = Timer();
    for (;;) {
        const int n = GetInQLen(com);
        if (Timer() - t0 > limit || n >= count)
            return n;
    }
}

// --- line check and the port-opening sequence -----------------------------------------------

int CheckComLine(int port) {
    parameter[core::kPage] = 0;
    CopyVarsToPP(0);
    BeginExchange(port);
    SendRequest(port, core::kCmdEcho, 0, pp);

    int result = 0;
    if (!AwaitAnswer(TIMEOUT)) {
        SetStatus("Timeout-RS-232...");
    } else {
        pp[0] = core::GetWordBE(szReadBuf);  // the sync word, the one answer word the check reads
        if (pp[0] == core::kAnswerSync) {
            SetStatus("Echo Check - Line Ok!");
            result = 1;
        } else {
            SetStatus("read error - not sync byte 0xAA!");
        }
    }
    ShowStatus();
    return result;
}

void InitRS232(int port) {
    TransferScope transfer;
    const int r = OpenComConfig(port, "", 19200, 0, 8, 1, 4096, 4096);
    if (r < 0) {
        SetStatus(core::OpenErrorText(r));
    } else {
        SetComTime(port, TIMEOUT);
        FlushInQ(port);
        FlushOutQ(port);
        SetCTSMode(port, 0);
        InstallComCallback(port, eventMask, kNotifyCount, kEventChar, RX_Receive_Function, nullptr);
        if (CheckComLine(port) == 1) {
            Delay(0.1);
            if (GetHARDWAREInfo() == 0)
                SetStatus("Error reading HARDWARE-info!");
            Delay(0.1);
            // A fetch that times out stops there and keeps the set as it was;
            // the sequence goes on with the firmware text all the same.
            FetchParameterSet(1);
            if (GetVERSIONInfo() < static_cast<int>(core::kFirmwareLen))
                SetStatus("Error reading firmware-info!");
        }
    }
    ShowStatus();
    SetCtrlAttribute(pPara1, PARA1_SLIDEVideoTHD_A, ATTR_DIMMED, 0);
    SetCtrlAttribute(pPara2, PARA2_SLIDEVideoTHD_B, ATTR_DIMMED, 0);
}
