// What a graph or strip chart shows, kept exactly whatever is repainted: the
// graph controls draw from it, the tests read it (through platform/testing.h).
// Internal to the platform layer.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

#include <map>
#include <string>
#include <vector>

#include "platform/panels.h"

namespace platform {

struct PlotItem {
    enum class Kind { XY, Rectangle } kind = Kind::XY;
    int handle = 0;
    std::vector<double> x, y;
    int plotStyle = 0, pointStyle = 0, lineStyle = 0, color = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int frameColor = 0, fillColor = 0;
    std::string legend;  // its entry in the legend; none when empty
};
struct CursorState {
    double x = 0, y = 0;
    int pointStyle = VAL_SOLID_SQUARE;
    bool placed = false;
};
struct AxisState {
    int mode = VAL_AUTOSCALE;
    double min = 0, max = 10;
};
struct GraphModel {
    std::vector<PlotItem> plots;
    std::map<int, CursorState> cursors;
    // The axes as the program set them last; the operator's own zoom or pan
    // (GraphControl::handView) shows another range without changing these.
    AxisState xAxis, yLeft, yRight;
    std::string xName, yName;  // axis titles, with their unit in brackets
    // Strip chart only.
    int numTraces = 1;
    int pointsPerScreen = 100;
    int scrollMode = 0;  // 1: every plot call replaces the screen
    std::vector<int> traceColor;
    std::vector<int> traceVisible;
    std::vector<std::string> traceLegend;
    std::vector<std::vector<double>> traceData;  // the points on screen, oldest first
    long long stripCalls = 0;
};

}  // namespace platform
