// Measurement operations and graph drawing: the panel value mapping, the
// parameter fetch, the bar graphs with their tolerance windows, the curves,
// the parameter file and the recorder's time arithmetic.
#pragma once

#include <cstdint>
#include <functional>

#include "com232.h"
#include "core/rules.h"
#include "core/stats.h"

// Capture buffers and threshold lines, 128 points each.
extern std::uint16_t adcbufA[MAXPOINT], adcbufB[MAXPOINT];
extern std::uint16_t mvalBUFA[MAXPOINT], mvalBUFB[MAXPOINT];
extern std::uint16_t thdArrayA[MAXPOINT], thdArrayB[MAXPOINT];
extern std::uint16_t trgBUFA[MAXPOINT], trgBUFB[MAXPOINT];
extern std::uint16_t refTHDA[MAXPOINT], refTHDB[MAXPOINT];
extern std::uint16_t upTHDA[MAXPOINT], upTHDB[MAXPOINT];
extern std::uint16_t loTHDA[MAXPOINT], loTHDB[MAXPOINT];
extern double xArrayMVAL[MAXPOINT];
// History of the strip chart: 100 samples of its 7 traces, interleaved by
// sample, oldest first.
extern double arrayNORM[core::kStripTraces * core::kStripSamples];
// Target and tolerances in force, and the bar-graph cursor positions.
extern std::uint16_t tVal, tolup, tollo, curposA, curposB;

// Puts the capture buffers, the threshold lines, the data-curve positions and
// the target and tolerances back to their start values.
void InitGuiVars();
// The trigger lines at their start level, whatever the set says.
void ResetTriggerLines();

// --- panel value mapping --------------------------------------------------------------
void GetPanelValues();
// What GetPanelValues would read, into `set` only: no threshold line moves.
void ReadPanelValues(std::span<std::uint16_t, core::kParamCount> set);
void SetPanelValues();
void SetThresholds();
// Dimming and visibility that follow the set: P-mode value fields, tolerance
// fields (tolerance from the potentiometer), RESET and the held max/min.
void ApplyModeRules();
// The same for one ring's value, as the operator picks it.
void ApplyHardwareMode(std::uint16_t mode);
void ApplyAnaMode(std::uint16_t mode);

// --- parameter fetch -------------------------------------------------------------------
// Asks the sensor's RAM (target 1) or EEPROM (target 2) for one page and, when
// its answer comes, puts the page's words into `into`; shows the outcome on the
// status line; page 2 shows the set on the panels. 1 when the page came.
// Target 3 asks nothing and returns 1. (The whole set: FetchParameterSet.)
int PushGET(std::uint16_t target, std::uint16_t page,
            std::span<std::uint16_t, core::kParamCount> into = parameter);

// --- the window's side of the sensor link --------------------------------------------------
// Shows the link's texts on the status line, runs the window's events while an
// answer is awaited (so STOP, the port selector and closing the window work),
// and draws what the link reports.
class PanelObserver : public LinkObserver {
public:
    void Status(const char* text) override;
    void Wait(int port, double seconds) override;
    void HardwareDescribed(std::uint16_t reportedVirtPixels) override;
    void ParameterSetTaken() override;
    void FlashBlockAnswered(int index) override;
    void FlashProgress(int index, std::uint16_t device) override;
    void FlashUploadStarted(std::uint16_t device) override;
    void FlashUploadComplete(std::uint16_t device) override;
    void ConnectionEnded() override;
    void LineLost() override;
};
PanelObserver& WindowObserver();
// The line health beside the status line: answers, resynchronisations,
// time-outs and reconnections since the port was opened.
void ShowLineHealth();
// A lost device is watched for until it is back; RUN, when it ended at the
// loss, starts again then. A port chosen meanwhile ends the watch.
void ResumeRunWhenLineReturns();
void ForgetLostPort();

// --- live run and captures -----------------------------------------------------------------
// The live loops of RUN and the recorder, one pass at a time. One request is
// outstanding at a time: Next takes the raw frame that came (into Aval, Bval,
// ...), sends the next request and, while that request is on the line, draws
// the frame (and hands it to onFrame), so the drawing costs the line nothing.
// Its wait ends at once when stop_flag is set. The live loop's buttons stay
// dimmed while it lasts (a capture started inside it leaves them so); at its
// end no answer of it is taken for the next operation's.
class LiveRun : public LinkObserver {
public:
    explicit LiveRun(double limit);
    ~LiveRun() override;
    LiveRun(const LiveRun&) = delete;
    LiveRun& operator=(const LiveRun&) = delete;
    // `progress` is shown once the request has gone out whole.
    Outcome Next(const char* progress = nullptr);
    std::function<void()> onFrame;
    // Looked at once each request has gone out: true ends the loop there.
    std::function<bool()> done;

    void Status(const char* text) override;
    void Wait(int port, double seconds) override;
    bool Stopping() override;
    void Sent(int written) override;
    void LineLost() override;

private:
    double limit_;
    bool fresh_ = false;  // a raw frame taken and not yet shown
};
bool LiveLoopRunning();
// True while VIDEO or DATA reads its blocks: nothing else may talk to the
// sensor meanwhile, so the buttons that would are dimmed and ignore clicks.
bool CaptureInProgress();
// Whether a VIDEO or a DATA capture has been drawn complete since start-up:
// before that its buffers hold nothing the sensor sent.
bool VideoCaptured();
bool DataCaptured();
void ForgetCaptures();  // with the buffers cleared
// A parameter transfer, the upload or a capture holds the line.
bool LineBusy();
// Live measurement until STOP, a port change or a silent line.
void PushRUN();
// 64 words of sensor buffer `buffer` (0 adcbufA, 1 adcbufB, 2 mvalBUFA,
// 3 mvalBUFB; any other stores nothing) from entry `start` (0 or 64) on.
int ReadData64(int start, int buffer);
// The video profiles of both channels, again and again until STOP.
void PushVIDEO();
// The measurement curves of both channels, once.
void PushDATA();

// --- graphs -------------------------------------------------------------------------------
void PlotVIDEOBarGraph();
// The live displays once their values are no longer measured (the line lost):
// numbers and bars grey, no green or red verdict, until the next frame.
void ShowLiveValuesStale();
void PlotTOLWindow(int mode, int posA, int posB);
void PlotVIDEOCurveA(const std::uint16_t* video, const std::uint16_t* threshold, const double* x);
void PlotVIDEOCurveB(const std::uint16_t* video, const std::uint16_t* threshold, const double* x);
void PlotDATACurveA(const std::uint16_t* values, const double* x);
void PlotDATACurveB(const std::uint16_t* values, const double* x);
// Adds the newest sample to the strip chart's history and plots it.
void PlotRAWGraph();
// Zoom as the toggle now stands, at once: the video and data curves of the
// last captures and the strip chart's axis are drawn again.
void ShowZoom();

// --- parameter file --------------------------------------------------------------------
void SendParaToFile();
// 1 when a file was chosen and loaded; 0 when cancelled or refused (the
// status line says why), so the caller leaves the panels alone.
int ReadParaFromFile();

// --- statistics window -----------------------------------------------------------------
// Figures over the raw frames shown since RUN (or a recording) started or
// since Clear: each frame's value in mm and in pixels, the verdict its colour
// showed and the tolerance window in force.
const core::FrameStats& Statistics();
void AddFrameToStats(double mm, std::uint16_t pixels, bool withinTolerance, const core::Window& window);
void ResetStatsVars();  // no frames, nothing shown
void ClearStats();      // no frames, and the window says so
// The figures and the histogram on the window, now.
void ShowStats();
// While the window is open its figures follow the frames (at most at the
// graphs' repaint rate); opened, it shows them at once.
void StatsWindowShown(bool open);

// --- recorder ------------------------------------------------------------------------------
void CalcRecTime();
