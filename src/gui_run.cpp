// The live run and the two captures: RUN asks for raw frames one after the
// other and shows each; VIDEO and DATA add the four 64-word blocks of the
// video profiles or the measurement curves and draw them.
#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "gui.h"
#include "platform/clock.h"
#include "platform/panels.h"
#include "platform/serial.h"

namespace {

void ShowGraphs(std::initializer_list<int> shown, std::initializer_list<int> hidden) {
    for (int c : shown)
        SetCtrlAttribute(pHandle, c, ATTR_VISIBLE, 1);
    for (int c : hidden)
        SetCtrlAttribute(pHandle, c, ATTR_VISIBLE, 0);
}

void FlushBoth() {
    FlushInQ(com);
    FlushOutQ(com);
}

}  // namespace

int SendRunRequest() {
    BeginExchange(com);
    CopyVarsToPP(0);
    return SendRequest(com, core::kCmdRaw, 0, pp);
}

bool LivePass(double& sentAt) {
    const bool fresh = graph_flag == 1;
    if (fresh) {
        CopyPPtoRAWVars();
        graph_flag = 0;
        FlushBoth();
    }
    if (rx_flag == 1) {
        sentAt = Timer();
        SendRunRequest();
    }
    if (fresh) {
        PlotVIDEOBarGraph();
        PlotRAWGraph();
    }
    return fresh;
}

void EndLivePasses() {
    rx_flag = 0;
    graph_flag = 0;
    FlushBoth();
}

void PushRUN() {
    ShowGraphs({PANEL_STRIPRaw, PANEL_GRAPHBarMaster, PANEL_GRAPHBarSlave, PANEL_SWITCHRawTraces},
               {PANEL_GRAPHVideoMaster, PANEL_GRAPHDataMaster, PANEL_GRAPHVideoSlave, PANEL_GRAPHDataSlave});
    SetCtrlAttribute(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED, 1);
    SetCtrlAttribute(pHandle, PANEL_BTNRun, ATTR_DIMMED, 1);

    stop_flag = 0;
    graph_flag = 0;
    rx_flag = 0;
    double t0 = Timer();
    PushGETRAW();
    do {
        LivePass(t0);
        if (Timer() - t0 > 2 * TIMEOUT) {
            ShowStatusText("Timeout RS232-Line!");
            stop_flag = 1;
            break;
        }
        ProcessSystemEvents();
    } while (stop_flag == 0);

    EndLivePasses();
    SetCtrlAttribute(pHandle, PANEL_BTNRun, ATTR_DIMMED, 0);
}

namespace {

// What tells the two captures apart: their graphs (each hides the other's),
// the sensor buffers of channel A and B, and the drawing.
struct Capture {
    int graphA, graphB;
    int bufferA, bufferB;
    void (*draw)();
};

void DrawVideo() {
    PlotVIDEOCurveA(adcbufA, thdArrayA, xArray8);
    PlotVIDEOCurveB(adcbufB, thdArrayB, xArray8);
}

void DrawData() {
    PlotDATACurveA(mvalBUFA, xArrayMVAL);
    PlotDATACurveB(mvalBUFB, xArrayMVAL);
}

constexpr Capture kVideo{PANEL_GRAPHVideoMaster, PANEL_GRAPHVideoSlave, 0, 1, &DrawVideo};
constexpr Capture kData{PANEL_GRAPHDataMaster, PANEL_GRAPHDataSlave, 2, 3, &DrawData};

constexpr int kAcquisitionButtons[] = {PANEL_BTNRun, PANEL_BTNVideo, PANEL_BTNData, PANEL_ButtonTeach};

void BeginCapture(const Capture& c) {
    const Capture& other = &c == &kVideo ? kData : kVideo;
    ShowGraphs({c.graphA, c.graphB}, {PANEL_STRIPRaw, other.graphA, other.graphB, PANEL_SWITCHRawTraces});
    for (int button : kAcquisitionButtons)
        SetCtrlAttribute(pHandle, button, ATTR_DIMMED, 1);
}

// One raw exchange and the four blocks; draws only a complete capture.
void CapturePass(const Capture& c) {
    if (PushGETRAW() != 1) {
        stop_flag = 1;
        return;
    }
    CopyPPtoRAWVars();
    bool complete = false;
    {
        // The blocks are read straight from the queue.
        ReceiveCallbackPause pause;
        FlushBoth();
        complete = ReadData64(0, c.bufferA) && ReadData64(64, c.bufferA) && ReadData64(0, c.bufferB) &&
                   ReadData64(64, c.bufferB);
    }
    if (!complete)
        return;
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideoMaster, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideoSlave, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
    c.draw();
    PlotVIDEOBarGraph();
}

void EndCapture() {
    for (int button : {PANEL_BTNRun, PANEL_BTNVideo, PANEL_ButtonTeach, PANEL_BTNData})
        SetCtrlAttribute(pHandle, button, ATTR_DIMMED, 0);
    ReceiveCallbackOn();
    FlushOutQ(com);
    FlushInQ(com);
}

}  // namespace

void PushVIDEO() {
    BeginCapture(kVideo);
    stop_flag = 0;
    do {
        CapturePass(kVideo);
        ProcessSystemEvents();
    } while (stop_flag == 0);
    EndCapture();
}

void PushDATA() {
    BeginCapture(kData);
    CapturePass(kData);
    EndCapture();
}
