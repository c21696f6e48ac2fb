// Sensor link: the frame buffers, the parameter set, the line flags and every
// exchange with the sensor pair over the serial line.
#pragma once

#include <cstdint>
#include <span>

#include "core/frame.h"

// Points of every video and data curve, and of the capture buffers behind them.
inline constexpr int MAXPOINT = 128;

// --- frame buffers and the parameter set ------------------------------------------
extern std::uint16_t parameter[core::kParamCount];
extern std::uint16_t pp[core::kPPWords];
extern std::uint8_t szWriteBuf[core::kFrameLen];
extern std::uint8_t szReadBuf[1024];

// --- line state --------------------------------------------------------------------
extern const double TIMEOUT;  // 1.5 s, every wait for an answer
extern const int eventMask;   // serial events of the receive callback
extern int rx_flag;
extern int graph_flag;
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
// words and the hardware description of an unidentified sensor.
void InitCom232Vars();
// The hardware description part of it, owned by the identification.
void InitIdentVars();

// --- codec --------------------------------------------------------------------------------
void CopyVarsToPP(std::uint16_t page);
void CopyPPtoVars(std::uint16_t page);
void CopyPPtoRAWVars();
void FillTxBuf(std::uint16_t command, std::uint16_t second, const std::uint16_t* words);
int GetRxBuf();

// --- line ---------------------------------------------------------------------------------
void InitRS232(int port);
int CheckComLine(int port);
void RX_Receive_Function(int portNumber, int eventFlags, void* callbackData);
// The receive callback on (as installed by InitRS232) or off, for the reads
// that take their answer straight from the input queue.
void ReceiveCallbackOn();
void ReceiveCallbackOff();

// --- exchange building blocks -----------------------------------------------------------
// Every operation that talks to the sensor is made of these, so the request,
// the wait and its time-out behave the same everywhere.

// Empties both queues, so nothing left from an earlier exchange is taken for
// this one's answer, and clears rx_flag.
void BeginExchange(int port);
// Builds the whole request (header, command, second word, 15 data words of
// `words`) in szWriteBuf, notes the command in `parameter` and writes it.
// Returns the count written, also kept in nBytesW.
int SendRequest(int port, std::uint16_t command, std::uint16_t second, const std::uint16_t* words);
// Writes only the bytes a command owns: header, command and then `words` from
// byte 4 on; the rest of szWriteBuf keeps what the previous request left there,
// as the sensor has always been sent for the block request and the flash write.
// Notes the command in `parameter`; returns the count written (nBytesW).
int SendRequestHead(int port, std::uint16_t command, std::span<const std::uint16_t> words);
// Waits up to `limit` seconds, running events, until the receive callback has
// taken an answer. With an expected echo, an answer to anything else (a raw
// frame of a run that just stopped, a stray echo) is dropped and the wait
// goes on. True when an answer was taken; its bytes stand in szReadBuf.
inline constexpr int kAnyEcho = -1;
// Any answer but a raw measurement frame: for the requests whose answer the
// sensor does not tie to the command, sent while a run may still have a raw
// frame on its way.
inline constexpr int kNotRaw = -2;
bool AwaitAnswer(double limit, int expectedEcho = kAnyEcho);
// Waits up to `limit` seconds until the input queue holds `count` bytes and
// returns the count queued when it ended. It runs no events.
int AwaitQueued(int count, double limit);

// Switches the receive callback off for its lifetime, for answers that are
// read straight from the queue (the firmware text, the 64-word blocks); the
// callback would otherwise take the first 36 bytes of them.
class ReceiveCallbackPause {
public:
    ReceiveCallbackPause() { ReceiveCallbackOff(); }
    ~ReceiveCallbackPause() { ReceiveCallbackOn(); }
    ReceiveCallbackPause(const ReceiveCallbackPause&) = delete;
    ReceiveCallbackPause& operator=(const ReceiveCallbackPause&) = delete;
};

// --- transfers of the parameter set ----------------------------------------------------------
// True while the parameter set is on its way to or from the sensor or a file
// (GET, SEND, TEACH, the connection sequence). Their waits run events, so a
// second transfer started from a click in there would run nested inside the
// first and mix its pages with the first one's (or flush a page for a raw
// frame or a block); the transfer, target and acquisition buttons ignore the
// operator meanwhile.
bool TransferInProgress();
class TransferScope {
public:
    TransferScope();
    ~TransferScope();
    TransferScope(const TransferScope&) = delete;
    TransferScope& operator=(const TransferScope&) = delete;
};

// --- raw frames, blocks and maintenance commands -------------------------------------------
// One raw measurement frame: 1 when it arrived and stands in pp, 0 after
// TIMEOUT with "Timeout RS232-Line!" and stop_flag set.
int PushGETRAW();
// 64 words of sensor buffer `buffer` (0 adcbufA, 1 adcbufB, 2 mvalBUFA,
// 3 mvalBUFB) from entry `start` (0 or 64) on, read straight from the queue:
// the caller has the receive callback off. 1 when exactly one block came.
int ReadData64(int start, int buffer);
void ResetMaxMin();
int ClearXFLASH();
// Writes table words (page - 2) * 256 + offset .. + 7 into flash page `page`
// and draws the upload's progress on the slave (device 0) or master bar graph.
void WriteXFLASH(std::uint16_t offset, std::uint16_t page, const std::uint16_t* table, std::uint16_t device);

// --- identification -------------------------------------------------------------------
int GetHARDWAREInfo();
int GetVERSIONInfo();

// --- status line ------------------------------------------------------------------------
// Copies `text` into szStatus, cut to its 72 characters.
void SetStatus(const char* text);
// Shows szStatus, resp. a text of its own, on the status line.
void ShowStatus();
void ShowStatusText(const char* text);
