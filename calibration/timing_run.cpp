#include "calibration/timing_run.h"

#include "calibration/garbled_lines.h"
#include "calibration/running_interval.h"
#include "calibration/stray_lines.h"
#include "calibration/tick_wait.h"
#include "measure/tick_fit.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "serial/command_exchange.h"
#include "settings/settings.h"
#include "state/app_state.h"
#include "text/clock_text.h"
#include "text/number_text.h"
#include "window/control_ids.h"
#include "window/log_view.h"
#include "window/main_controls.h"

#include <cmath>
#include <cstdint>

namespace {

// After RUN the first line comes about a second later; the poll starts a little before it.
constexpr int RunPauseMilliseconds = 700;
const std::wstring ClockMask = L"%hh:%ii:%ss";
const std::wstring Separator = L",  ";

double CounterMicroseconds(std::int64_t counterValue) {
    return App.MicrosecondsPerCount * static_cast<double>(counterValue);
}

// Arming replaces a running timer. The period is that of the interval the controller prints at,
// read afresh each time: a choice in the list changes nothing until the next upload.
void ArmPeriodTimer() {
    ArmWindowTimer(PeriodTimerId,
                   static_cast<std::uint32_t>(TimerPeriodFor(RunningIntervalSeconds())));
}

// Waits for a tick line; when none comes, says why and ends the run as Stop does. A close
// request that ended the wait then closes the program, as it does from the event loop. The
// line's stamp goes to App.ArrivalStamp.
bool AwaitTickLine(TickLineFound& found) {
    const std::int64_t boundSeconds = TickWaitBoundSeconds();
    const TickWait outcome = WaitForTickLine(boundSeconds, TickWaitOverdueMilliseconds(), found);
    LogStrayLines();
    if (outcome == TickWait::LineArrived) {
        App.ArrivalStamp = found.line.counterFound.stamp;
        App.StampLate = !found.line.counterFound.exact;
        return true;
    }
    if (outcome == TickWait::Closing)
        App.QuitRequested = 1;
    AppendLogLine(NoTickLineText(outcome, boundSeconds));
    StopTimingRun();
    return false;
}

// What the controller printed after the line just stamped (its line end, mostly) is read once
// the line delay has passed; a line in it is taken by the next wait, its stamp known to be late.
void ReadLineRest() {
    PauseMilliseconds(App.LineDelay);
    bool tookAll = false;
    const std::string rest = ReadAvailableBytes(tookAll);
    FeedTickLineReader(App.TickLines, rest, {App.ArrivalStamp, false});
}

TickSighting SightingOf(const ReceivedLine& line) {
    return {line.counter, CounterMicroseconds(line.counterFound.stamp) / 1e6,
            line.counterFound.exact};
}

// The run's first line has no line before it; only the interval of this session's upload can
// tell it garbled. One that is waits for the next.
bool AwaitFirstTickLine(TickLineFound& found) {
    for (;;) {
        if (!AwaitTickLine(found))
            return false;
        if (CounterFitsInterval(found.line.counter, App.UploadedInterval))
            return true;
        SetAsideGarbledLine(found.line.text, L"is no count of the tick program at " +
                                                 IntegerText(App.UploadedInterval) + L" s");
    }
}

void SetAsideUnfitLine(const std::string& text, const TickSighting& line) {
    const double since = line.seconds - App.LatestTickLine.seconds;
    SetAsideGarbledLine(text, L"does not fit the " + IntegerText(std::llround(since)) +
                                  L" s since the last tick line");
}

// The controller's count started over: it was restarted (power, reset, a RUN of its own). The
// stamps before stand; the run ends there.
void EndAtRestart(std::int64_t counter) {
    AppendLogLine(L"The Micromite's count went back from " + IntegerText(App.Counting.latest) +
                  L" to " + IntegerText(counter) + L": it started over, so the run ends here.");
    NoteNewChipSign(L"the Micromite's count started over");
    StopTimingRun();
}

// A line that is not counted: a count that went back is held, any other set aside. Neither
// moves the run's times.
void LeaveUncounted(const TickLineFound& found, TickLineVerdict verdict) {
    const TickSighting line = SightingOf(found.line);
    App.UncountedTickLines += found.olderTickLines + 1;
    if (verdict == TickLineVerdict::Held) {
        App.TickLineHeld = true;
        App.HeldTickLine = line;
        App.HeldTickLineText = found.line.text;
    } else {
        SetAsideUnfitLine(found.line.text, line);
    }
}

// Waits for a tick line that continues the run's count. A line left uncounted that came while
// the program looked stood in for the line due, and the period timer runs on from it; one that
// was waiting before it looked came early, and the wait goes on for the line due. A line that
// follows a count gone back ends the run.
bool AwaitCountedTickLine(TickLineFound& found) {
    for (;;) {
        if (!AwaitTickLine(found))
            return false;
        const TickLineVerdict verdict =
            JudgeTickLine(App.LatestTickLine, App.TickLineHeld ? &App.HeldTickLine : nullptr,
                          SightingOf(found.line), App.Counting.expectedInterval);
        if (verdict == TickLineVerdict::Restart) {
            EndAtRestart(App.HeldTickLine.counter);
            return false;
        }
        if (verdict == TickLineVerdict::Counted)
            break;
        LeaveUncounted(found, verdict);
        ScrollToNewest();
        if (found.line.counterFound.exact) {
            ArmPeriodTimer();
            ReadLineRest();
            return false;
        }
    }
    // The line held was garbled: the count went on from the latest good line.
    if (App.TickLineHeld) {
        App.TickLineHeld = false;
        SetAsideUnfitLine(App.HeldTickLineText, App.HeldTickLine);
    }
    App.LatestTickLine = SightingOf(found.line);
    return true;
}

std::wstring LostLinesText(std::int64_t lost, std::int64_t spanned) {
    return IntegerText(lost) + (lost == 1 ? L" tick line lost" : L" tick lines lost") +
           L": this interval spans " + IntegerText(spanned) + L" ticks.";
}

} // namespace

bool RefuseUntimedInterval() {
    if (IntervalCanBeTimed())
        return false;
    const std::wstring why = UntimedIntervalText();
    AppendLogLine(why);
    ScrollToNewest();
    ShowMessage(L"OOPS!", why);
    return true;
}

void InitTimingClock() {
    App.MicrosecondsPerCount = 1000000.0 / static_cast<double>(QueryCounterFrequency());
}

void StartTimingRun() {
    if (RefuseUntimedInterval())
        return;
    AppendLogLine(L"Time check started.");
    App.TickCount = 0.0f;
    App.RunActive = 1;
    const bool connected = Connect();
    ScrollToNewest();
    if (!connected)
        return;
    AppendLogLine(SendAndCollect(L"RUN\r", App.LineDelay));
    ScrollToNewest();
    PauseMilliseconds(RunPauseMilliseconds);
    ResetTickLineReader(App.TickLines);
    ResetStrayLines();
    ResetGarbledLines();
    TickLineFound found;
    if (!AwaitFirstTickLine(found))
        return;
    // The controller prints at the interval of this session's upload; without one, the counters
    // alone tell it.
    App.Counting = BeginTickCounting(found.line.counter, App.UploadedInterval);
    App.LatestTickSpan = 0;
    App.LatestTickLine = SightingOf(found.line);
    App.TickLineHeld = false;
    App.UncountedTickLines = 0;
    App.StartTime = CounterMicroseconds(App.ArrivalStamp);
    App.LatestTime = App.StartTime;
    App.PreviousTime = App.StartTime;
    ArmPeriodTimer();
    AppendLogLine(ClockText(ClockMask, CurrentDateTime()) + L",  Interval,  Average");
    ScrollToNewest();
    ReadLineRest();
}

void TickHandler() {
    DisarmWindowTimer(PeriodTimerId);
    TickLineFound found;
    if (!AwaitCountedTickLine(found))
        return;
    const std::int64_t counter = found.line.counter;
    App.LatestTickSpan = CountTickLine(App.Counting, counter);
    App.PreviousTime = App.LatestTime;
    App.LatestTime = CounterMicroseconds(App.ArrivalStamp);
    const double interval = (App.LatestTime - App.PreviousTime) / 1000000.0;
    App.ElapsedSeconds = (App.LatestTime - App.StartTime) / 1000000.0;
    // Ticks by the controller's count, so that a lost line costs only that line.
    App.TickCount = static_cast<float>(IntervalsSinceFirst(App.Counting, counter));
    // Armed before the texts and the log are made, so that their cost does not move the next
    // wake-up.
    ArmPeriodTimer();
    const double average = App.ElapsedSeconds / static_cast<double>(App.TickCount);
    AppendLogLine(ClockText(ClockMask, CurrentDateTime()) + Separator + FixedText(interval, 6) +
                  Separator + FixedText(average, 6));
    const std::int64_t lost =
        App.LatestTickSpan - 1 - found.olderTickLines - App.UncountedTickLines;
    App.UncountedTickLines = 0;
    if (lost > 0)
        AppendLogLine(LostLinesText(lost, App.LatestTickSpan));
    ScrollToNewest();
    ReadLineRest();
}

void StopTimingRun() {
    App.RunActive = 0;
    SendAndCollect(std::wstring(1, L'\x03'), LineDelays(2));
    DisarmWindowTimer(PeriodTimerId);
    Disconnect();
    AppendLogLine(L"Time check stopped.");
    ScrollToNewest();
}
