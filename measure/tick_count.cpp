#include "measure/tick_count.h"

#include <numeric>

TickCounting BeginTickCounting(std::int64_t firstCounter, std::int64_t expectedInterval) {
    TickCounting counting;
    counting.first = firstCounter;
    counting.latest = firstCounter;
    counting.expectedInterval = expectedInterval > 0 ? expectedInterval : 0;
    return counting;
}

std::int64_t CountedInterval(const TickCounting& counting) {
    if (counting.stepDivisor == 0)
        return counting.expectedInterval;
    if (counting.expectedInterval > 0 && counting.stepDivisor % counting.expectedInterval == 0)
        return counting.expectedInterval;
    return counting.stepDivisor;
}

std::int64_t IntervalsSinceFirst(const TickCounting& counting, std::int64_t counter) {
    const std::int64_t interval = CountedInterval(counting);
    const std::int64_t seconds = counter - counting.first;
    return interval > 0 ? seconds / interval : 0;
}

std::int64_t CountTickLine(TickCounting& counting, std::int64_t counter) {
    const std::int64_t previous = counting.latest;
    counting.stepDivisor = std::gcd(counting.stepDivisor, counter - counting.first);
    counting.latest = counter;
    // The interval may have just been learned or corrected; it divides every step so far.
    return (counter - previous) / CountedInterval(counting);
}
