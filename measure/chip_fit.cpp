#include "measure/chip_fit.h"

#include <cmath>
#include <cstdlib>

namespace {

bool Rated(const MeasuredRun& run) {
    return run.trimKnown && run.estimate.known;
}

// The two rates within their bounds and the wander: the same value gives the same rate, two
// values a step per CLOCKTRIM between them within the chips' range.
bool RatesAgree(const MeasuredRun& earlier, const MeasuredRun& later) {
    const double slack = earlier.estimate.boundPpm + later.estimate.boundPpm + ChipWanderPpm;
    const double apart = later.estimate.ppm - earlier.estimate.ppm;
    const int steps = later.trim - earlier.trim;
    if (steps == 0)
        return std::abs(apart) <= slack;
    const double perStep = apart / steps;
    const double stepSlack = slack / std::abs(steps);
    return perStep >= LeastChipStepPpm - stepSlack && perStep <= GreatestChipStepPpm + stepSlack;
}

} // namespace

bool RateFitsChip(const std::vector<MeasuredRun>& earlierRuns, const MeasuredRun& run) {
    if (!Rated(run))
        return true;
    for (const MeasuredRun& earlier : earlierRuns)
        if (Rated(earlier) && !RatesAgree(earlier, run))
            return false;
    return true;
}
