// Whether a tick line's counter can be the controller's, or line noise changed it: the tick
// program prints its count of seconds n when n MOD interval = 1, so each counter is one past a
// whole number of intervals, and the step from the last good line is the controller's seconds
// since it, which the PC's own clock measured too. A counter that fits neither is set aside; a
// count that goes back is held until the next line tells a restart from a garbled count.
//
// Pure arithmetic over its arguments.
#pragma once

#include <cstdint>

// A tick line as the rule sees it: its counter and the stamp of its counter's first byte.
struct TickSighting {
    std::int64_t counter = 0;
    double seconds = 0.0; // the stamp on the PC's clock
    // The stamp is the arrival within a poll; otherwise the line was waiting before the program
    // looked, and the stamp only bounds its arrival from above.
    bool exact = false;
};

// The tick program at this interval (0: not known) may print this counter.
bool CounterFitsInterval(std::int64_t counter, std::int64_t interval);

// The counters' step from before to line is a span of the controller's seconds that the PC's
// clock allows between the two stamps, and a whole number of intervals when the interval is known.
bool TickLineFollows(const TickSighting& before, const TickSighting& line, std::int64_t interval);

enum class TickLineVerdict {
    Counted,  // follows the latest good line; a held line was garbled
    SetAside, // follows neither the latest good line nor a held one: garbled
    Held,     // the count went back: the next line tells a restart from a garbled count
    Restart,  // follows the held line: the controller started over
};

// What a tick line is, after the latest good line and the line held, if any (null: none).
TickLineVerdict JudgeTickLine(const TickSighting& latest, const TickSighting* held,
                              const TickSighting& line, std::int64_t interval);
