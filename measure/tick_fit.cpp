#include "measure/tick_fit.h"

#include <limits>

namespace {

// A clock trimmed far off runs a few % fast or slow: as much as the tick wait allows for.
constexpr double ClockOffFraction = 0.05;
// How far an exact stamp may trail the controller's tick: the adapter's latency timer (up to
// 16 ms), the line's first bytes on the wire, the interpreter, and a poll the PC's scheduler
// held up.
constexpr double StampTrailsTickSeconds = 0.25;
constexpr double Unbounded = std::numeric_limits<double>::infinity();

// The earliest moment the controller may have printed a line so stamped; a late stamp bounds it
// only from above (by the stamp itself).
double EarliestTick(const TickSighting& line) {
    return line.exact ? line.seconds - StampTrailsTickSeconds : -Unbounded;
}

} // namespace

bool CounterFitsInterval(std::int64_t counter, std::int64_t interval) {
    // At 1 s the program prints nothing (n MOD 1 is never 1), so no interval below 2 tells.
    return interval < 2 || counter % interval == 1;
}

bool TickLineFollows(const TickSighting& before, const TickSighting& line, std::int64_t interval) {
    if (line.counter <= before.counter)
        return false;
    const std::int64_t step = line.counter - before.counter;
    if (interval >= 2 && step % interval != 0)
        return false;
    const double shortest = EarliestTick(line) - before.seconds;
    const double longest = line.seconds - EarliestTick(before);
    const double seconds = static_cast<double>(step);
    return seconds >= shortest * (1.0 - ClockOffFraction) &&
           seconds <= longest * (1.0 + ClockOffFraction);
}

TickLineVerdict JudgeTickLine(const TickSighting& latest, const TickSighting* held,
                              const TickSighting& line, std::int64_t interval) {
    if (TickLineFollows(latest, line, interval))
        return TickLineVerdict::Counted;
    if (held)
        return TickLineFollows(*held, line, interval) ? TickLineVerdict::Restart
                                                      : TickLineVerdict::SetAside;
    if (line.counter <= latest.counter && CounterFitsInterval(line.counter, interval))
        return TickLineVerdict::Held;
    return TickLineVerdict::SetAside;
}
