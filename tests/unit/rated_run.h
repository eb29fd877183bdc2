// A run as the measurement keeps it, made up for the rules that read runs: ended, at a CLOCKTRIM
// value, with a rate and bound over ten intervals.
#pragma once

#include "measure/session_runs.h"

inline MeasuredRun RunAt(int trim, double ppm, double boundPpm, bool trimKnown = true) {
    MeasuredRun run;
    run.trimKnown = trimKnown;
    run.trim = trim;
    run.estimate.known = true;
    run.estimate.ppm = ppm;
    run.estimate.boundPpm = boundPpm;
    run.estimate.intervals = 10;
    run.ended = true;
    return run;
}
