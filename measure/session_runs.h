// The runs of a session as the measurement keeps them: each run's stamps and its latest
// estimate, the lateness the link has shown, and what the runs say of the CLOCKTRIM step. Pure
// data and arithmetic; calibration/measured_run.cpp fills it as the runs go.
#pragma once

#include "measure/rate_estimate.h"
#include "measure/tick_records.h"
#include "measure/trim_model.h"

#include <string>
#include <vector>

// A USB serial adapter hands received bytes to the PC in frames of 1 ms at best, so every stamp
// of a run may be late by that much even when the run's few stamps do not show it.
constexpr double UsbFrameSeconds = 0.001;

struct MeasuredRun {
    int chip = 1; // the chip measured, counting from 1 within the session
    bool trimKnown = false; // the tick program was uploaded in this session, at trim
    int trim = 0;
    std::wstring refusedTrim;     // the CLOCKTRIM the controller refused at the upload; empty: none
    std::wstring unconfirmedTrim; // the CLOCKTRIM the controller did not confirm; empty: none
    double intervalSeconds = 0.0; // the tick program's interval, as far as the program knows
    DateValue startedAt = NoDate; // the wall-clock time the run's first line shows
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
    // The coarsest timer the link's adapter may hand bytes over on, as far as the runs have
    // shown: the coarsest any adapter has, until a run's stamps lie off its grid.
    double adapterGridAtMostSeconds = CoarsestAdapterGridSeconds;
    TickRecords ticks;
    // The chip the runs measure now, and the port its runs were made over (empty: none yet).
    int chip = 1;
    std::wstring chipPort;
};

// What an ended run teaches about the link: a run of enough stamps that lie off the coarsest
// timer's grid shows the adapter's timer to be finer, and the lateness its stamps show is the
// link's. Runs whose stamps could lie on that grid show neither, however still they look.
void LearnLinkFromRun(MeasurementSession& session, const RateEstimate& estimate);

// Another adapter may be at the other end now: nothing the runs showed of the link holds.
void ForgetLink(MeasurementSession& session);

// The lateness to allow for at least in a run of this session, and the coarsest timer.
double KnownLinkLatenessSeconds(const MeasurementSession& session);

// The model of every run whose CLOCKTRIM and rate are known.
TrimModel SessionTrimModel(const std::vector<MeasuredRun>& runs);

// The runs of one chip, in their order: no model ever spans two chips.
std::vector<MeasuredRun> ChipRuns(const std::vector<MeasuredRun>& runs, int chip);
