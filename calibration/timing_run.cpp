#include "calibration/timing_run.h"

#include "app/app_state.h"
#include "app/control_ids.h"
#include "app/log_view.h"
#include "calibration/tick_wait.h"
#include "platform/platform.h"
#include "serial/command_exchange.h"
#include "text/clock_text.h"
#include "text/number_text.h"

#include <cstdint>

namespace {

// After RUN the first line comes about a second later; the poll starts a little before it.
constexpr int RunPauseMilliseconds = 700;
const std::wstring ClockMask = L"%hh:%ii:%ss";
const std::wstring Separator = L",  ";

double CounterMicroseconds(std::int64_t counterValue) {
    return App.MicrosecondsPerCount * static_cast<double>(counterValue);
}

// Arming replaces a running timer; the period is read afresh each time.
void ArmPeriodTimer() {
    ArmWindowTimer(PeriodTimerId, static_cast<std::uint32_t>(App.TimerPeriod));
}

// Waits for a tick line; when none comes, says why and ends the run as Stop does. A close
// request that ended the wait then closes the program, as it does from the event loop.
bool AwaitTickLine() {
    const std::int64_t boundSeconds = TickWaitBoundSeconds();
    const TickWait outcome = WaitForTickLine(boundSeconds, TickWaitOverdueMilliseconds());
    if (outcome == TickWait::LineArrived)
        return true;
    if (outcome == TickWait::Closing)
        App.QuitRequested = 1;
    AppendLogLine(NoTickLineText(outcome, boundSeconds));
    StopTimingRun();
    return false;
}

// What the controller printed after the line just stamped (its line end, mostly) is not a
// tick line: read it away once the line delay has passed.
void DiscardLineRest() {
    PauseMilliseconds(App.LineDelay);
    ReadAvailableText();
}

} // namespace

void InitTimingClock() {
    App.MicrosecondsPerCount = 1000000.0 / static_cast<double>(QueryCounterFrequency());
}

void StartTimingRun() {
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
    if (!AwaitTickLine())
        return;
    App.StartTime = CounterMicroseconds(App.ArrivalStamp);
    App.LatestTime = App.StartTime;
    App.PreviousTime = App.StartTime;
    ArmPeriodTimer();
    AppendLogLine(ClockText(ClockMask, CurrentDateTime()) + L",  Interval,  Average");
    ScrollToNewest();
    DiscardLineRest();
}

void TickHandler() {
    DisarmWindowTimer(PeriodTimerId);
    if (!AwaitTickLine())
        return;
    App.PreviousTime = App.LatestTime;
    App.LatestTime = CounterMicroseconds(App.ArrivalStamp);
    const double interval = (App.LatestTime - App.PreviousTime) / 1000000.0;
    App.ElapsedSeconds = (App.LatestTime - App.StartTime) / 1000000.0;
    App.TickCount = App.TickCount + 1.0f;
    // Armed before the texts and the log are made, so that their cost does not move the next
    // wake-up.
    ArmPeriodTimer();
    const double average = App.ElapsedSeconds / static_cast<double>(App.TickCount);
    AppendLogLine(ClockText(ClockMask, CurrentDateTime()) + Separator + FixedText(interval, 6) +
                  Separator + FixedText(average, 6));
    ScrollToNewest();
    DiscardLineRest();
}

void StopTimingRun() {
    App.RunActive = 0;
    SendAndCollect(std::wstring(1, L'\x03'), LineDelays(2));
    DisarmWindowTimer(PeriodTimerId);
    Disconnect();
    AppendLogLine(L"Time check stopped.");
    ScrollToNewest();
}
