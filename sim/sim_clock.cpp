// Virtual time: the performance counter and PauseMilliseconds run on a clock that only tests
// (and the simulated waits) move forward.
#include "platform/clock.h"
#include "sim/sim_state.h"

#include <ctime>

namespace {
constexpr std::int64_t NanosecondsPerSecond = 1000000000;
}

std::int64_t SimNowNanoseconds() {
    return Sim().nowNanoseconds;
}

void SimAdvanceNanoseconds(std::int64_t nanoseconds) {
    if (nanoseconds > 0)
        Sim().nowNanoseconds += nanoseconds;
}

void SimSetCounterFrequency(std::int64_t countsPerSecond) {
    Sim().counterFrequency = countsPerSecond > 0 ? countsPerSecond : 1;
}

bool SimTimerResolutionRaised() {
    return Sim().timerResolutionRaised;
}

void SimSetLocalDateTime(const LocalDateTime& now) {
    std::tm fields{};
    fields.tm_year = now.year - 1900;
    fields.tm_mon = now.month - 1;
    fields.tm_mday = now.day;
    fields.tm_hour = now.hour;
    fields.tm_min = now.minute;
    fields.tm_sec = now.second;
    // The wall clock is kept as seconds on a UTC-like line so that it runs on with virtual time.
    Sim().wallClockAtZero =
        static_cast<std::int64_t>(timegm(&fields)) - Sim().nowNanoseconds / NanosecondsPerSecond;
}

std::int64_t QueryCounter() {
    const std::int64_t now = Sim().nowNanoseconds;
    const std::int64_t frequency = Sim().counterFrequency;
    return now / NanosecondsPerSecond * frequency +
           now % NanosecondsPerSecond * frequency / NanosecondsPerSecond;
}

std::int64_t QueryCounterFrequency() {
    return Sim().counterFrequency;
}

void PauseMilliseconds(int milliseconds) {
    Sim().timerResolutionRaised = true;
    if (milliseconds > 0)
        SimAdvanceNanoseconds(static_cast<std::int64_t>(milliseconds) * 1000000);
}

LocalDateTime ReadLocalDateTime() {
    const std::time_t seconds = static_cast<std::time_t>(
        Sim().wallClockAtZero + Sim().nowNanoseconds / NanosecondsPerSecond);
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
            fields.tm_hour,        fields.tm_min,     fields.tm_sec};
}
