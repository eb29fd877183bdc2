// The automatic trim's rules, measurements in and the next step out, without the event loop.
#include "measure/trim_search.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

MeasuredRun RunAt(int trim, double ppm, double boundPpm, bool trimKnown = true) {
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
        int uploads;
        TrimSearchNext next;
        int trim;
    } cases[] = {
        {"no runs", {}, 1, TrimSearchNext::GiveUp, 0},
        {"no rate", {RunWithoutRate(0)}, 1, TrimSearchNext::GiveUp, 0},
        // One value: the typical step of 470 ppm puts zero at -5.
        {"one value", {RunAt(0, 2350.0, 20.0)}, 1, TrimSearchNext::Measure, -5},
        {"one value, uploads spent", {RunAt(0, 2350.0, 20.0)}, MostTrimSearchUploads,
         TrimSearchNext::Finish, 0},
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
        // Far slow: the advice stops at the range's end, and no neighbour lies beyond it.
        {"beyond the range", {RunAt(0, -20000.0, 50.0)}, 1, TrimSearchNext::Measure, 31},
        {"beyond the range, end measured",
         {RunAt(0, -20000.0, 50.0), RunAt(31, -5500.0, 40.0)},
         2,
         TrimSearchNext::Finish,
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
        const TrimSearchStep step = NextTrimSearchStep(c.runs, c.uploads, 0);
        EXPECT_EQ(step.next, c.next) << c.what;
        EXPECT_EQ(step.trim, c.trim) << c.what;
    }
}

TEST(TrimSearch, AMeasurementIsDecisiveOnceItsBoundIsSmallAgainstTheStep) {
    TrimModel assumed;
    assumed.known = true; // the typical step, 470 ppm: a quarter is 117.5 ppm
    TrimModel fitted = assumed;
    fitted.stepFitted = true; // neighbours: an eighth, 58.75 ppm
    const struct {
        bool known;
        std::int64_t intervals;
        double boundPpm;
        const TrimModel& model;
        double seconds;
        bool decisive;
    } cases[] = {
        {false, 0, 0.0, assumed, 10.0, false}, {false, 0, 0.0, assumed, 75.0, true},
        {true, 5, 1.0, assumed, 30.0, false},  {true, 6, 117.0, assumed, 30.0, true},
        {true, 6, 118.0, assumed, 30.0, false}, {true, 6, 58.0, fitted, 30.0, true},
        {true, 6, 60.0, fitted, 30.0, false},  {true, 6, 60.0, fitted, 75.0, true},
    };
    for (const auto& c : cases) {
        RateEstimate estimate;
        estimate.known = c.known;
        estimate.intervals = c.intervals;
        estimate.boundPpm = c.boundPpm;
        EXPECT_EQ(MeasurementDecisive(estimate, c.model, c.seconds), c.decisive)
            << c.known << " " << c.intervals << " " << c.boundPpm << " " << c.seconds;
    }
}

} // namespace
