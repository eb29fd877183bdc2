#include "calibration/measured_run.h"

#include "calibration/garbled_lines.h"
#include "calibration/chip_change.h"
#include "calibration/late_wake.h"
#include "calibration/rate_report.h"
#include "calibration/running_interval.h"
#include "calibration/stray_lines.h"
#include "calibration/timing_run.h"
#include "measure/tick_count.h"
#include "state/app_state.h"
#include "text/clock_text.h"
#include "text/number_text.h"

#include <algorithm>
#include <cmath>

namespace {

MeasuredRun* OpenRun() {
    if (App.Measurements.runs.empty() || App.Measurements.runs.back().ended)
        return nullptr;
    return &App.Measurements.runs.back();
}

double NominalIntervalSeconds() {
    return static_cast<double>(std::max<std::int64_t>(RunningIntervalSeconds(), 0));
}

void BeginRun(double startMicroseconds) {
    MeasuredRun run;
    run.chip = App.Measurements.chip;
    run.trimKnown = !App.UploadedClockTrim.empty();
    run.trim = static_cast<int>(ParseInteger(App.UploadedClockTrim));
    run.refusedTrim = App.RefusedClockTrim;
    run.unconfirmedTrim = App.UnconfirmedClockTrim;
    run.intervalSeconds = NominalIntervalSeconds();
    run.startedAt = LatestCurrentDateTime();
    run.stamps.push_back({0, startMicroseconds / 1e6, !App.StampLate});
    App.Measurements.runs.push_back(run);
}

// The counters may have just shown the interval to be shorter than the run took it to be (a
// line lost in the first interval, no upload to tell): the earlier ticks are counted anew.
void TakeCountedInterval(MeasuredRun& run) {
    const std::int64_t counted = CountedInterval(App.Counting);
    const double interval = static_cast<double>(counted);
    if (counted <= 0 || interval == run.intervalSeconds)
        return;
    if (run.intervalSeconds > 0.0)
        for (TickStamp& stamp : run.stamps)
            stamp.tick =
                std::llround(static_cast<double>(stamp.tick) * run.intervalSeconds / interval);
    run.intervalSeconds = interval;
}

// A stamp's tick number is the controller's count of intervals since the run's first line, so
// that lost lines and lines read together do not shift the ticks after them. A late stamp is kept
// out of the estimate (which sets aside, by itself, a stamp far off the line of the others).
// Gives whether the stamp is trusted.
bool AddStamp(MeasuredRun& run, double microseconds) {
    TakeCountedInterval(run);
    const double seconds = microseconds / 1e6;
    const std::int64_t tick = IntervalsSinceFirst(App.Counting, App.Counting.latest);
    const bool trusted = !App.StampLate;
    run.stamps.push_back({tick, seconds, trusted});
    const MeasurementSession& session = App.Measurements;
    run.estimate = EstimateRate(run.stamps, run.intervalSeconds, KnownLinkLatenessSeconds(session),
                                session.adapterGridAtMostSeconds);
    return trusted;
}

// The record of the line the run's handler has just logged for the run's newest stamp.
void RecordLine(const MeasuredRun& run) {
    TickRecord record;
    record.run = static_cast<int>(App.Measurements.runs.size());
    record.chip = run.chip;
    record.trimKnown = run.trimKnown;
    record.trim = run.trim;
    record.tick = static_cast<int>(App.TickCount);
    record.time = LatestCurrentDateTime();
    record.stampMicroseconds = App.LatestTime - App.StartTime;
    // The same arithmetic as the line's, so that the record and the line agree to the digit.
    record.hasInterval = record.tick > 0;
    if (record.hasInterval) {
        record.intervalSeconds = (App.LatestTime - App.PreviousTime) / 1000000.0;
        record.averageSeconds = App.ElapsedSeconds / static_cast<double>(App.TickCount);
    }
    record.rateKnown = run.estimate.known;
    record.ppm = run.estimate.ppm;
    record.boundPpm = run.estimate.boundPpm;
    record.late = !run.stamps.back().trusted;
    KeepTickRecord(App.Measurements.ticks, record);
}

void EndRun() {
    MeasuredRun* run = OpenRun();
    if (!run)
        return;
    run->ended = true;
    LearnLinkFromRun(App.Measurements, run->estimate);
    PlaceRunOnItsChip(*run);
    LogStrayLineCount();
    LogGarbledLineCount();
    LogRateReport(*run, SessionRuns());
}

} // namespace

void MeasuredStart() {
    // A second start measures afresh: the run before it ends here. A new chip is said before the
    // run's own lines begin.
    EndRun();
    TakeNewChipSigns();
    const double startBefore = App.StartTime;
    StartTimingRun();
    if (App.RunActive == 1 && App.StartTime != startBefore) {
        BeginRun(App.StartTime);
        RecordLine(App.Measurements.runs.back());
        ReportLateStart();
    }
}

void MeasuredTick() {
    const double latestBefore = App.LatestTime;
    TickHandler();
    MeasuredRun* run = OpenRun();
    if (run && App.LatestTime != latestBefore) {
        const bool trusted = AddStamp(*run, App.LatestTime);
        if (!trusted)
            ReportLateStamp((App.LatestTime - App.PreviousTime) / 1e6,
                            static_cast<double>(App.LatestTickSpan) * run->intervalSeconds);
        RecordLine(*run);
    }
    if (App.RunActive == 0)
        EndRun();
}

void MeasuredStop() {
    StopTimingRun();
    EndRun();
}

const std::vector<MeasuredRun>& SessionRuns() {
    return App.Measurements.runs;
}

const TickRecords& SessionTickRecords() {
    return App.Measurements.ticks;
}

const MeasuredRun* CurrentRun() {
    return OpenRun();
}
