// The measurement beside the timing run: the stamps of every run of the session, the rate
// estimated from them after each tick, and the report when a run ends. The event loop calls the
// Measured* handlers in place of the timing run's own; each runs the timing run's handler
// unchanged and then looks at what it did.
#pragma once

#include "calibration/rate_estimate.h"
#include "calibration/tick_records.h"

#include <string>
#include <vector>

// A USB serial adapter hands received bytes to the PC in frames of 1 ms at best, so every stamp
// of a run may be late by that much even when the run's few stamps do not show it.
constexpr double UsbFrameSeconds = 0.001;

struct MeasuredRun {
    bool trimKnown = false; // the tick program was uploaded in this session, at trim
    int trim = 0;
    std::wstring refusedTrim;     // the CLOCKTRIM the controller refused at the upload; empty: none
    double intervalSeconds = 0.0; // the tick program's interval, as far as the program knows
    std::vector<TickStamp> stamps; // seconds on the performance counter
    RateEstimate estimate;         // after the latest stamp
    bool ended = false;
};

// The runs of this session, oldest first (the last may still be going on), the lateness the
// link has shown (0: none yet), and the record of every stamped line. Kept in AppState.
struct MeasurementSession {
    std::vector<MeasuredRun> runs;
    // The typical lateness of each run long enough to show it, and the lower median of those,
    // which later runs' bounds allow for: one bad run cannot raise it while others disagree.
    std::vector<double> runLatenessSeconds;
    double linkLatenessSeconds = 0.0;
    TickRecords ticks;
};

void MeasuredStart(); // the start button
void MeasuredTick();  // the period timer
void MeasuredStop();  // the stop button, and the end of the program while a run is flagged

const std::vector<MeasuredRun>& SessionRuns();
const TickRecords& SessionTickRecords();
// The run going on, or null.
const MeasuredRun* CurrentRun();
