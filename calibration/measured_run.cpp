#include "calibration/measured_run.h"

#include "app/app_state.h"
#include "calibration/late_wake.h"
#include "calibration/rate_report.h"
#include "calibration/timing_run.h"
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

// The controller prints at the interval of the last upload of this session; without one, the
// chosen interval is the best guess.
double NominalIntervalSeconds() {
    const std::int64_t interval =
        App.UploadedInterval > 0 ? App.UploadedInterval : ParseInteger(App.TimeInterval);
    return static_cast<double>(std::max<std::int64_t>(interval, 0));
}

void BeginRun(double startMicroseconds) {
    MeasuredRun run;
    run.trimKnown = !App.UploadedClockTrim.empty();
    run.trim = static_cast<int>(ParseInteger(App.UploadedClockTrim));
    run.intervalSeconds = NominalIntervalSeconds();
    run.stamps.push_back({0, startMicroseconds / 1e6, !App.LineWaitingAtFirstPoll});
    App.Measurements.runs.push_back(run);
}

// A stamp's tick number counts the controller's intervals since the first line, so that lines
// read together (a wake later than a whole interval) do not shift the ticks after them.
void AddStamp(MeasuredRun& run, double microseconds, bool trusted) {
    const TickStamp& previous = run.stamps.back();
    const double seconds = microseconds / 1e6;
    std::int64_t ticks = 1;
    if (run.intervalSeconds > 0.0)
        ticks = std::max<std::int64_t>(
            1, std::llround((seconds - previous.seconds) / run.intervalSeconds));
    run.stamps.push_back({previous.tick + ticks, seconds, trusted});
    run.estimate = EstimateRate(run.stamps, run.intervalSeconds,
                                std::max(App.Measurements.linkLatenessSeconds, UsbFrameSeconds));
}

// The record of the line the run's handler has just logged for the run's newest stamp.
void RecordLine(const MeasuredRun& run) {
    TickRecord record;
    record.run = static_cast<int>(App.Measurements.runs.size());
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
    // Only a run long enough to show its lateness tells the next runs about the link, and only
    // with what most of its stamps show.
    if (run->estimate.known && run->estimate.stampsUsed >= 2 * MinimumTrustedStamps)
        App.Measurements.linkLatenessSeconds =
            std::max(App.Measurements.linkLatenessSeconds, run->estimate.typicalLatenessSeconds);
    LogRateReport(*run, SessionRuns());
}

} // namespace

void MeasuredStart() {
    // A second start measures afresh: the run before it ends here.
    EndRun();
    const double startBefore = App.StartTime;
    StartTimingRun();
    if (App.RunActive == 1 && App.StartTime != startBefore) {
        BeginRun(App.StartTime);
        RecordLine(App.Measurements.runs.back());
        ReportLateStart();
    }
}

void MeasuredTick() {
    const float ticksBefore = App.TickCount;
    TickHandler();
    ReportLateWake();
    MeasuredRun* run = OpenRun();
    if (run && App.TickCount != ticksBefore) {
        AddStamp(*run, App.LatestTime, !App.LineWaitingAtFirstPoll);
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
