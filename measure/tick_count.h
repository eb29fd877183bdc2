// Which tick a line is, by the counter it carries rather than by the order of arrival: the tick
// program counts the controller's seconds and prints the count once per interval, so the step
// between two counters says how many intervals passed, and a lost line costs only that line.
// Which lines are counted at all is measure/tick_fit.h's to say.
//
// Pure arithmetic over its arguments.
#pragma once

#include <cstdint>

struct TickCounting {
    std::int64_t first = 0;  // the counter of the run's first line
    std::int64_t latest = 0; // of the latest tick line
    // The greatest common divisor of the counters' steps since the first line: the interval,
    // unless a line was lost at every step so far.
    std::int64_t stepDivisor = 0;
    // The interval of this session's upload: believed while the counters agree with it. 0: no
    // upload, the counters alone tell the interval.
    std::int64_t expectedInterval = 0;
};

// A run begins at a line with this counter.
TickCounting BeginTickCounting(std::int64_t firstCounter, std::int64_t expectedInterval);

// The controller's interval in seconds as far as the counters show it; 0 before a second line.
std::int64_t CountedInterval(const TickCounting& counting);

// Intervals from the run's first line to a counter.
std::int64_t IntervalsSinceFirst(const TickCounting& counting, std::int64_t counter);

// Takes a tick line's counter (above the latest one); gives the intervals since the one before.
std::int64_t CountTickLine(TickCounting& counting, std::int64_t counter);
