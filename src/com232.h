// Sensor link: the frame buffers, the parameter set, the line flags and every
// exchange with the sensor pair over the serial line. Nothing here knows the
// panels: whatever an exchange has to show or draw goes to the observer of the
// program that runs it (the window, a command line, a test).
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "core/compare.h"
#include "core/frame.h"
#include "core/paramfile.h"

// Points of every video and data curve, and of the capture buffers behind them.
inline constexpr int MAXPOINT = 128;

// --- frame buffers and the parameter set ------------------------------------------
extern std::uint16_t parameter[core::kParamCount];
extern std::uint16_t pp[core::kPPWords];
extern std::uint8_t szWriteBuf[core::kFrameLen];
extern std::uint8_t szReadBuf[1024];

// --- line state --------------------------------------------------------------------
// Serial port in use (1 = first entry of the port table).
extern int com;
extern const double TIMEOUT;  // 1.5 s, every wait for an answer
extern int rx_flag;           // an answer frame has been taken
extern int graph_flag;        // ... and it was a raw measurement frame
extern int stop_flag;
extern int nBytesW;
extern int nBytesR;
extern char szStatus[73];  // 72 characters and the terminating zero

// --- live measurement words of the last raw frame ----------------------------------------
extern std::uint16_t Aval, Bval, Mvalue, poti, edcntA, edcntB, peakwA, peakwB;
extern std::uint16_t anaMax, anaMin, raw15, instate;
extern std::int32_t umValue;

// --- hardware description and what follows from it ------------------------------------
extern std::uint16_t ccdtype, ccdmaxpixel, ccdresolution, pcbtype, ccdvirtpixel, ccdsubpixel;
extern std::uint16_t ccdpixB, ccdpixE, softversion, hwtype, adcmax;
extern std::uint16_t ADCMAX;
extern std::uint16_t YAXISMAX;
extern double xArray8[MAXPOINT];
extern char szVersion[73];

// Puts every global of the sensor link back to its start value: the parameter
// set, the frame buffers, the line flags (stop_flag 1: no loop runs), the live
// words, the hardware description of an unidentified sensor, port 1, no
// operation running and the quiet observer.
void InitCom232Vars();
// The hardware description part of it, owned by the identification.
void InitIdentVars();

// --- codec --------------------------------------------------------------------------------
void CopyVarsToPP(std::uint16_t page);
void CopyPPtoVars(std::uint16_t page);
// A parameter file's 45 numbers into `parameter` as they are loaded: each cut
// to the 16 bits a page word carries.
void TakeFileValues(const core::ParamFileValues& values);
void CopyPPtoRAWVars();
void FillTxBuf(std::uint16_t command, std::uint16_t second, const std::uint16_t* words);
int GetRxBuf();

// --- what the link tells whoever runs it ---------------------------------------------------
// The window shows the texts on its status line, runs its events while an answer
// is awaited and draws what the link reports; a program without a window may
// print the texts or ignore them. Every hook has a quiet default.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    // A status text: an exchange in progress or its outcome.
    virtual void Status(const char* text);
    // Runs while an answer is awaited, for at most about `seconds`. The
    // default sleeps until the line brings a byte.
    virtual void Wait(int port, double seconds);
    // True once the loop that owns the exchange has been told to end (RUN, a
    // recording): its wait returns at once instead of waiting out its answer.
    virtual bool Stopping();
    // The request has gone out; `written` is the count the port took.
    virtual void Sent(int written);
    // The hardware description is in the globals above; `reportedVirtPixels`
    // is the pixel count as the sensor reported it, before normalising.
    virtual void HardwareDescribed(std::uint16_t reportedVirtPixels);
    // A whole parameter set has been taken into `parameter`.
    virtual void ParameterSetTaken();
    // The sensor acknowledged the flash block whose first word is table entry `index`.
    virtual void FlashBlockAnswered(int index);
    // The upload's progress: the blocks up to table entry `index` are done with
    // (device 0 the slave, any other the master).
    virtual void FlashProgress(int index, std::uint16_t device);
    // The flash upload has cleared the flash and starts with its first block.
    virtual void FlashUploadStarted(std::uint16_t device);
    // The sensor acknowledged the table's last block: the whole table is written.
    virtual void FlashUploadComplete(std::uint16_t device);
    // The port-opening sequence has ended, whatever its outcome.
    virtual void ConnectionEnded();
    // The device behind the port has gone (an adapter pulled, its device file
    // removed): every exchange ends at once until the port is opened again.
    virtual void LineLost();
};
// The observer of every exchange that is not given one: the program's, once it
// has set one (nullptr puts the quiet one back).
LinkObserver& Observer();
void SetObserver(LinkObserver* observer);

// Copies `text` into szStatus, cut to its 72 characters.
void SetStatus(const char* text);
// Shows szStatus, resp. a text of its own, through the observer.
void ShowStatus();
void ShowStatusText(const char* text);

// --- operations and the abort -------------------------------------------------------------
// Everything that talks to the sensor runs inside an operation (an exchange is
// one by itself). AbortOperations (window closing, port change, STOP) ends
// every wait of every operation running at that moment; what needs the line
// idle (closing the port, opening another) waits with WhenLineFree until the
// last of them has unwound.
class LineOperation {
public:
    LineOperation();
    ~LineOperation();
    LineOperation(const LineOperation&) = delete;
    LineOperation& operator=(const LineOperation&) = delete;
};
void AbortOperations();
// True while the port is open but its device has gone.
bool LineLostNow();
// True when an abort came after the outermost running operation began.
bool OperationAborted();
bool OperationRunning();
// Runs `action` now when no operation runs, else once the last one has ended.
void WhenLineFree(std::function<void()> action);

// --- the exchange -----------------------------------------------------------------------
enum class Outcome {
    Answered,     // the expected answer came (or, for a request without answer, it went out)
    TimedOut,     // no byte at all came within the limit
    WrongAnswer,  // answers came but stayed damaged, the request sent again each time
    Aborted,      // the operation was aborted or its loop told to end
    LineLost,     // the device behind the port has gone
};
// What an operation shows when its answer did not come: `timeoutText` for
// silence, the line's disturbance for answers that stayed damaged, nothing
// (nullptr) when it came, was aborted or the line was lost (said already).
const char* MissedText(Outcome outcome, const char* timeoutText);
inline constexpr const char* kLineDisturbedText = "No valid answer - RS232-Line disturbed!";
inline constexpr const char* kLineLostText = "RS232-Line lost! - waiting for the port ...";

// What the line has done since the port was opened: answers taken, answers
// sent for again because they came damaged, waits that met silence, and
// returns of a lost device.
struct LineHealth {
    unsigned frames = 0, resyncs = 0, timeouts = 0, reconnects = 0;
};
const LineHealth& Health();
void ResetHealth();
void CountReconnect();

// What a request is answered with.
struct Expect {
    enum Kind {
        None,      // nothing (a page written to RAM or EEPROM)
        AnyFrame,  // any 36-byte answer frame
        NotRaw,    // any answer frame but a raw measurement frame, which may be the late
                   // answer of a run that just stopped
        Echo,      // an answer frame with the echo `echo`; other frames are dropped
        Bytes,     // `length` bytes without a frame (a 64-word block, the firmware text)
    };
    Kind kind = AnyFrame;
    std::uint16_t echo = 0;
    std::size_t length = core::kFrameLen;
};

struct Request {
    std::uint16_t command = 0;
    std::uint16_t second = 0;
    // From byte 6 on. A whole request takes 15 words; a request that is not
    // whole writes only its header and these words, and the rest of szWriteBuf
    // goes out as the previous request left it, as the sensor has always been
    // sent for the block request and the flash write.
    std::span<const std::uint16_t> words;
    bool whole = true;
    // Shown once the request has gone out: always, or only when all 36 bytes went.
    const char* progress = nullptr;
    bool progressOnlyWhole = false;
};

// The one way a request goes to the sensor: waits until an answer still on its
// way from an earlier request has come or had its time, flushes both queues,
// builds the request in szWriteBuf (noting its command in `parameter`), writes
// it and waits up to `limit` seconds for the answer. A frame answer stands in
// szReadBuf and, decoded, in pp (rx_flag set; graph_flag tells a raw frame); a
// byte answer stands in szReadBuf with its count in nBytesR.
// The request is sent again when another operation's request went out
// meanwhile (one started from an event during the wait), and, up to three
// times, when its answer came damaged: a wrong sync word, bytes that stop
// short for longer than the missing ones need on the line, a byte too many,
// or a frame not its own with nothing after it. A damaged answer is never
// taken. Returns at once when the operation is aborted or the line is lost.
Outcome Exchange(const Request& request, const Expect& expect, double limit, LinkObserver& observer);
inline Outcome Exchange(const Request& request, const Expect& expect, double limit) {
    return Exchange(request, expect, limit, Observer());
}

// --- line ---------------------------------------------------------------------------------
// Opens `port`, checks the line and, if it answers, identifies the sensor, fetches
// its parameter set from RAM (unless told not to: a device back after a loss,
// whose panels may hold edits not sent yet) and reads the firmware text.
void InitRS232(int port, bool fetchSet = true);
int CheckComLine(int port);
// The line check alone on a port not yet open, for a search: opened, one echo
// within 0.15 s (an echo needs 37.5 ms on the line), closed again; `com`
// stays as it was and nothing is said, the search says where it is. True
// when it answered; false too when the port is gone or held by another program.
bool PortAnswers(int port, LinkObserver& observer);

// --- transfers of the parameter set ----------------------------------------------------------
// True while the parameter set is on its way to or from the sensor or a file
// (GET, SEND, TEACH, the connection sequence, the flash upload). Their waits
// run events, so a second transfer started from a click in there would mix its
// pages with the first one's; the transfer, target, acquisition buttons and
// the port selector ignore the operator meanwhile.
bool TransferInProgress();
class TransferScope {
public:
    TransferScope();
    ~TransferScope();
    TransferScope(const TransferScope&) = delete;
    TransferScope& operator=(const TransferScope&) = delete;
};

// One page from the sensor's RAM (target 1) or EEPROM (target 2) into `into`;
// the outcome also on the status line. Target 3 asks nothing and counts as answered.
Outcome FetchPage(std::uint16_t target, std::uint16_t page, std::span<std::uint16_t, core::kParamCount> into);
// The whole set, pages 0, 1, 2 a tenth of a second apart, all or nothing: the
// pages are gathered aside and taken over together once all three came, so a
// sensor that falls silent never leaves a mixed set. The fetch stops at the
// first page that does not come; then `parameter` keeps its values. With
// target 3 the set already read from a file is taken as it is. Then the
// observer shows the set. 1 when the set was taken over.
int FetchParameterSet(std::uint16_t target);
// The three pages of the sensor's RAM (target 1) or EEPROM (target 2) into
// `into` (a copy of `parameter` with the sensor's pages), a tenth of a second
// apart, for a look at them only: `parameter` stays as it was, its header
// entries too. Each page's exchange shows its
// outcome as GET's does; the fetch stops at the first page that does not
// come, its outcome returned, and `into` is then to be dropped.
Outcome ReadParameterPages(std::uint16_t target, std::span<std::uint16_t, core::kParamCount> into);
// The three pages of `parameter` into the sensor's RAM (target 1) or EEPROM
// (target 2), 0.1 s apart, without answers. Stops only when aborted.
Outcome SendParameterSet(std::uint16_t target);
// Reads the three pages just sent back from the same memory (command 2 after
// a send to RAM, 4 after one to EEPROM) and compares them with `parameter`:
// "Parameter-frames verified!" or "Verify failed: N words differ (first:
// <entry name>)" on the status line when they came. A read-back that did not
// come leaves its own outcome there (the fetch's time-out text), never a
// verdict. `parameter` is not changed. `readBack`, when given, receives the
// words read back, for a caller that names each difference.
Outcome VerifyParameterSet(std::uint16_t target, core::SetWords* readBack = nullptr);
// The present spot becomes the set-point (the request carries page 0 of
// `parameter`); the outcome of the teach request itself.
Outcome TeachSetpoint();

// --- raw frames, blocks and maintenance commands -------------------------------------------
// One raw measurement frame: 1 when it arrived and stands in pp, 0 after
// TIMEOUT with "Timeout RS232-Line!" and stop_flag set, or when aborted.
int PushGETRAW();
// 64 words of sensor buffer `buffer` (0 video A, 1 video B, 2 curve A, 3
// curve B) from entry `start` (0 or 64) into `dest` (128 words; nullptr keeps
// nothing). 1 when exactly one block came.
int ReadData64(int start, int buffer, std::uint16_t* dest);
// The outcome's text on the status line: "Reset Max/Min OK!" when answered.
Outcome ResetMaxMin();
int ClearXFLASH();
// Writes table words (page - 2) * 256 + offset .. + 7 into flash page `page`;
// the observer draws the progress on the slave (device 0) or master graph.
Outcome WriteXFLASH(std::uint16_t offset, std::uint16_t page, const std::uint16_t* table,
                    std::uint16_t device);
// A linearisation file into the 2048 flash words of `table`; false, and
// `table` untouched, when it cannot be read or is not such a file.
bool LoadLinTable(const char* path, std::uint16_t* table);
// The whole table: the clear, then the 256 blocks, page 2 offset 0 to page 9
// offset 248, stopping at the first step that is not acknowledged.
Outcome UploadLinTable(const std::uint16_t* table, std::uint16_t device);

// --- identification -------------------------------------------------------------------
int GetHARDWAREInfo();
int GetVERSIONInfo();
