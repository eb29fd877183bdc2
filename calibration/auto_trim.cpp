#include "calibration/auto_trim.h"

#include "calibration/measured_run.h"
#include "calibration/rate_report.h"
#include "calibration/tick_program.h"
#include "calibration/trim_command.h"
#include "measure/trim_search.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "settings/settings.h"
#include "state/app_state.h"
#include "text/number_text.h"
#include "window/control_ids.h"
#include "window/events.h"
#include "window/log_view.h"
#include "window/main_controls.h"

#include <algorithm>
#include <cmath>

const std::wstring AutoTrimInterval = IntegerText(TrimSearchIntervalSeconds);

namespace {

// Between two steps the loop takes the window's events, so that Stop is seen.
constexpr std::uint32_t StepPauseMilliseconds = 200;

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

// The search's own runs of the chip it measures now, as the model sees them.
std::vector<MeasuredRun> SearchRuns() {
    const std::vector<MeasuredRun>& session = SessionRuns();
    const std::vector<MeasuredRun> search(
        session.begin() + static_cast<std::ptrdiff_t>(Search().firstRun), session.end());
    return search.empty() ? search : ChipRuns(search, search.back().chip);
}

void Decide() {
    const TrimSearchStep step = NextTrimSearchStep(SearchRuns(), Search().measurements, Search().trim);
    Search().trim = step.trim;
    if (step.next == TrimSearchNext::GiveUp) {
        GiveUp(L"the tick lines gave no rate.");
    } else if (step.next == TrimSearchNext::Measure) {
        ScheduleStep(AutoTrimPhase::Upload);
    } else {
        Search().beyondReach = step.next == TrimSearchNext::BeyondReach;
        ScheduleStep(AutoTrimPhase::FinalUpload);
    }
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

// Puts the controller at the next value: once it holds the tick program at the search's
// interval, OPTION CLOCKTRIM alone does it; a value not confirmed is set by a whole upload.
// Gives the reason to give up, or the empty text.
std::wstring MoveToTrim(int trim) {
    AutoTrimState& search = Search();
    if (search.programHeld) {
        ChooseTrim(trim);
        const TrimCommand sent = SendClockTrim();
        if (sent == TrimCommand::Took)
            return L"";
        if (sent == TrimCommand::Refused)
            return L"the Micromite refused CLOCKTRIM " + IntegerText(trim) + L".";
    }
    search.programHeld = UploadAt(trim, AutoTrimInterval);
    if (search.programHeld)
        return L"";
    // Its runs would be credited to no value: nothing to measure.
    if (App.UnconfirmedClockTrim == App.ClockTrim)
        return L"the Micromite did not confirm CLOCKTRIM " + App.ClockTrim + L".";
    return L"the upload did not complete.";
}

std::wstring MeasuredText(const RateEstimate& estimate) {
    return RateText(estimate.ppm) + L" \u00B1" + FixedText(estimate.boundPpm, 1);
}

// The value found is the one measured nearest zero, which the model's advice may not be when
// the model and the measurements differ a little: the measurement decides, and the lines say so.
void LogResult() {
    const std::vector<MeasuredRun> runs = SearchRuns();
    const RateEstimate* estimate = MeasuredAt(runs, Search().trim);
    const std::wstring trim = IntegerText(Search().trim);
    if (Search().beyondReach && estimate) {
        AppendLogLine(L"Automatic trim ended: CLOCKTRIM " + trim +
                      L" is as far as the firmware goes and leaves the Micromite " +
                      MeasuredText(*estimate) + L".");
    } else {
        AppendLogLine(L"Automatic trim done: CLOCKTRIM " + trim +
                      (estimate ? L", measured " + MeasuredText(*estimate) : L"") + L".");
    }
    const TrimModel model = SessionTrimModel(runs);
    // The value is the best the measurements show, but not known to be better than its
    // neighbours: the log says so rather than let the choice pass for certain.
    if (!Search().beyondReach && estimate && model.known && !TellsNeighboursApart(*estimate, model))
        AppendLogLine(L"The measurements cannot tell CLOCKTRIM " + trim +
                      L" from its neighbours: \u00B1" + FixedText(estimate->boundPpm, 1) +
                      L" ppm is more than half a step. Measure it by hand at a longer interval.");
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
        ++search.measurements;
        const std::wstring failed = MoveToTrim(search.trim);
        if (StopWasRequested())
            CancelAutoTrim();
        else if (!failed.empty())
            GiveUp(failed);
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
    if (MeasurementDecisive(SearchRuns(), SecondsSince(Search().measureStartedAt)))
        EndMeasurement();
}

void CancelAutoTrim() {
    if (!AutoTrimActive())
        return;
    Finish();
    Log(L"Automatic trim stopped.");
}

void StopAutoTrimBecause(const std::wstring& why) {
    if (!AutoTrimActive())
        return;
    // The search's run ends as Stop ends it, before the user's interval is put back.
    if (App.RunActive == 1)
        MeasuredStop();
    Finish();
    Log(L"Automatic trim stopped: " + why);
}
