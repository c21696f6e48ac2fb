// What the window makes of the sensor link's reports: the status line, the
// events that go on while an answer is awaited, the hardware description on
// the calibration panel and the video axes, a fetched set on the panels, the
// flash upload's progress on a bar graph.
#include <string>
#include <utility>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/texts.h"
#include "gui.h"
#include "platform/panels.h"
#include "platform/serial.h"

namespace {

int ProgressGraph(std::uint16_t device) {
    return device == 0 ? PANEL_GRAPHBarSlave : PANEL_GRAPHBarMaster;
}

void ShowCcdInfo(const core::CcdInfo& info) {
    if (info.knownCcd) {
        for (int panel : {pPara1, pPara2}) {
            const int ring = panel == pPara1 ? PARA1_RINGGain : PARA2_RINGGain;
            ReplaceListItem(panel, ring, 0, info.gainLow.c_str(), 0);
            ReplaceListItem(panel, ring, 1, info.gainHigh.c_str(), 1);
        }
    }
    for (int line = 0; line < 4; ++line)
        ReplaceTextBoxLine(pCalib, CALIB_TXTBOXCcdInfo, line, info.lines[line].c_str());
}

}  // namespace

void PanelObserver::Status(const char* text) {
    SetCtrlVal(pHandle, PANEL_TXTStatus, text);
}

void PanelObserver::Wait(int, double) {
    ProcessSystemEvents();
}

void PanelObserver::HardwareDescribed(std::uint16_t reportedVirtPixels) {
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideoMaster, VAL_XAXIS, VAL_MANUAL, 1.0, reportedVirtPixels);
    SetAxisScalingMode(pHandle, PANEL_GRAPHVideoSlave, VAL_XAXIS, VAL_MANUAL, 1.0, reportedVirtPixels);
    ShowCcdInfo(core::DescribeCcd(ccdtype, hwtype));
}

void PanelObserver::ParameterSetTaken() {
    SetPanelValues();
    unsigned short mode = 0;
    GetCtrlVal(pPara0, PARA0_DropEvalMode, mode);
    PlotTOLWindow(mode, parameter[core::kTeachA], parameter[core::kTeachB]);
}

void PanelObserver::FlashBlockAnswered(int index) {
    SetCtrlVal(pHandle, PANEL_NUMAnaMax, index);
}

void PanelObserver::FlashProgress(int index, std::uint16_t device) {
    PlotRectangle(pHandle, ProgressGraph(device), 1.0, 0.0, index, 1.0, VAL_GREEN, VAL_GREEN);
}

void PanelObserver::FlashUploadStarted(std::uint16_t device) {
    SetAxisScalingMode(pHandle, ProgressGraph(device), VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
    DeleteGraphPlot(pHandle, ProgressGraph(device), -1, 0);
}

void PanelObserver::FlashUploadComplete(std::uint16_t device) {
    PlotRectangle(pHandle, ProgressGraph(device), 1.0, 0.0, ccdvirtpixel, 1.0, VAL_GRAY, VAL_GRAY);
}

void PanelObserver::ConnectionEnded() {
    SetCtrlAttribute(pPara1, PARA1_SLIDEVideoTHD_A, ATTR_DIMMED, 0);
    SetCtrlAttribute(pPara2, PARA2_SLIDEVideoTHD_B, ATTR_DIMMED, 0);
    // Its stable name is known while the device is there: once it has been
    // pulled, its by-id link is gone with it.
    std::vector<PortEntry> table = GetPortTable();
    if (com >= 1 && static_cast<std::size_t>(com) <= table.size() && table[com - 1].stableName.empty()) {
        table[com - 1].stableName = StableNameOf(table[com - 1].path);
        if (!table[com - 1].stableName.empty())
            SetPortTable(std::move(table));
    }
}

namespace {

// A lost device is looked for this often; the port is opened again as soon
// as it is back (also as another /dev/ttyUSBn of the same adapter).
constexpr double kLookForLostPort = 0.2;
int watch = 0;
PortEntry lost;
bool runToResume = false;

// Looks from the window's loop only: inside a running operation's wait the
// next look comes soon enough, and a reconnection must not run nested in it.
void LookForLostPort() {
    if (OperationRunning())
        return;
    const std::string path = CurrentPathOf(lost);
    if (path.empty())
        return;
    const bool resume = runToResume;
    ForgetLostPort();
    std::vector<PortEntry> table = GetPortTable();
    if (com >= 1 && static_cast<std::size_t>(com) <= table.size() && table[com - 1].path != path) {
        table[com - 1].path = path;
        SetPortTable(std::move(table));
        FillPortSelector();
    }
    CloseCom(com);
    // The set on the panels may hold edits not sent yet: no fetch.
    InitRS232(com, false);
    CountReconnect();
    ShowLineHealth();
    if (resume && GetInQLen(com) >= 0 && !LineBusy())
        PushRUN();
}

}  // namespace

void PanelObserver::LineLost() {
    ShowLiveValuesStale();
    ShowLineHealth();
    if (watch > 0)
        return;
    const std::vector<PortEntry>& table = GetPortTable();
    if (com < 1 || static_cast<std::size_t>(com) > table.size())
        return;
    lost = table[com - 1];
    watch = StartRepeating(kLookForLostPort, &LookForLostPort);
}

void ResumeRunWhenLineReturns() {
    runToResume = watch > 0;
}

void ForgetLostPort() {
    if (watch > 0)
        StopRepeating(watch);
    watch = 0;
    runToResume = false;
}

void ShowLineHealth() {
    const LineHealth& h = Health();
    const std::string text = "frames " + std::to_string(h.frames) + "  resync " + std::to_string(h.resyncs) +
                             "  time-outs " + std::to_string(h.timeouts) + "  reconnects " +
                             std::to_string(h.reconnects);
    SetCtrlVal(pHandle, PANEL_TXTLineHealth, text);
}

PanelObserver& WindowObserver() {
    static PanelObserver observer;
    return observer;
}
