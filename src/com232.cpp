// Sensor link: frame codec on the shared buffers, the observer, the operations
// and their abort, the one exchange routine, port opening and the line check.
#include "com232.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "core/frame.h"
#include "core/texts.h"
#include "platform/clock.h"
#include "platform/serial.h"

std::uint16_t parameter[core::kParamCount];
std::uint16_t pp[core::kPPWords];
std::uint8_t szWriteBuf[core::kFrameLen];
std::uint8_t szReadBuf[1024];

int com = 1;
const double TIMEOUT = 1.5;
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

LinkObserver g_quiet;
LinkObserver* g_observer = &g_quiet;

// Operations running, innermost last, each with the abort count it began with.
std::vector<unsigned>& Operations() {
    static std::vector<unsigned> ops;
    return ops;
}
unsigned g_aborts = 0;
std::vector<std::function<void()>>& WaitingForLine() {
    static std::vector<std::function<void()>> actions;
    return actions;
}

// The last request, until it has left and its answer (if any) has come: the
// output queue is flushed only once the request has left (a request cut on
// the wire would join the next one at the sensor), and its answer is never
// taken for a later request's.
struct Pending {
    bool active = false;
    double due = 0.0;           // by then the request and its answer have crossed the line
    std::size_t answerLen = 0;  // 0: a request without an answer
};
Pending g_pending;
// Counts the requests written: a wait sees that another operation's request
// took the line while it ran events.
unsigned g_requests = 0;

// 10 bits a byte at 19200 baud.
constexpr double kByteTime = 10.0 / 19200.0;
// What a sensor may take beyond the line time of a request and its answer,
// and what a driver may take to start sending a request it was handed.
constexpr double kAnswerMargin = 0.05;
constexpr double kSendMargin = 4 * kByteTime;
// Longest single wait of a polling loop, so an abort or a time-out is seen soon.
constexpr double kWaitSlice = 0.01;

int transfersRunning = 0;

}  // namespace

void InitCom232Vars() {
    ParameterStartValues();
    std::memset(pp, 0, sizeof pp);
    std::memset(szWriteBuf, 0, sizeof szWriteBuf);
    std::memset(szReadBuf, 0, sizeof szReadBuf);
    com = 1;
    rx_flag = 0;
    graph_flag = 0;
    stop_flag = 1;
    nBytesW = 0;
    nBytesR = 0;
    szStatus[0] = '\0';
    Aval = Bval = Mvalue = poti = edcntA = edcntB = peakwA = peakwB = 0;
    anaMax = anaMin = raw15 = instate = 0;
    umValue = 0;
    g_pending = {};
    Operations().clear();
    WaitingForLine().clear();
    transfersRunning = 0;
    g_observer = &g_quiet;
    InitIdentVars();
}

// --- observer and status ------------------------------------------------------------

void LinkObserver::Status(const char*) {}
void LinkObserver::Wait(int port, double seconds) {
    WaitComInput(port, seconds);
}
bool LinkObserver::Stopping() {
    return false;
}
void LinkObserver::Sent(int) {}
void LinkObserver::HardwareDescribed(std::uint16_t) {}
void LinkObserver::ParameterSetTaken() {}
void LinkObserver::FlashBlockAnswered(int) {}
void LinkObserver::FlashProgress(int, std::uint16_t) {}
void LinkObserver::FlashUploadStarted(std::uint16_t) {}
void LinkObserver::FlashUploadComplete(std::uint16_t) {}
void LinkObserver::ConnectionEnded() {}

LinkObserver& Observer() {
    return *g_observer;
}

void SetObserver(LinkObserver* observer) {
    g_observer = observer ? observer : &g_quiet;
}

void SetStatus(const char* text) {
    core::CopyStatus(szStatus, sizeof szStatus - 1, text);
}

void ShowStatus() {
    Observer().Status(szStatus);
}

void ShowStatusText(const char* text) {
    Observer().Status(text);
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

// --- operations ---------------------------------------------------------------------------

LineOperation::LineOperation() {
    Operations().push_back(g_aborts);
}

LineOperation::~LineOperation() {
    Operations().pop_back();
    if (!Operations().empty())
        return;
    // The line is free: what waited for it runs now, in the order it was asked
    // for (each may start operations of its own).
    while (!WaitingForLine().empty() && Operations().empty()) {
        std::function<void()> action = std::move(WaitingForLine().front());
        WaitingForLine().erase(WaitingForLine().begin());
        action();
    }
}

void AbortOperations() {
    ++g_aborts;
}

bool OperationAborted() {
    return !Operations().empty() && Operations().front() != g_aborts;
}

bool OperationRunning() {
    return !Operations().empty();
}

void WhenLineFree(std::function<void()> action) {
    if (Operations().empty())
        action();
    else
        WaitingForLine().push_back(std::move(action));
}

// --- transfers of the parameter set ------------------------------------------------------

bool TransferInProgress() {
    return transfersRunning > 0;
}
TransferScope::TransferScope() {
    ++transfersRunning;
}
TransferScope::~TransferScope() {
    --transfersRunning;
}

// --- the exchange ---------------------------------------------------------------------------

namespace {

using Frame = std::array<std::uint8_t, core::kFrameLen>;

bool Aborted(LinkObserver& observer) {
    return OperationAborted() || observer.Stopping();
}

// Lets the last request leave and its answer arrive, or its time pass, so
// that the request is not cut and the answer not taken for the next one's;
// false when aborted meanwhile.
bool Settle(int port, LinkObserver& observer) {
    while (g_pending.active) {
        if (OperationAborted())
            return false;
        const int queued = GetInQLen(port);
        const double left = g_pending.due - Timer();
        const bool answered = g_pending.answerLen > 0 && queued >= static_cast<int>(g_pending.answerLen);
        if (queued < 0 || answered || left <= 0)
            g_pending.active = false;
        else
            observer.Wait(port, std::min(left, kWaitSlice));
    }
    return true;
}

std::size_t AnswerLength(const Expect& expect) {
    return expect.kind == Expect::None ? 0 : expect.kind == Expect::Bytes ? expect.length : core::kFrameLen;
}

void Write(const Frame& request, const Expect& expect) {
    FlushOutQ(com);
    FlushInQ(com);
    rx_flag = 0;
    std::copy(request.begin(), request.end(), szWriteBuf);
    nBytesW = ComWrt(com, request.data(), static_cast<int>(request.size()));
    ++g_requests;
    const std::size_t answer = AnswerLength(expect);
    g_pending = {true,
                 Timer() + static_cast<double>(core::kFrameLen + answer) * kByteTime +
                     (answer ? kAnswerMargin : kSendMargin),
                 answer};
}

void Build(const Request& request) {
    parameter[core::kCommand] = request.command;
    if (request.whole) {
        std::uint16_t words[core::kPageWords] = {};
        std::copy_n(request.words.begin(), std::min(request.words.size(), core::kPageWords), words);
        FillTxBuf(request.command, request.second, words);
        return;
    }
    core::PutWordBE(szWriteBuf, core::kRequestSync);
    core::PutWordBE(szWriteBuf + 2, request.command);
    core::PutWordBE(szWriteBuf + 4, request.second);
    const std::size_t room = (core::kFrameLen - 6) / 2;
    for (std::size_t i = 0; i < std::min(request.words.size(), room); ++i)
        core::PutWordBE(szWriteBuf + 6 + 2 * i, request.words[i]);
}

bool Expected(const Expect& expect, std::uint16_t echo) {
    switch (expect.kind) {
    case Expect::AnyFrame: return true;
    case Expect::NotRaw: return echo != core::kCmdRaw;
    case Expect::Echo: return echo == expect.echo;
    default: return false;
    }
}

// Takes whole frames off the queue, oldest first, until one is the expected
// answer; the others are dropped without touching pp.
bool TakeFrame(const Expect& expect) {
    while (GetInQLen(com) >= static_cast<int>(core::kFrameLen)) {
        ComRd(com, szReadBuf, static_cast<int>(core::kFrameLen));
        if (!Expected(expect, core::GetWordBE(szReadBuf + 2)))
            continue;
        graph_flag = GetRxBuf();
        rx_flag = 1;
        return true;
    }
    return false;
}

// Reads what the queue holds, never more than the receive buffer takes.
int ReadQueued() {
    nBytesR = ComRd(com, szReadBuf, std::clamp(GetInQLen(com), 0, static_cast<int>(sizeof szReadBuf)));
    return nBytesR;
}

}  // namespace

Outcome Exchange(const Request& request, const Expect& expect, double limit, LinkObserver& observer) {
    LineOperation operation;
    if (Aborted(observer) || !Settle(com, observer))
        return Outcome::Aborted;
    Build(request);
    Frame sent;
    std::copy_n(szWriteBuf, sent.size(), sent.begin());
    Write(sent, expect);
    unsigned ours = g_requests;
    observer.Sent(nBytesW);
    if (request.progress && (!request.progressOnlyWhole || nBytesW == static_cast<int>(core::kFrameLen)))
        observer.Status(request.progress);
    if (expect.kind == Expect::None)
        return Outcome::Answered;  // its time to leave is Settle's

    double t0 = Timer();
    for (;;) {
        if (Aborted(observer))
            return Outcome::Aborted;
        if (g_requests != ours) {
            // A request of an operation started from an event of this wait
            // went out and took the line: this one's answer is lost, so ask again.
            if (!Settle(com, observer))
                return Outcome::Aborted;
            Write(sent, expect);
            ours = g_requests;
            t0 = Timer();
        }
        if (expect.kind == Expect::Bytes) {
            const int queued = GetInQLen(com);
            if (queued >= static_cast<int>(expect.length)) {
                g_pending.active = false;
                return ReadQueued() == static_cast<int>(expect.length) ? Outcome::Answered
                                                                       : Outcome::WrongAnswer;
            }
        } else if (TakeFrame(expect)) {
            g_pending.active = false;
            return Outcome::Answered;
        }
        const double left = limit - (Timer() - t0);
        if (left <= 0) {
            // What came of a byte answer is read and dropped.
            if (expect.kind == Expect::Bytes)
                ReadQueued();
            return Outcome::TimedOut;
        }
        observer.Wait(com, std::min(left, kWaitSlice));
    }
}

// --- line check and the port-opening sequence -----------------------------------------------

int CheckComLine(int port) {
    const int saved = com;
    com = port;
    parameter[core::kPage] = 0;
    CopyVarsToPP(0);
    const Outcome outcome =
        Exchange({.command = core::kCmdEcho, .words = pp}, {.kind = Expect::AnyFrame}, TIMEOUT);
    com = saved;

    int result = 0;
    if (outcome == Outcome::TimedOut) {
        SetStatus("Timeout-RS-232...");
    } else if (outcome == Outcome::Answered) {
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
    LineOperation operation;
    const int r = OpenComConfig(port, "", 19200, 0, 8, 1, 4096, 4096);
    if (r < 0) {
        SetStatus(core::OpenErrorText(r));
    } else {
        SetComTime(port, TIMEOUT);
        FlushInQ(port);
        FlushOutQ(port);
        SetCTSMode(port, 0);
        // The line check's exchange first lets whatever the line still brings
        // of an earlier request (this port chosen again while a run talked on
        // it) come and go: it never passes for the echo.
        if (CheckComLine(port) == 1) {
            Delay(0.1);
            if (GetHARDWAREInfo() == 0 && !OperationAborted())
                SetStatus("Error reading HARDWARE-info!");
            Delay(0.1);
            // A fetch that does not come stops there and keeps the set as it
            // was; the sequence goes on with the firmware text all the same.
            FetchParameterSet(1);
            if (GetVERSIONInfo() < static_cast<int>(core::kFirmwareLen) && !OperationAborted())
                SetStatus("Error reading firmware-info!");
        }
    }
    ShowStatus();
    Observer().ConnectionEnded();
}
