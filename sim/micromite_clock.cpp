// The controller's clock: its rate from the base error, CLOCKTRIM and the wander, and where
// SETTICK's ticks fall on the PC's time line.
#include "sim/micromite_parts.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double NanosecondsPerTick = 1e9; // SETTICK 1000: one second of the controller's clock
constexpr double PerPartsPerMillion = 1e-6;
constexpr double NanosecondsPerSecond = 1e9;
constexpr double TwoPi = 6.283185307179586;
// An absurd error must not stop or reverse the clock: the tick arithmetic divides by the rate.
constexpr double SlowestRate = 1e-3;
// Beyond some thirty years a tick is as good as never, and the sum stays far from overflow.
constexpr double FarFutureNanoseconds = 1e18;
// The wander moves a tick by its count over the tick's own shift, a part in 1e5 at most: each
// step of the fixed-point solution gains five digits, so three leave far below a nanosecond.
constexpr int WanderSteps = 3;

bool Wanders(const MicromiteOptions& options) {
    return options.wanderPpm != 0.0 && options.wanderPeriodSeconds > 0.0;
}

double WanderRadiansPerNanosecond(const MicromiteOptions& options) {
    return TwoPi / (options.wanderPeriodSeconds * NanosecondsPerSecond);
}

// Controller nanoseconds the wander adds between two true times: the integral of the sinusoid,
// in closed form, so that nothing is summed step by step.
double WanderCount(const MicromiteOptions& options, double fromNanoseconds, double toNanoseconds) {
    if (!Wanders(options))
        return 0.0;
    const double omega = WanderRadiansPerNanosecond(options);
    const double phase = options.wanderPhaseRadians;
    return options.wanderPpm * PerPartsPerMillion / omega *
           (std::cos(omega * fromNanoseconds + phase) - std::cos(omega * toNanoseconds + phase));
}

} // namespace

double MicromiteClockRate(const MicromiteModel& model) {
    const double errorPpm = model.options.baseErrorPpm + model.trim * model.options.trimStepPpm;
    return std::max(1.0 + errorPpm * PerPartsPerMillion, SlowestRate);
}

double MicromiteErrorPpmAt(const MicromiteModel& model, std::int64_t atNanoseconds) {
    const MicromiteOptions& options = model.options;
    double ppm = options.baseErrorPpm + model.trim * options.trimStepPpm;
    if (Wanders(options))
        ppm += options.wanderPpm *
               std::sin(WanderRadiansPerNanosecond(options) * static_cast<double>(atNanoseconds) +
                        options.wanderPhaseRadians);
    return ppm;
}

std::int64_t MicromiteTickTime(const MicromiteModel& model, std::int64_t tick) {
    const double rate = MicromiteClockRate(model);
    const double steady =
        model.tickPhaseNanoseconds +
        static_cast<double>(tick - model.tickBaseCount) * NanosecondsPerTick / rate;
    if (steady > FarFutureNanoseconds)
        return MicromiteNever;
    // The tick comes when the steady count and the wander's together reach it.
    const double base = static_cast<double>(model.tickBaseNanoseconds);
    double offset = steady;
    if (Wanders(model.options))
        for (int step = 0; step < WanderSteps; ++step)
            offset = steady - WanderCount(model.options, base, base + offset) / rate;
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
    const double wandered =
        WanderCount(model.options, static_cast<double>(model.tickBaseNanoseconds),
                    static_cast<double>(atNanoseconds));
    model.trim = trim;
    model.options.baseErrorPpm = baseErrorPpm;
    if (model.mode != MicromiteMode::Running)
        return;
    // What is left of the controller's second under way passes at the new rate.
    const double newRate = MicromiteClockRate(model);
    const double remaining =
        ((nextTickOffset - static_cast<double>(atNanoseconds - model.tickBaseNanoseconds)) *
             oldRate -
         wandered) /
        newRate;
    model.tickBaseNanoseconds = atNanoseconds;
    model.tickBaseCount = model.ticks;
    model.tickPhaseNanoseconds = remaining - NanosecondsPerTick / newRate;
}
