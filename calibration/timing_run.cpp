#include "calibration/timing_run.h"

#include "calibration/running_interval.h"
#include "calibration/stray_lines.h"
#include "calibration/tick_wait.h"
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

// The controller's count started over: it was restarted (power, reset, a RUN of its own). The
// stamps before stand; the run ends there.
void EndAtRestart(std::int64_t counter) {
    AppendLogLine(L"The Micromite's count went back from " + IntegerText(App.Counting.latest) +
                  L" to " + IntegerText(counter) + L": it started over, so the run ends here.");
    StopTimingRun();
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
    TickLineFound found;
    if (!AwaitTickLine(found))
        return;
    // The controller prints at the interval of this session's upload; without one, the counters
    // alone tell it.
    App.Counting = BeginTickCounting(found.line.counter, App.UploadedInterval);
    App.LatestTickSpan = 0;
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
    if (!AwaitTickLine(found))
        return;
    const std::int64_t counter = found.line.counter;
    if (CountWentBack(App.Counting, counter)) {
        EndAtRestart(counter);
        return;
    }
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
    const std::int64_t lost = App.LatestTickSpan - 1 - found.olderTickLines;
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
