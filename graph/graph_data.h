// What the graph shows of a session's runs, in the graph's own terms: each interval's error at
// its time of day, each run's estimate, and the CLOCKTRIM model. Pure.
#pragma once

#include "measure/session_runs.h"
#include "measure/trim_model.h"

#include <vector>

// One interval: the time of day its last line came (seconds of DateValue), the controller's
// rate over it in ppm (fast above zero), and whether the estimate takes both its stamps.
struct GraphInterval {
    double time = 0.0;
    double ppm = 0.0;
    int run = 0; // index into GraphData::runs
    bool trusted = true;
};

struct GraphRun {
    bool trimKnown = false;
    int trim = 0;
    double startTime = 0.0, endTime = 0.0; // of day, as GraphInterval::time
    bool rateKnown = false;
    double ppm = 0.0, boundPpm = 0.0;
    bool ofShownChip = true; // of the chip the model describes: the session's latest
};

struct GraphData {
    std::vector<GraphInterval> intervals; // in order of time
    std::vector<GraphRun> runs;
    TrimModel model; // of the latest chip's runs
    int chip = 1;    // that chip, counting from 1 within the session
};

GraphData SessionGraphData(const std::vector<MeasuredRun>& runs);
