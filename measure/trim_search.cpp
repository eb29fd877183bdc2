#include "measure/trim_search.h"

#include <algorithm>
#include <cmath>

namespace {

// A measurement spans at least this many intervals, enough to show the adapter's lateness.
constexpr std::int64_t FewestDecisiveIntervals = 6;
// Bounds, in steps, that decide: landing next to the best value, and telling neighbours apart.
constexpr double JumpBoundSteps = 1.0 / 4.0;
constexpr double NeighbourBoundSteps = 1.0 / 8.0;
// Before a second value is measured the step is only the typical one, which a chip may miss by
// a third: a jump of many steps lands off by more than a bound of this share of the rate adds.
constexpr double AssumedStepShare = 1.0 / 8.0;
constexpr double LongestMeasurementSeconds = 75.0;
// Of two values that straddle zero, one measured this many times more loosely than the other is
// measured again: a longer run can then tell them apart.
constexpr double RemeasureBoundRatio = 2.0;

// Of the values measured, the one whose rate lies nearest zero.
int BestMeasured(const std::vector<MeasuredRun>& runs, int currentTrim) {
    int best = currentTrim;
    double bestRate = INFINITY;
    for (int trim = LowestClockTrim; trim <= HighestClockTrim; ++trim) {
        const RateEstimate* estimate = MeasuredAt(runs, trim);
        if (estimate && std::abs(estimate->ppm) < bestRate) {
            best = trim;
            bestRate = std::abs(estimate->ppm);
        }
    }
    return best;
}

// How far off the step may be, as a share of it: from the bounds at the ends of the values
// measured once two were, as the fit has it. A jump of n steps lands off by n times that.
double StepShareUncertain(const std::vector<MeasuredRun>& runs, const TrimModel& model) {
    if (!model.stepFitted || model.highestTrim == model.lowestTrim)
        return AssumedStepShare;
    const RateEstimate* lowest = MeasuredAt(runs, model.lowestTrim);
    const RateEstimate* highest = MeasuredAt(runs, model.highestTrim);
    if (!lowest || !highest)
        return AssumedStepShare;
    const double share = (lowest->boundPpm + highest->boundPpm) /
                         (static_cast<double>(model.highestTrim - model.lowestTrim) * model.stepPpm);
    return std::min(share, AssumedStepShare);
}

// Whether the estimates show one of two values surely nearer zero than the other.
bool ToldApart(const RateEstimate& one, const RateEstimate& other) {
    return std::abs(std::abs(one.ppm) - std::abs(other.ppm)) > one.boundPpm + other.boundPpm;
}

bool OnOtherSides(const RateEstimate& one, const RateEstimate& other) {
    return (one.ppm > 0.0) != (other.ppm > 0.0);
}

// The latest estimate at a value next to the run's on the other side of zero, or null: the two
// straddle zero, and which is nearer is what the search is for.
const RateEstimate* Straddling(const std::vector<MeasuredRun>& runs, const MeasuredRun& run) {
    for (const int side : {-1, 1}) {
        const RateEstimate* other = MeasuredAt(runs, run.trim + side);
        if (other && OnOtherSides(*other, run.estimate))
            return other;
    }
    return nullptr;
}

// Whether the rate measured at an end of the range asks, by more than half a step, for a value
// past that end: fast needs a lower value, slow a higher one.
bool ZeroBeyondEnd(const RateEstimate& estimate, int trim, double stepPpm) {
    const int towardsPastEnd = trim == LowestClockTrim ? 1 : trim == HighestClockTrim ? -1 : 0;
    return estimate.ppm * towardsPastEnd > stepPpm / 2.0;
}

int RunsAt(const std::vector<MeasuredRun>& runs, int trim) {
    int count = 0;
    for (const MeasuredRun& run : runs)
        count += run.trimKnown && run.trim == trim && run.estimate.known;
    return count;
}

// The value to measure next; false when there is none.
bool NextTrimToMeasure(const std::vector<MeasuredRun>& runs, const TrimModel& model, int& next) {
    const int advised = AdvisedTrim(model);
    if (!MeasuredAt(runs, advised)) {
        next = advised;
        return true;
    }
    // The advised value is measured: its neighbour on the side its rate points to may still
    // keep better time, unless the measurement rules that out.
    const RateEstimate& there = *MeasuredAt(runs, advised);
    const int neighbour = advised + (there.ppm > 0.0 ? -1 : 1);
    const bool neighbourMayBeBetter = std::abs(there.ppm) + there.boundPpm > model.stepPpm / 2.0;
    if (!neighbourMayBeBetter || neighbour < LowestClockTrim || neighbour > HighestClockTrim)
        return false;
    const RateEstimate* beside = MeasuredAt(runs, neighbour);
    if (!beside) {
        next = neighbour;
        return true;
    }
    // The two straddle zero and are not told apart: when one was measured for a shorter time
    // and far more loosely than the other, it is measured again, once, for as long as it takes.
    if (!OnOtherSides(there, *beside) || ToldApart(there, *beside) ||
        RunsAt(runs, advised) + RunsAt(runs, neighbour) > 2)
        return false;
    const bool besideLooser = beside->boundPpm > there.boundPpm;
    const RateEstimate& looser = besideLooser ? *beside : there;
    const RateEstimate& tighter = besideLooser ? there : *beside;
    if (looser.boundPpm < RemeasureBoundRatio * tighter.boundPpm ||
        looser.intervals >= tighter.intervals)
        return false;
    next = besideLooser ? neighbour : advised;
    return true;
}

} // namespace

const RateEstimate* MeasuredAt(const std::vector<MeasuredRun>& runs, int trim) {
    const RateEstimate* found = nullptr;
    for (const MeasuredRun& run : runs)
        if (run.trimKnown && run.trim == trim && run.estimate.known)
            found = &run.estimate;
    return found;
}

bool MeasurementDecisive(const std::vector<MeasuredRun>& runs, double secondsMeasured) {
    if (secondsMeasured >= LongestMeasurementSeconds)
        return true;
    if (runs.empty())
        return false;
    const MeasuredRun& run = runs.back();
    const RateEstimate& here = run.estimate;
    if (!run.trimKnown || !here.known || here.intervals < FewestDecisiveIntervals)
        return false;
    // Beside a value on the other side of zero: once one of the two is surely the nearer.
    if (const RateEstimate* other = Straddling(runs, run))
        return ToldApart(here, *other);
    const TrimModel model = SessionTrimModel(runs);
    const double step = model.stepPpm;
    if (here.boundPpm <= NeighbourBoundSteps * step)
        return true;
    const int advised = AdvisedTrim(model);
    if (advised == run.trim)
        return std::abs(here.ppm) + here.boundPpm <= step / 2.0;
    const RateEstimate* there = MeasuredAt(runs, advised);
    if (!there) {
        // Landing next to the best value, or as near as the step's own uncertainty allows.
        const double enough = std::max(JumpBoundSteps * step,
                                       StepShareUncertain(runs, model) * std::abs(here.ppm));
        return here.boundPpm <= enough;
    }
    return std::abs(here.ppm) - here.boundPpm > std::abs(there->ppm) + there->boundPpm;
}

bool TellsNeighboursApart(const RateEstimate& estimate, const TrimModel& model) {
    return estimate.boundPpm <= model.stepPpm / 2.0;
}

TrimSearchStep NextTrimSearchStep(const std::vector<MeasuredRun>& runs, int measurements,
                                  int currentTrim) {
    const TrimModel model = SessionTrimModel(runs);
    if (!model.known)
        return {TrimSearchNext::GiveUp, currentTrim};
    int next = 0;
    if (measurements < MostTrimSearchMeasurements && NextTrimToMeasure(runs, model, next))
        return {TrimSearchNext::Measure, next};
    const int best = BestMeasured(runs, currentTrim);
    const RateEstimate* there = MeasuredAt(runs, best);
    if (there && ZeroBeyondEnd(*there, best, model.stepPpm))
        return {TrimSearchNext::BeyondReach, best};
    return {TrimSearchNext::Finish, best};
}
