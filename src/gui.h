// Measurement operations and graph drawing: the panel value mapping, the
// parameter fetch, the bar graphs with their tolerance windows, the curves,
// the parameter file and the recorder's time arithmetic.
#pragma once

#include <cstdint>

#include "com232.h"
#include "core/rules.h"

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
// status line. 1 when the page came. Target 3 asks nothing and returns 1.
int PushGET(std::uint16_t target, std::uint16_t page,
            std::span<std::uint16_t, core::kParamCount> into = parameter);
// The whole set, pages 0, 1, 2 a tenth of a second apart, all or nothing: the
// pages are gathered aside and taken over together once all three came, so a
// sensor that falls silent (or answers late, after the next page was asked
// for) never leaves a mixed set. The fetch stops at the first page that times
// out; then `parameter` and the panels keep their values. With target 3 the
// set just read from the file is shown. 1 when the set was taken over.
int FetchParameterSet(std::uint16_t target);

// --- live run and captures -----------------------------------------------------------------
// Live measurement until STOP, a port change or a silent line.
void PushRUN();
// Asks for the next raw frame; returns the count written.
int SendRunRequest();
// One pass of the live loops of RUN and the recorder. One request is
// outstanding at a time: a raw frame that came is taken (into Aval, Bval, ...),
// the next request goes out as soon as an answer is in (`sentAt` notes when),
// and only then is the frame drawn, while that request is on the line, so
// the drawing costs the line nothing. True when a frame came in this pass.
bool LivePass(double& sentAt);
// After the last pass: no answer of it is taken for the next operation's.
void EndLivePasses();
// The video profiles of both channels, again and again until STOP.
void PushVIDEO();
// The measurement curves of both channels, once.
void PushDATA();

// --- graphs -------------------------------------------------------------------------------
void PlotVIDEOBarGraph();
void PlotTOLWindow(int mode, int posA, int posB);
void PlotVIDEOCurveA(const std::uint16_t* video, const std::uint16_t* threshold, const double* x);
void PlotVIDEOCurveB(const std::uint16_t* video, const std::uint16_t* threshold, const double* x);
void PlotDATACurveA(const std::uint16_t* values, const double* x);
void PlotDATACurveB(const std::uint16_t* values, const double* x);
// Adds the newest sample to the strip chart's history and plots it.
void PlotRAWGraph();

// --- parameter file --------------------------------------------------------------------
void SendParaToFile();
// 1 when a file was chosen and loaded; 0 when cancelled or refused (the
// status line says why), so the caller leaves the panels alone.
int ReadParaFromFile();

// --- recorder ------------------------------------------------------------------------------
void CalcRecTime();
