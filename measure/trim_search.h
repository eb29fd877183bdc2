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
    int measurements = 0;        // values measured so far
    bool programHeld = false;    // the controller holds the tick program at the search's interval
    bool beyondReach = false;    // the value found lies at an end of the range, zero beyond it
    std::wstring chosenInterval; // the user's interval, put back at the end
    std::size_t firstRun = 0;    // the search's runs start here in the session's
    std::int64_t startedAt = 0;  // performance counter values
    std::int64_t measureStartedAt = 0;
};

// The interval the search measures at, in seconds: the shortest the tick program prints at (it
// prints when its count MOD the interval is 1), for the most stamps in the least time.
constexpr int TrimSearchIntervalSeconds = 3;

// Values measured, at most; with the uploads and the longest measurements the search ends within
// about 8 + 6 × (2 + 75) + 8 seconds at the default line delay.
constexpr int MostTrimSearchMeasurements = 6;

// The latest estimate among the runs at a CLOCKTRIM value, or null.
const RateEstimate* MeasuredAt(const std::vector<MeasuredRun>& runs, int trim);

// Whether the measurement going on, the last of the runs, may end: once what it says cannot change
// the next step, or once it is as good as is worth waiting for, or after 75 s.
//  - At a value the model does not advise, it ends once its bound is a quarter of a step, enough
//    to land next to the best value, or, far from zero, once it is no larger than what the
//    step's own uncertainty makes the jump miss by; against an advised value already measured,
//    once it is surely the worse of the two, or its bound is an eighth of a step.
//  - At the advised value, it ends once no neighbour can keep better time (its rate and bound
//    lie within half a step of zero), or its bound is an eighth of a step, when the neighbour is
//    measured instead.
//  - Next to a value measured on the other side of zero, it ends only once one of the two is
//    surely the nearer, or after 75 s: that choice is what the search is for.
bool MeasurementDecisive(const std::vector<MeasuredRun>& runs, double secondsMeasured);

// Whether a value's measurement can tell it from its neighbours: its bound is at most half a
// step, so that a neighbour's rate lies outside it.
bool TellsNeighboursApart(const RateEstimate& estimate, const TrimModel& model);

enum class TrimSearchNext { Measure, Finish, BeyondReach, GiveUp };
struct TrimSearchStep {
    TrimSearchNext next = TrimSearchNext::GiveUp;
    int trim = 0; // the value to measure, or the one found
};

// After a measurement: the value to measure next (the model's advice, then the neighbour that may
// keep better time, then, once, the looser of the two when they straddle zero untold apart and
// one was measured far more briefly), or, when none is left or the measurements are spent, the
// value measured nearest zero (currentTrim when none was measured); giving up when the runs gave
// no rate at all. The value found is beyond reach when it is an end of the firmware's range and
// its rate is more than half a step from zero towards the values past that end: the chip cannot
// be brought to zero.
TrimSearchStep NextTrimSearchStep(const std::vector<MeasuredRun>& runs, int measurements,
                                  int currentTrim);
