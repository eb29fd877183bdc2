// The automatic trim's rules, measurements in and the next step out, without the event loop.
#include "measure/trim_search.h"
#include "rated_run.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

MeasuredRun LongRunAt(int trim, double ppm, double boundPpm) {
    MeasuredRun run = RunAt(trim, ppm, boundPpm);
    run.estimate.intervals = 25;
    return run;
}

MeasuredRun RunWithoutRate(int trim) {
    MeasuredRun run;
    run.trimKnown = true;
    run.trim = trim;
    return run;
}

TEST(TrimSearch, NextStepFromTheMeasurementsSoFar) {
    const struct {
        const char* what;
        std::vector<MeasuredRun> runs;
        int measurements;
        TrimSearchNext next;
        int trim;
    } cases[] = {
        {"no runs", {}, 1, TrimSearchNext::GiveUp, 0},
        {"no rate", {RunWithoutRate(0)}, 1, TrimSearchNext::GiveUp, 0},
        // One value: the typical step of 470 ppm puts zero at -5.
        {"one value", {RunAt(0, 2350.0, 20.0)}, 1, TrimSearchNext::Measure, -5},
        {"one value, measurements spent",
         {RunAt(0, 2350.0, 20.0)},
         MostTrimSearchMeasurements,
         TrimSearchNext::Finish,
         0},
        // The advice measured 10 ppm fast: no neighbour can be nearer zero.
        {"advice measured near zero",
         {RunAt(0, 2350.0, 20.0), RunAt(-5, 10.0, 20.0)},
         2,
         TrimSearchNext::Finish,
         -5},
        // 200 ppm fast within 34 may be more than half of the fitted 430 ppm step: the
        // neighbour on the slow side is measured.
        {"neighbour may be nearer",
         {RunAt(0, 2350.0, 20.0), RunAt(-5, 200.0, 34.0)},
         2,
         TrimSearchNext::Measure,
         -6},
        {"neighbour measured nearer",
         {RunAt(0, 2350.0, 20.0), RunAt(-5, 200.0, 34.0), RunAt(-6, -150.0, 34.0)},
         3,
         TrimSearchNext::Finish,
         -6},
        // Two values straddling zero that the measurements cannot tell apart (30 ppm nearer
        // against bounds of 70): the one measured briefly and loosely is measured again, once;
        // with bounds alike, or once it was, the nearer is taken, the lower of two alike.
        {"straddling, one loose and brief",
         {RunAt(0, 2350.0, 20.0), RunAt(-5, 200.0, 60.0), LongRunAt(-6, -230.0, 10.0)},
         3,
         TrimSearchNext::Measure,
         -5},
        {"straddling, measured again",
         {RunAt(0, 2350.0, 20.0), RunAt(-5, 200.0, 60.0), LongRunAt(-6, -230.0, 10.0),
          LongRunAt(-5, 200.0, 20.0)},
         4,
         TrimSearchNext::Finish,
         -5},
        {"straddling, bounds alike",
         {RunAt(0, 2350.0, 20.0), LongRunAt(-5, 200.0, 40.0), LongRunAt(-6, -230.0, 30.0)},
         3,
         TrimSearchNext::Finish,
         -5},
        {"straddling, equally near",
         {RunAt(0, 2350.0, 20.0), LongRunAt(-5, 215.0, 40.0), LongRunAt(-6, -215.0, 40.0)},
         3,
         TrimSearchNext::Finish,
         -6},
        // Far slow: the advice stops at the range's end, and no neighbour lies beyond it. Measured
        // there more than half a step from zero, the chip is beyond reach; within half a step,
        // the end is simply the value found.
        {"beyond the range", {RunAt(0, -20000.0, 50.0)}, 1, TrimSearchNext::Measure, 31},
        {"beyond the range, end measured",
         {RunAt(0, -20000.0, 50.0), RunAt(31, -5500.0, 40.0)},
         2,
         TrimSearchNext::BeyondReach,
         31},
        {"beyond the fast end, end measured",
         {RunAt(0, 20000.0, 50.0), RunAt(-31, 5000.0, 40.0)},
         2,
         TrimSearchNext::BeyondReach,
         -31},
        {"within reach at the end",
         {RunAt(0, -14000.0, 50.0), RunAt(31, -150.0, 40.0)},
         2,
         TrimSearchNext::Finish,
         31},
        {"beyond the range, measurements spent",
         {RunAt(0, -20000.0, 50.0), RunAt(31, -5500.0, 40.0)},
         MostTrimSearchMeasurements,
         TrimSearchNext::BeyondReach,
         31},
        // A value the controller refused is credited to none: its run teaches nothing.
        {"refused value only", {RunAt(32, 14500.0, 30.0, false)}, 1, TrimSearchNext::GiveUp, 0},
        {"refused value beside a measured one",
         {RunAt(0, 2350.0, 20.0), RunAt(32, 14500.0, 30.0, false)},
         2,
         TrimSearchNext::Measure,
         -5},
    };
    for (const auto& c : cases) {
        const TrimSearchStep step = NextTrimSearchStep(c.runs, c.measurements, 0);
        EXPECT_EQ(step.next, c.next) << c.what;
        EXPECT_EQ(step.trim, c.trim) << c.what;
    }
}

TEST(TrimSearch, AMeasurementEndsOnceItCannotChangeTheNextStep) {
    // The typical step of 470 ppm while one value is measured: a quarter is 117.5 ppm, an eighth
    // 58.75 ppm. Each case's last run is the measurement going on.
    const MeasuredRun first = RunAt(0, 2350.0, 20.0);
    const struct {
        const char* what;
        std::vector<MeasuredRun> runs;
        double seconds;
        bool decisive;
    } cases[] = {
        {"no rate yet", {RunWithoutRate(0)}, 20.0, false},
        {"no rate, 75 s", {RunWithoutRate(0)}, 75.0, true},
        {"too few intervals", {[] {
             MeasuredRun run = RunAt(0, 2350.0, 1.0);
             run.estimate.intervals = 5;
             return run;
         }()},
         20.0,
         false},
        {"credited to no value", {RunAt(32, 2350.0, 1.0, false)}, 20.0, false},
        // Away from zero: landing next to the best value is enough...
        {"jump, bound a quarter step", {RunAt(0, 600.0, 117.0)}, 20.0, true},
        {"jump, bound wider", {RunAt(0, 600.0, 118.0)}, 20.0, false},
        // ...or, far from it, landing as near as the step's uncertainty lets the jump: an
        // eighth of the rate on the typical step,
        {"far jump, bound an eighth of the rate", {RunAt(0, 2350.0, 293.0)}, 20.0, true},
        {"far jump, bound wider", {RunAt(0, 2350.0, 295.0)}, 20.0, false},
        // and on a fitted step (500 ppm here, advising -12) what its ends' bounds leave of it.
        {"fitted step, tight at its other end",
         {RunAt(0, 6000.0, 20.0), RunAt(-8, 2000.0, 150.0)},
         20.0,
         false},
        {"fitted step, loose at its other end",
         {RunAt(0, 6000.0, 600.0), RunAt(-8, 2000.0, 150.0)},
         20.0,
         true},
        // At the advised value: done once no neighbour can be nearer zero.
        {"advised, surely best", {first, RunAt(-5, 40.0, 100.0)}, 20.0, true},
        {"advised, neighbour possible", {first, RunAt(-5, 150.0, 100.0)}, 20.0, false},
        {"advised, bound an eighth step", {first, RunAt(-5, 150.0, 55.0)}, 20.0, true},
        {"advised, 75 s", {first, RunAt(-5, 150.0, 100.0)}, 75.0, true},
        // The neighbour against the advised value measured before it.
        {"neighbour surely worse",
         {first, RunAt(-5, 150.0, 30.0), RunAt(-6, -400.0, 100.0)},
         20.0,
         true},
        {"neighbour maybe better",
         {first, RunAt(-5, 200.0, 30.0), RunAt(-6, -250.0, 100.0)},
         20.0,
         false},
        // Straddling zero, the two must be told apart, however narrow the bounds.
        {"straddling, an eighth of a step, not told apart",
         {first, RunAt(-5, 200.0, 30.0), RunAt(-6, -230.0, 50.0)},
         20.0,
         false},
        {"straddling, told apart", {first, RunAt(-5, 200.0, 10.0), RunAt(-6, -230.0, 10.0)}, 20.0,
         true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MeasurementDecisive(c.runs, c.seconds), c.decisive) << c.what;
}

} // namespace
