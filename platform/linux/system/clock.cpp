// The monotonic clock, pauses and the local time of day on Linux.
#include "platform/clock.h"

#include <cerrno>
#include <ctime>
#include <sched.h>

namespace {

constexpr std::int64_t NanosecondsPerSecond = 1000000000;

} // namespace

std::int64_t QueryCounter() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * NanosecondsPerSecond + now.tv_nsec;
}

std::int64_t QueryCounterFrequency() {
    return NanosecondsPerSecond;
}

void PauseMilliseconds(int milliseconds) {
    // Linux timers are already fine-grained: there is no resolution to raise.
    if (milliseconds <= 0) {
        sched_yield();
        return;
    }
    timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    // A signal ends the sleep early; the rest is slept.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

LocalDateTime ReadLocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec < 60 ? local.tm_sec : 59};
}
