#include "calibration/tick_wait.h"

#include "calibration/running_interval.h"
#include "calibration/stray_lines.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "serial/command_exchange.h"
#include "serial/serial_port.h"
#include "state/app_state.h"
#include "text/number_text.h"
#include "window/control_ids.h"
#include "window/events.h"
#include "window/main_controls.h"

#include <algorithm>

namespace {

// Beyond the window timer's longest period (about 24.8 days) no tick is ever awaited anyway.
constexpr std::int64_t LongestIntervalSeconds = 25 * 24 * 3600;
constexpr std::int64_t FirstLineSeconds = 2;
constexpr std::int64_t WakeLeadMilliseconds = 300;
constexpr std::int64_t OverdueMarginMilliseconds = 1000;
// A line or two lost on the way must not end a run: the counters tell what was lost.
constexpr std::int64_t LostLinesBridged = 3;
// A drain that takes longer leaves the next read unable to tell when what it finds came: its
// stamp then only bounds the arrival from above.
constexpr double LongestExactDrainMicroseconds = 100000.0;

std::int64_t ClampedInterval(std::int64_t seconds) {
    return std::clamp<std::int64_t>(seconds, 0, LongestIntervalSeconds);
}

// 5 % of the interval, whole seconds rounded up.
std::int64_t ClockSlackSeconds(std::int64_t interval) {
    return (interval + 19) / 20;
}

// One pending event, taken as a drain takes it; Stop and the close request end the wait, which
// then acts on them itself.
bool EndedByUser(TickWait& outcome) {
    const int event = DrainOneEvent();
    if (CurrentEventWindow() != MainWindowNumber)
        return false;
    if (event == EventControl && CurrentEventObject() == StopButtonId)
        outcome = TickWait::Stopped;
    else if (event == EventClose)
        outcome = TickWait::Closing;
    else
        return false;
    TakeKeptEvent(event, CurrentEventObject());
    return true;
}

// Takes the complete lines read so far: the newest tick line among them, if any, with the
// number of older ones; every other line is noted as stray.
bool TakeTickLine(TickLineFound& found) {
    bool haveTick = false;
    ReceivedLine line;
    while (TakeReceivedLine(App.TickLines, line)) {
        if (!line.isTick) {
            NoteStrayLine(line.text);
            continue;
        }
        if (haveTick)
            ++found.olderTickLines;
        found.line = line;
        haveTick = true;
    }
    return haveTick;
}

} // namespace

std::int64_t TickWaitBoundSeconds() {
    const std::int64_t uploaded =
        App.UploadedInterval > 0 ? App.UploadedInterval : LongestOfferedInterval();
    const std::int64_t interval =
        ClampedInterval(std::max(ParseInteger(App.TimeInterval), uploaded));
    const std::int64_t span = (1 + LostLinesBridged) * interval;
    return span + ClockSlackSeconds(span) + FirstLineSeconds;
}

std::int64_t TickWaitOverdueMilliseconds() {
    const std::int64_t running = ClampedInterval(RunningIntervalSeconds());
    return WakeLeadMilliseconds + ClockSlackSeconds(running) * 1000 + OverdueMarginMilliseconds;
}

TickWait WaitForTickLine(std::int64_t boundSeconds, std::int64_t overdueMilliseconds,
                         TickLineFound& found) {
    const double boundMicroseconds = static_cast<double>(boundSeconds) * 1e6;
    const double overdueMicroseconds = static_cast<double>(overdueMilliseconds) * 1e3;
    const std::int64_t begin = QueryCounter();
    found = TickLineFound{};
    // The first look cannot tell when what it finds arrived.
    bool lookedJustBefore = false;
    for (;;) {
        if (TakeTickLine(found))
            return TickWait::LineArrived;
        bool tookAll = false;
        const std::string bytes = ReadAvailableBytes(tookAll);
        if (!bytes.empty()) {
            FeedTickLineReader(App.TickLines, bytes, {App.ArrivalStamp, lookedJustBefore});
            lookedJustBefore = tookAll;
            continue;
        }
        lookedJustBefore = true;
        if (!IsPortOpen(LinkPortSlot))
            return TickWait::LinkClosed;
        if (PortLost(LinkPortSlot))
            return TickWait::PortGone;
        const double waited =
            static_cast<double>(QueryCounter() - begin) * App.MicrosecondsPerCount;
        if (waited >= boundMicroseconds)
            return TickWait::TimedOut;
        if (waited < overdueMicroseconds)
            continue;
        const std::int64_t drainBegin = QueryCounter();
        TickWait byUser = TickWait::LineArrived;
        if (EndedByUser(byUser))
            return byUser;
        // A message the drain handled may have held the thread (a window moved in a modal
        // loop): what the next read finds may have come long before it.
        const double drained =
            static_cast<double>(QueryCounter() - drainBegin) * App.MicrosecondsPerCount;
        if (drained > LongestExactDrainMicroseconds)
            lookedJustBefore = false;
    }
}

std::wstring NoTickLineText(TickWait outcome, std::int64_t boundSeconds) {
    const std::wstring text = L"No tick line came from the Micromite";
    switch (outcome) {
    case TickWait::LinkClosed:
        return text + L": the link is closed.";
    case TickWait::PortGone:
        return text + L": its port no longer answers.";
    case TickWait::Stopped:
        return text + L" before Stop was pressed.";
    case TickWait::Closing:
        return text + L" before the window was closed.";
    default:
        return text + L" within " + IntegerText(boundSeconds) + L" s.";
    }
}
