// The clock: the high-resolution performance counter, pauses and the local date and time. A part
// of the seam to the operating system (platform/platform.h).
#pragma once

#include <cstdint>

// The high-resolution performance counter's current value. Never fails; monotonic.
std::int64_t QueryCounter();

// Counts per second of QueryCounter; fixed for the life of the process, always above 0.
std::int64_t QueryCounterFrequency();

// Blocks the calling thread for the given number of milliseconds (0 or less: returns at once,
// after yielding). The first call in the process raises the system timer resolution to 1 ms,
// and it stays raised until the process ends.
void PauseMilliseconds(int milliseconds);

// The local wall-clock date and time of day, as the OS keeps it (no time-zone arithmetic here).
struct LocalDateTime {
    int year;   // e.g. 2026
    int month;  // 1..12
    int day;    // 1..31
    int hour;   // 0..23
    int minute; // 0..59
    int second; // 0..59 (milliseconds are dropped)
};
LocalDateTime ReadLocalDateTime();
