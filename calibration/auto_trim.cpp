#include "calibration/auto_trim.h"

#include "app/app_state.h"
#include "app/control_ids.h"
#include "app/events.h"
#include "app/log_view.h"
#include "app/main_window.h"
#include "calibration/measured_run.h"
#include "calibration/rate_report.h"
#include "calibration/tick_program.h"
#include "calibration/trim_model.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/number_text.h"

#include <algorithm>
#include <cmath>

const wchar_t* const AutoTrimInterval = L"5";

namespace {

// Between two steps the loop takes the window's events, so that Stop is seen.
constexpr std::uint32_t StepPauseMilliseconds = 200;
// A measurement ends once it spans enough intervals to show the adapter's lateness and its bound
// is this fraction of a step, or after this long.
constexpr std::int64_t FewestDecisiveIntervals = 6;
constexpr double DecisiveBoundSteps = 1.0 / 4.0;
// Once the step is fitted, the values left to tell apart are neighbours, whose rates differ by
// a step: their measurements need half the bound.
constexpr double DecisiveBoundStepsBetweenNeighbours = 1.0 / 8.0;
constexpr double LongestMeasurementSeconds = 75.0;
// Uploads for measurements, at most; with the final upload and the longest measurements the
// search ends within about 6 × (8 + 1 + 75) + 8 seconds at the default line delay.
constexpr int MostUploads = 6;

AutoTrimState& Search() {
    return App.AutoTrim;
}

double SecondsSince(std::int64_t counterValue) {
    return static_cast<double>(QueryCounter() - counterValue) * App.MicrosecondsPerCount / 1e6;
}

void Log(const std::wstring& line) {
    AppendLogLine(line);
    ScrollToNewest();
}

void ScheduleStep(AutoTrimPhase phase) {
    Search().phase = phase;
    ArmWindowTimer(AutoTrimTimerId, StepPauseMilliseconds);
}

void ChooseTrim(int trim) {
    App.ClockTrim = IntegerText(trim);
    SetListText(ClockTrimListId, App.ClockTrim);
}

void ChooseInterval(const std::wstring& interval) {
    App.TimeInterval = interval;
    // An interval the list does not offer shows as none, as at start-up.
    SetListText(IntervalListId, L"");
    SetListText(IntervalListId, interval);
    DeriveTimerPeriod();
}

void Finish() {
    DisarmWindowTimer(AutoTrimTimerId);
    ChooseInterval(Search().chosenInterval);
    Search() = AutoTrimState{};
}

void GiveUp(const std::wstring& why) {
    Finish();
    Log(L"Automatic trim ended: " + why);
}

// Stop or the close request taken by a drain while a handler of the search was busy.
bool StopWasRequested() {
    const bool stop = TakeKeptEvent(EventControl, StopButtonId);
    const bool close = TakeKeptEvent(EventClose, 0);
    if (close)
        App.QuitRequested = 1;
    return stop || close;
}

// The search's own runs, as the model sees them.
std::vector<MeasuredRun> SearchRuns() {
    const std::vector<MeasuredRun>& session = SessionRuns();
    return std::vector<MeasuredRun>(
        session.begin() + static_cast<std::ptrdiff_t>(Search().firstRun), session.end());
}

// The latest estimate the search has at a CLOCKTRIM value, or null.
const RateEstimate* MeasuredAt(const std::vector<MeasuredRun>& runs, int trim) {
    const RateEstimate* found = nullptr;
    for (const MeasuredRun& run : runs)
        if (run.trimKnown && run.trim == trim && run.estimate.known)
            found = &run.estimate;
    return found;
}

// Of the values measured, the one whose rate lies nearest zero.
int BestMeasured(const std::vector<MeasuredRun>& runs) {
    int best = Search().trim;
    double bestRate = INFINITY;
    for (int trim = LowestClockTrim; trim <= HighestClockTrim; ++trim) {
        const RateEstimate* estimate = MeasuredAt(runs, trim);
        if (estimate && std::abs(estimate->ppm) < bestRate) {
            best = trim;
            bestRate = std::abs(estimate->ppm);
        }
    }
    return best;
}

// The value to measure next; false when there is none.
bool NextTrimToMeasure(const std::vector<MeasuredRun>& runs, const TrimModel& model, int& next) {
    const int advised = AdvisedTrim(model);
    if (!MeasuredAt(runs, advised)) {
        next = advised;
        return true;
    }
    // The advised value is measured: its neighbour on the side its rate points to may still
    // keep better time, unless the measurement rules that out.
    const RateEstimate& there = *MeasuredAt(runs, advised);
    const int neighbour = advised + (there.ppm > 0.0 ? -1 : 1);
    const bool neighbourMayBeBetter = std::abs(there.ppm) + there.boundPpm > model.stepPpm / 2.0;
    if (neighbourMayBeBetter && neighbour >= LowestClockTrim && neighbour <= HighestClockTrim &&
        !MeasuredAt(runs, neighbour)) {
        next = neighbour;
        return true;
    }
    return false;
}

void Decide() {
    const std::vector<MeasuredRun> runs = SearchRuns();
    const TrimModel model = SessionTrimModel(runs);
    if (!model.known) {
        GiveUp(L"the tick lines gave no rate.");
        return;
    }
    int next = 0;
    if (Search().uploads < MostUploads && NextTrimToMeasure(runs, model, next)) {
        Search().trim = next;
        ScheduleStep(AutoTrimPhase::Upload);
        return;
    }
    Search().trim = BestMeasured(runs);
    ScheduleStep(AutoTrimPhase::FinalUpload);
}

void EndMeasurement() {
    MeasuredStop();
    if (StopWasRequested()) {
        CancelAutoTrim();
        return;
    }
    Decide();
}

bool UploadAt(int trim, const std::wstring& interval) {
    ChooseTrim(trim);
    ChooseInterval(interval);
    App.UploadedClockTrim.clear();
    UploadTickProgram();
    return App.UploadedClockTrim == App.ClockTrim;
}

// The value found is the one measured nearest zero, which the model's advice may not be when
// the model and the measurements differ a little: the measurement decides, and the lines say so.
void LogResult() {
    const std::vector<MeasuredRun> runs = SearchRuns();
    const RateEstimate* estimate = MeasuredAt(runs, Search().trim);
    std::wstring done = L"Automatic trim done: CLOCKTRIM " + IntegerText(Search().trim);
    if (estimate)
        done += L", measured " + RateText(estimate->ppm) + L" \u00B1" +
                FixedText(estimate->boundPpm, 1);
    AppendLogLine(done + L".");
    const TrimModel model = SessionTrimModel(runs);
    if (model.known)
        AppendLogLine(StepLine(model));
    AppendLogLine(KeepLine(Search().trim));
    ScrollToNewest();
}

} // namespace

bool AutoTrimActive() {
    return Search().phase != AutoTrimPhase::Idle;
}

void StartAutoTrim() {
    if (AutoTrimActive())
        return;
    if (App.RunActive == 1)
        MeasuredStop();
    AutoTrimState& search = Search();
    search.chosenInterval = App.TimeInterval;
    search.trim = static_cast<int>(
        std::clamp<std::int64_t>(ParseInteger(App.ClockTrim), LowestClockTrim, HighestClockTrim));
    search.firstRun = SessionRuns().size();
    search.startedAt = QueryCounter();
    Log(L"Automatic trim started at CLOCKTRIM " + IntegerText(search.trim) + L".");
    ScheduleStep(AutoTrimPhase::Upload);
}

void AutoTrimTimerEvent() {
    DisarmWindowTimer(AutoTrimTimerId);
    AutoTrimState& search = Search();
    switch (search.phase) {
    case AutoTrimPhase::Upload: {
        ++search.uploads;
        const bool uploaded = UploadAt(search.trim, AutoTrimInterval);
        if (StopWasRequested())
            CancelAutoTrim();
        else if (!uploaded)
            GiveUp(L"the upload did not complete.");
        else
            ScheduleStep(AutoTrimPhase::Start);
        return;
    }
    case AutoTrimPhase::Start:
        search.phase = AutoTrimPhase::Measure;
        search.measureStartedAt = QueryCounter();
        MeasuredStart();
        if (StopWasRequested()) {
            if (App.RunActive == 1)
                MeasuredStop();
            CancelAutoTrim();
        } else if (App.RunActive == 0 || !CurrentRun()) {
            if (App.RunActive == 1)
                MeasuredStop();
            GiveUp(L"no tick lines came from the Micromite.");
        }
        return;
    case AutoTrimPhase::FinalUpload:
        // The controller is left holding the value found, at the chosen interval, ready for
        // Start; the list shows it, so it is saved at exit.
        if (App.UploadedClockTrim != IntegerText(search.trim) ||
            App.UploadedInterval != ParseInteger(search.chosenInterval))
            UploadAt(search.trim, search.chosenInterval);
        StopWasRequested(); // too late to stop, but a close request still closes
        ChooseTrim(search.trim);
        LogResult();
        Finish();
        return;
    default:
        return;
    }
}

void AutoTrimAfterTick() {
    if (Search().phase != AutoTrimPhase::Measure)
        return;
    const MeasuredRun* run = CurrentRun();
    if (StopWasRequested()) {
        if (App.RunActive == 1)
            MeasuredStop();
        CancelAutoTrim();
        return;
    }
    if (!run) {
        GiveUp(L"the tick lines stopped.");
        return;
    }
    const TrimModel model = SessionTrimModel(SearchRuns());
    const bool decisive =
        run->estimate.known && run->estimate.intervals >= FewestDecisiveIntervals &&
        run->estimate.boundPpm <=
            (model.stepFitted ? DecisiveBoundStepsBetweenNeighbours : DecisiveBoundSteps) *
                model.stepPpm;
    if (decisive || SecondsSince(Search().measureStartedAt) >= LongestMeasurementSeconds)
        EndMeasurement();
}

void CancelAutoTrim() {
    if (!AutoTrimActive())
        return;
    Finish();
    Log(L"Automatic trim stopped.");
}
