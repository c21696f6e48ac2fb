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

// How long an answer may pause beyond the time its missing bytes need on the
// line before it counts as damaged: a few byte times, and what a USB adapter
// or a busy machine may hold bytes back.
constexpr double kStall = 0.02;
// Once a header-less answer (a block, the firmware text) has its length, how
// long to look for a byte too many before taking it.
constexpr double kTail = 4 * kByteTime;
// Damaged answers are asked for again this many times.
constexpr int kResends = 3;

int transfersRunning = 0;
LineHealth g_health;

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
    g_health = {};
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
void LinkObserver::LineLost() {}

const char* MissedText(Outcome outcome, const char* timeoutText) {
    switch (outcome) {
    case Outcome::TimedOut: return timeoutText;
    case Outcome::WrongAnswer: return kLineDisturbedText;
    default: return nullptr;
    }
}

const LineHealth& Health() {
    return g_health;
}
void ResetHealth() {
    g_health = {};
}
void CountReconnect() {
    ++g_health.reconnects;
}

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

void TakeFileValues(const core::ParamFileValues& values) {
    for (std::uint16_t page = 0; page < 3; ++page) {
        for (std::size_t w = 0; w < core::kPageWords; ++w)
            pp[w] = static_cast<std::uint16_t>(values[page * core::kPageWords + w] & 0xFFFF);
        CopyPPtoVars(page);
    }
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

bool LineLostNow() {
    return GetInQLen(com) == kComIOError;
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

// Reads what the queue holds, never more than the receive buffer takes.
int ReadQueued() {
    nBytesR = ComRd(com, szReadBuf, std::clamp(GetInQLen(com), 0, static_cast<int>(sizeof szReadBuf)));
    return nBytesR;
}

// How far the answer to one request has come.
struct Watch {
    double sentAt;
    int seen = 0;            // bytes queued when last looked at
    double grewAt = sentAt;  // when the queue last grew
    bool any = false;        // a byte came since the request went out
    double droppedAt = -1;   // a frame not this request's was dropped then
};

enum class Verdict { Waiting, Answered, Damaged };
// Why the last damaged answer was: the line check names a wrong sync word.
bool g_damagedSync = false;

// Takes whole frames off the queue, oldest first, until one is the expected
// answer; frames of other requests (a run's late raw frame) are dropped
// without touching pp. A wrong sync word means the frame is not whole where
// it stands: damaged.
Verdict LookAtFrames(const Expect& expect, Watch& w, int queued, double now) {
    constexpr int kLen = static_cast<int>(core::kFrameLen);
    for (; queued >= kLen; queued -= kLen) {
        ComRd(com, szReadBuf, kLen);
        g_damagedSync = core::GetWordBE(szReadBuf) != core::kAnswerSync;
        if (g_damagedSync)
            return Verdict::Damaged;
        if (Expected(expect, core::GetWordBE(szReadBuf + 2))) {
            graph_flag = GetRxBuf();
            rx_flag = 1;
            return Verdict::Answered;
        }
        w.droppedAt = now;
    }
    w.seen = queued;
    g_damagedSync = false;
    if (queued > 0)
        return now - w.grewAt > (kLen - queued) * kByteTime + kStall ? Verdict::Damaged : Verdict::Waiting;
    // A frame of another request and nothing after it: this one's answer was lost.
    return w.droppedAt >= 0 && now - w.droppedAt > kLen * kByteTime + kStall ? Verdict::Damaged
                                                                             : Verdict::Waiting;
}

// A header-less answer is taken once it has its length and no byte follows.
Verdict LookAtBytes(std::size_t length, Watch& w, int queued, double now) {
    const int len = static_cast<int>(length);
    if (queued > len)
        return Verdict::Damaged;
    if (queued == len) {
        if (now - w.grewAt < kTail) {
            WaitComInput(com, kTail - (now - w.grewAt));
            if (GetInQLen(com) != len)
                return Verdict::Waiting;
        }
        ReadQueued();
        return Verdict::Answered;
    }
    return queued > 0 && now - w.grewAt > (len - queued) * kByteTime + kStall ? Verdict::Damaged
                                                                              : Verdict::Waiting;
}

Outcome Lost(LinkObserver& observer) {
    g_pending.active = false;
    SetStatus(kLineLostText);
    observer.Status(kLineLostText);
    observer.LineLost();
    return Outcome::LineLost;
}

// Lets the rest of a damaged answer come and go, so the request sent again
// finds a clean queue; false when aborted meanwhile.
bool Drain(std::size_t answerLen, LinkObserver& observer) {
    const double t0 = Timer(), until = t0 + static_cast<double>(answerLen) * kByteTime + kStall;
    int seen = GetInQLen(com);
    for (double grewAt = t0;;) {
        if (OperationAborted())
            return false;
        const int queued = GetInQLen(com);
        const double now = Timer();
        if (queued != seen) {
            seen = queued;
            grewAt = now;
        }
        if (queued < 0 || now - grewAt >= kStall || now >= until)
            return true;
        observer.Wait(com, kWaitSlice);
    }
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
    if (nBytesW == kComIOError)
        return Lost(observer);
    unsigned ours = g_requests;
    observer.Sent(nBytesW);
    if (request.progress && (!request.progressOnlyWhole || nBytesW == static_cast<int>(core::kFrameLen)))
        observer.Status(request.progress);
    if (expect.kind == Expect::None)
        return Outcome::Answered;  // its time to leave is Settle's

    Watch w{Timer()};
    for (int resends = 0;;) {
        if (Aborted(observer))
            return Outcome::Aborted;
        // A request of an operation started from an event of this wait went
        // out and took the line (its answer lost), or this one's came damaged:
        // ask again.
        const bool superseded = g_requests != ours;
        if (superseded) {
            if (!Settle(com, observer))
                return Outcome::Aborted;
        }
        const int queued = GetInQLen(com);
        if (queued == kComIOError)
            return Lost(observer);
        const double now = Timer();
        if (queued > w.seen) {
            w.any = true;
            w.grewAt = now;
        }
        w.seen = std::max(queued, 0);
        const Verdict v = superseded                     ? Verdict::Waiting
                          : expect.kind == Expect::Bytes ? LookAtBytes(expect.length, w, queued, now)
                                                         : LookAtFrames(expect, w, queued, now);
        if (v == Verdict::Answered) {
            g_pending.active = false;
            ++g_health.frames;
            return Outcome::Answered;
        }
        if (v == Verdict::Damaged && resends == kResends) {
            Drain(AnswerLength(expect), observer);
            g_pending.active = false;
            return Outcome::WrongAnswer;
        }
        if (superseded || v == Verdict::Damaged) {
            if (v == Verdict::Damaged) {
                ++resends;
                ++g_health.resyncs;
                if (!Drain(AnswerLength(expect), observer))
                    return Outcome::Aborted;
            }
            Write(sent, expect);
            if (nBytesW == kComIOError)
                return Lost(observer);
            ours = g_requests;
            w = Watch{Timer()};
            continue;
        }
        if (now - w.sentAt > limit) {
            // Only silence is a time-out; what came of a byte answer is read and dropped.
            if (expect.kind == Expect::Bytes)
                ReadQueued();
            g_pending.active = false;
            if (w.any)
                return Outcome::WrongAnswer;
            ++g_health.timeouts;
            return Outcome::TimedOut;
        }
        observer.Wait(com, std::min(limit - (now - w.sentAt), kWaitSlice));
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

    // Answers whose sync word stayed wrong however often the echo was asked for.
    if (outcome == Outcome::WrongAnswer && g_damagedSync)
        SetStatus("read error - not sync byte 0xAA!");
    else if (const char* text = MissedText(outcome, "Timeout-RS-232..."))
        SetStatus(text);
    else if (outcome == Outcome::Answered)
        SetStatus("Echo Check - Line Ok!");
    pp[0] = core::GetWordBE(szReadBuf);  // the sync word, the one answer word the check reads
    ShowStatus();
    return outcome == Outcome::Answered ? 1 : 0;
}

bool PortAnswers(int port, LinkObserver& observer) {
    if (OpenComConfig(port, "", 19200, 0, 8, 1, 4096, 4096) < 0)
        return false;
    const int inUse = std::exchange(com, port);
    parameter[core::kPage] = 0;
    CopyVarsToPP(0);
    const Outcome outcome =
        Exchange({.command = core::kCmdEcho, .words = pp}, {.kind = Expect::AnyFrame}, 0.15, observer);
    com = inUse;
    CloseCom(port);
    return outcome == Outcome::Answered;
}

void InitRS232(int port, bool fetchSet) {
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
        // A step that ends for good (aborted, the device gone) ends the sequence.
        auto goesOn = [] { return !OperationAborted() && !LineLostNow(); };
        if (CheckComLine(port) == 1) {
            Delay(0.1);
            if (GetHARDWAREInfo() == 0 && goesOn())
                SetStatus("Error reading HARDWARE-info!");
            Delay(0.1);
            // A fetch that does not come stops there and keeps the set as it
            // was; the sequence goes on with the firmware text all the same.
            if (fetchSet && goesOn())
                FetchParameterSet(1);
            if (goesOn() && GetVERSIONInfo() < static_cast<int>(core::kFirmwareLen) && goesOn())
                SetStatus("Error reading firmware-info!");
        }
    }
    ShowStatus();
    Observer().ConnectionEnded();
}
