// The automatic trim's rules: given the runs it has made, when a measurement is decisive and
// what to do next. Pure; calibration/auto_trim.cpp runs the steps (uploads, runs, timers).
#pragma once

#include "measure/session_runs.h"
#include "measure/trim_model.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class AutoTrimPhase { Idle, Upload, Start, Measure, FinalUpload };

// Where the search stands; kept in AppState.
struct AutoTrimState {
    AutoTrimPhase phase = AutoTrimPhase::Idle;
    int trim = 0;                // the value being uploaded or measured
    int uploads = 0;             // measurement uploads so far
    std::wstring chosenInterval; // the user's interval, put back at the end
    std::size_t firstRun = 0;    // the search's runs start here in the session's
    std::int64_t startedAt = 0;  // performance counter values
    std::int64_t measureStartedAt = 0;
};

// Uploads for measurements, at most; with the final upload and the longest measurements the
// search ends within about 6 × (8 + 1 + 75) + 8 seconds at the default line delay.
constexpr int MostTrimSearchUploads = 6;

// The latest estimate among the runs at a CLOCKTRIM value, or null.
const RateEstimate* MeasuredAt(const std::vector<MeasuredRun>& runs, int trim);

// Whether the measurement going on may end: it spans enough intervals to show the adapter's
// lateness and its bound is small against the step, or it has lasted long enough.
bool MeasurementDecisive(const RateEstimate& estimate, const TrimModel& model,
                         double secondsMeasured);

enum class TrimSearchNext { Measure, Finish, GiveUp };
struct TrimSearchStep {
    TrimSearchNext next = TrimSearchNext::GiveUp;
    int trim = 0; // the value to measure, or the one found
};

// After a measurement: the value to measure next (the model's advice, then the neighbour that may
// keep better time), or, when none is left or the uploads are spent, the value measured nearest
// zero (currentTrim when none was measured); giving up when the runs gave no rate at all.
TrimSearchStep NextTrimSearchStep(const std::vector<MeasuredRun>& runs, int uploads,
                                  int currentTrim);
