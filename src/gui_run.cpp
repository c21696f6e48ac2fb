// The live run and the two captures: RUN asks for raw frames one after the
// other and shows each; VIDEO and DATA add the four 64-word blocks of the
// video profiles or the measurement curves and draw them.
#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/panels.h"
#include "platform/serial.h"

namespace {

int liveLoops = 0;
int capturesRunning = 0;
bool videoCaptured = false, dataCaptured = false;

void ShowGraphs(std::initializer_list<int> shown, std::initializer_list<int> hidden) {
    for (int c : shown)
        SetCtrlAttribute(pHandle, c, ATTR_VISIBLE, 1);
    for (int c : hidden)
        SetCtrlAttribute(pHandle, c, ATTR_VISIBLE, 0);
}

}  // namespace

bool LiveLoopRunning() {
    return liveLoops > 0;
}
bool CaptureInProgress() {
    return capturesRunning > 0;
}
bool VideoCaptured() {
    return videoCaptured;
}
bool DataCaptured() {
    return dataCaptured;
}
void ForgetCaptures() {
    videoCaptured = dataCaptured = false;
}
bool LineBusy() {
    return TransferInProgress() || CaptureInProgress();
}

LiveRun::LiveRun(double limit) : limit_(limit) {
    ++liveLoops;
}

// Only the input is flushed: the last request may still be leaving, and
// whatever of its answer comes later is the next exchange's to let pass.
LiveRun::~LiveRun() {
    --liveLoops;
    rx_flag = 0;
    graph_flag = 0;
    FlushInQ(com);
}

Outcome LiveRun::Next(const char* progress) {
    fresh_ = graph_flag == 1;
    if (fresh_) {
        // Taken before the next request is built in pp.
        CopyPPtoRAWVars();
        graph_flag = 0;
    }
    CopyVarsToPP(0);
    const Outcome outcome =
        Exchange({.command = core::kCmdRaw, .words = pp, .progress = progress, .progressOnlyWhole = true},
                 {.kind = Expect::AnyFrame}, limit_, *this);
    // A loop told to end before the request went out still shows its last frame.
    if (fresh_)
        Sent(0);
    return outcome;
}

void LiveRun::Status(const char* text) {
    Observer().Status(text);
}

void LiveRun::Wait(int port, double seconds) {
    Observer().Wait(port, seconds);
}

void LiveRun::LineLost() {
    Observer().LineLost();
}

bool LiveRun::Stopping() {
    return stop_flag != 0;
}

void LiveRun::Sent(int) {
    if (fresh_) {
        fresh_ = false;
        PlotVIDEOBarGraph();
        PlotRAWGraph();
        if (onFrame)
            onFrame();
    }
    if (done && done())
        stop_flag = 1;
}

void PushRUN() {
    LineOperation operation;
    ShowGraphs({PANEL_STRIPRaw, PANEL_GRAPHBarMaster, PANEL_GRAPHBarSlave, PANEL_SWITCHRawTraces},
               {PANEL_GRAPHVideoMaster, PANEL_GRAPHDataMaster, PANEL_GRAPHVideoSlave, PANEL_GRAPHDataSlave});
    SetCtrlAttribute(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED, 1);
    SetCtrlAttribute(pHandle, PANEL_BTNRun, ATTR_DIMMED, 1);

    stop_flag = 0;
    graph_flag = 0;
    rx_flag = 0;
    {
        LiveRun run(2 * TIMEOUT);
        // The first request carries whatever pp holds and waits the single time-out.
        if (PushGETRAW() == 1) {
            Outcome outcome;
            while ((outcome = run.Next()) == Outcome::Answered) {
            }
            if (const char* text = MissedText(outcome, "Timeout RS232-Line!")) {
                ShowStatusText(text);
                stop_flag = 1;
            }
        }
        if (LineLostNow())
            ResumeRunWhenLineReturns();
    }
    SetCtrlAttribute(pHandle, PANEL_BTNRun, ATTR_DIMMED, 0);
}

int ReadData64(int start, int buffer) {
    std::uint16_t* const buffers[] = {adcbufA, adcbufB, mvalBUFA, mvalBUFB};
    return ReadData64(start, buffer, buffer >= 0 && buffer < 4 ? buffers[buffer] : nullptr);
}

namespace {

// What tells the two captures apart: their graphs (each hides the other's),
// the sensor buffers of channel A and B, and the drawing.
struct Capture {
    int graphA, graphB;
    int bufferA, bufferB;
    void (*draw)();
    bool* taken;
};

void DrawVideo() {
    PlotVIDEOCurveA(adcbufA, thdArrayA, xArray8);
    PlotVIDEOCurveB(adcbufB, thdArrayB, xArray8);
}

void DrawData() {
    PlotDATACurveA(mvalBUFA, xArrayMVAL);
    PlotDATACurveB(mvalBUFB, xArrayMVAL);
}

constexpr Capture kVideo{PANEL_GRAPHVideoMaster, PANEL_GRAPHVideoSlave, 0, 1, &DrawVideo, &videoCaptured};
constexpr Capture kData{PANEL_GRAPHDataMaster, PANEL_GRAPHDataSlave, 2, 3, &DrawData, &dataCaptured};

// Buttons that would start an exchange of their own in the middle of a
// capture's block reads; a capture holds them dimmed until it ends.
struct Button {
    int* panel;
    int control;
};
constexpr Button kHeldByCapture[] = {
    {&pHandle, PANEL_BTNRun},        {&pHandle, PANEL_BTNVideo},    {&pHandle, PANEL_BTNData},
    {&pHandle, PANEL_ButtonTeach},   {&pHandle, PANEL_BTNGet},      {&pHandle, PANEL_BTNSend},
    {&pHandle, PANEL_ButtonReset},   {&pCalib, CALIB_BTNWriteXFMA}, {&pCalib, CALIB_BTNWriteXFSL},
    {&pPopUp, POPUP_BTNStartRecord},
};

// Holds the capture's graphs and buttons from its start to its end.
class CaptureScope {
public:
    explicit CaptureScope(const Capture& c) {
        ++capturesRunning;
        const Capture& other = &c == &kVideo ? kData : kVideo;
        ShowGraphs({c.graphA, c.graphB}, {PANEL_STRIPRaw, other.graphA, other.graphB, PANEL_SWITCHRawTraces});
        for (const Button& b : kHeldByCapture)
            SetCtrlAttribute(*b.panel, b.control, ATTR_DIMMED, 1);
    }
    ~CaptureScope() {
        --capturesRunning;
        // A run this capture was started from goes on and keeps its button
        // dimmed; the recorder's START waits for STOP, as after a run.
        for (const Button& b : kHeldByCapture)
            if (b.control != POPUP_BTNStartRecord && !(b.control == PANEL_BTNRun && LiveLoopRunning()))
                SetCtrlAttribute(*b.panel, b.control, ATTR_DIMMED, 0);
        FlushInQ(com);
    }
    CaptureScope(const CaptureScope&) = delete;
    CaptureScope& operator=(const CaptureScope&) = delete;
};

// One raw exchange and the four blocks; draws only a complete capture.
void CapturePass(const Capture& c) {
    if (PushGETRAW() != 1) {
        stop_flag = 1;
        return;
    }
    CopyPPtoRAWVars();
    const bool complete = ReadData64(0, c.bufferA) && ReadData64(64, c.bufferA) && ReadData64(0, c.bufferB) &&
                          ReadData64(64, c.bufferB);
    if (!complete)
        return;
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideoMaster, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideoSlave, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
    *c.taken = true;
    c.draw();
    PlotVIDEOBarGraph();
}

}  // namespace

void PushVIDEO() {
    LineOperation operation;
    CaptureScope capture(kVideo);
    stop_flag = 0;
    do {
        CapturePass(kVideo);
        ProcessSystemEvents();
    } while (stop_flag == 0 && !OperationAborted());
}

void PushDATA() {
    LineOperation operation;
    CaptureScope capture(kData);
    CapturePass(kData);
}
