// Sensor link: the raw measurement frame, the 64-word block reads of the four
// sensor buffers, and the requests that change state inside the sensor (held
// max/min reset, linearisation flash clear and write).
#include <algorithm>
#include <array>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"

int PushGETRAW() {
    parameter[core::kPage] = 0;
    // rx_flag belongs to the loop that called: a nested capture must not take it away.
    FlushInQ(com);
    FlushOutQ(com);
    // The payload is whatever the previous transfer left in pp; the sensor
    // ignores it for a raw request.
    if (SendRequest(com, core::kCmdRaw, 0, pp) == static_cast<int>(core::kFrameLen))
        ShowStatusText("Line Ok!");
    // Only a raw frame ends the wait: the callback sets graph_flag for echo 8 alone.
    graph_flag = 0;
    const double t0 = Timer();
    for (;;) {
        if (graph_flag == 1)
            return 1;
        ProcessSystemEvents();
        if (Timer() - t0 > TIMEOUT) {
            ShowStatusText("Timeout RS232-Line!");
            stop_flag = 1;
            return 0;
        }
    }
}

namespace {

std::uint16_t* CaptureBuffer(int buffer) {
    switch (buffer) {
    case 0: return adcbufA;
    case 1: return adcbufB;
    case 2: return mvalBUFA;
    case 3: return mvalBUFB;
    default: return nullptr;
    }
}

const char* BlockWaitText(int start) {
    switch (start) {
    case 0: return "Waiting for Data[64] Block 0 ...";
    case 64: return "Waiting for Data[64] Block 1 ...";
    case 128: return "Waiting for Data[64] Block 2 ...";
    case 192: return "Waiting for Data[64] Block 3 ...";
    default: return "Waiting for Data[64] Block x ...";
    }
}

}  // namespace

int ReadData64(int start, int buffer) {
    int result = 0;
    FlushOutQ(com);
    FlushInQ(com);
    // Bytes 34-35 are not the block request's: they go out as the previous request left them.
    std::array<std::uint16_t, 15> words{};
    words[0] = static_cast<std::uint16_t>(start);
    words[1] = static_cast<std::uint16_t>(buffer);
    SendRequestHead(com, core::kCmdBlock, words);
    ShowStatusText(BlockWaitText(start));

    const int block = static_cast<int>(core::kBlockLen);
    int n = 0;
    const double t0 = Timer();
    for (;;) {
        ProcessSystemEvents();
        n = GetInQLen(com);
        if (Timer() - t0 > TIMEOUT) {
            SetStatus("Timeout-RS-232 while reading 64 data-words!");
            break;
        }
        if (n >= block)
            break;
    }
    nBytesR = ComRd(com, szReadBuf, std::clamp(n, 0, static_cast<int>(sizeof szReadBuf)));
    // More than a block means something else shared the line: none of it is
    // trusted, and the operator is told so rather than shown the last success.
    if (nBytesR > block)
        SetStatus("Error reading 64 data-words!");
    if (nBytesR == block) {
        SetStatus("Data[64] block received!");
        std::uint16_t* dst = CaptureBuffer(buffer);
        // Callers pass 0 or 64; anything else must still not write past the buffer.
        if (dst && start >= 0 && start + static_cast<int>(core::kBlockWords) <= MAXPOINT)
            for (std::size_t i = 0; i < core::kBlockWords; ++i)
                dst[static_cast<std::size_t>(start) + i] = core::GetWordBE(szReadBuf + 2 * i);
        result = 1;
    }
    ShowStatus();
    return result;
}

void ResetMaxMin() {
    BeginExchange(com);
    SendRequest(com, core::kCmdResetMaxMin, 0, pp);
    ShowStatusText("Reset Max/Min values...");
    SetStatus(AwaitAnswer(TIMEOUT, kNotRaw) ? "Reset Max/Min OK!" : "Timeout-RS-232...");
    ShowStatus();
}

int ClearXFLASH() {
    BeginExchange(com);
    parameter[core::kPage] = 0;
    std::uint16_t fill[core::kPageWords];
    std::fill_n(fill, core::kPageWords, core::kAnswerSync);
    SendRequest(com, core::kCmdClearFlash, 0, fill);
    ShowStatusText("clearing X-FLASH...");
    const int result = AwaitAnswer(TIMEOUT, kNotRaw) ? 1 : 0;
    SetStatus(result ? "X-FLASH-cleared!" : "Timeout-RS-232...");
    ShowStatus();
    return result;
}

void WriteXFLASH(std::uint16_t offset, std::uint16_t page, const std::uint16_t* table, std::uint16_t device) {
    using core::kFlashBlockWords;
    const int index = (page - core::kFlashFirstPage) * static_cast<int>(core::kFlashPageWords) + offset;
    BeginExchange(com);
    // Bytes 24-35 are not the flash write's: they go out as the previous request left them.
    std::array<std::uint16_t, 2 + kFlashBlockWords> words{offset, page};
    if (index >= 0 && index + kFlashBlockWords <= core::kLinTableWords)
        std::copy_n(table + index, kFlashBlockWords, words.begin() + 2);
    SendRequestHead(com, core::kCmdWriteFlash, words);

    if (!AwaitAnswer(TIMEOUT, kNotRaw)) {
        SetStatus("Timeout-RS-232...");
    } else {
        SetCtrlVal(pHandle, PANEL_NUMAnaMax, index);
        static const char* const kPageText[] = {"X-FLASH-write OK: PAGE2 ...", "X-FLASH-write OK: PAGE3 ...",
                                                "X-FLASH-write OK: PAGE4 ...", "X-FLASH-write OK: PAGE5 ...",
                                                "X-FLASH-write OK: PAGE6 ...", "X-FLASH-write OK: PAGE7 ...",
                                                "X-FLASH-write OK: PAGE8 ...", "X-FLASH-write OK: PAGE9 ..."};
        if (pp[1] >= 2 && pp[1] <= 9)
            SetStatus(kPageText[pp[1] - 2]);
    }
    const int graph = device == 0 ? PANEL_GRAPHBarSlave : PANEL_GRAPHBarMaster;
    if (pp[1] == 9 && pp[0] == 248) {
        PlotRectangle(pHandle, graph, 1.0, 0.0, ccdvirtpixel, 1.0, VAL_GRAY, VAL_GRAY);
        ShowStatusText("X-FLASH Data successfully written!");
        return;
    }
    PlotRectangle(pHandle, graph, 1.0, 0.0, index, 1.0, VAL_GREEN, VAL_GREEN);
    ShowStatus();
}
