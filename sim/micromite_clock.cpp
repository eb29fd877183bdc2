// The controller's clock: its rate from the base error and CLOCKTRIM, and where SETTICK's ticks
// fall on the PC's time line.
#include "sim/micromite_parts.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double NanosecondsPerTick = 1e9; // SETTICK 1000: one second of the controller's clock
constexpr double PerPartsPerMillion = 1e-6;
// An absurd error must not stop or reverse the clock: the tick arithmetic divides by the rate.
constexpr double SlowestRate = 1e-3;
// Beyond some thirty years a tick is as good as never, and the sum stays far from overflow.
constexpr double FarFutureNanoseconds = 1e18;

} // namespace

double MicromiteClockRate(const MicromiteModel& model) {
    const double errorPpm = model.options.baseErrorPpm + model.trim * model.options.trimStepPpm;
    return std::max(1.0 + errorPpm * PerPartsPerMillion, SlowestRate);
}

std::int64_t MicromiteTickTime(const MicromiteModel& model, std::int64_t tick) {
    const double offset =
        model.tickPhaseNanoseconds + static_cast<double>(tick - model.tickBaseCount) *
                                         NanosecondsPerTick / MicromiteClockRate(model);
    if (offset > FarFutureNanoseconds)
        return MicromiteNever;
    return model.tickBaseNanoseconds + std::llround(offset);
}

void MicromiteStartTicks(MicromiteModel& model, std::int64_t atNanoseconds) {
    model.ticks = 0;
    model.tickBaseNanoseconds = atNanoseconds;
    model.tickBaseCount = 0;
    model.tickPhaseNanoseconds = 0.0;
}

void MicromiteSetClock(MicromiteModel& model, std::int64_t atNanoseconds, int trim,
                       double baseErrorPpm) {
    const double oldRate = MicromiteClockRate(model);
    const double nextTickOffset =
        model.tickPhaseNanoseconds +
        static_cast<double>(model.ticks + 1 - model.tickBaseCount) * NanosecondsPerTick / oldRate;
    model.trim = trim;
    model.options.baseErrorPpm = baseErrorPpm;
    if (model.mode != MicromiteMode::Running)
        return;
    // What is left of the controller's second under way passes at the new rate.
    const double newRate = MicromiteClockRate(model);
    const double remaining =
        (nextTickOffset - static_cast<double>(atNanoseconds - model.tickBaseNanoseconds)) *
        oldRate / newRate;
    model.tickBaseNanoseconds = atNanoseconds;
    model.tickBaseCount = model.ticks;
    model.tickPhaseNanoseconds = remaining - NanosecondsPerTick / newRate;
}
