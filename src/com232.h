// Sensor link: the frame buffers, the parameter set, the line flags and every
// exchange with the sensor pair over the serial line.
#pragma once

#include <cstdint>

// --- frame buffers and the parameter set ------------------------------------------
extern std::uint16_t parameter[52];
extern std::uint16_t pp[16];
extern std::uint8_t szWriteBuf[36];
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
extern double xArray8[128];
extern char szVersion[73];

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

// --- identification -------------------------------------------------------------------
int GetHARDWAREInfo();
int GetVERSIONInfo();

// --- status line ------------------------------------------------------------------------
// Copies `text` into szStatus, cut to its 72 characters.
void SetStatus(const char* text);
// Shows szStatus, resp. a text of its own, on the status line.
void ShowStatus();
void ShowStatusText(const char* text);
