#include "measure/trim_search.h"

#include <cmath>

namespace {

// A measurement ends once it spans enough intervals to show the adapter's lateness and its bound
// is this fraction of a step, or after this long.
constexpr std::int64_t FewestDecisiveIntervals = 6;
constexpr double DecisiveBoundSteps = 1.0 / 4.0;
// Once the step is fitted, the values left to tell apart are neighbours, whose rates differ by
// a step: their measurements need half the bound.
constexpr double DecisiveBoundStepsBetweenNeighbours = 1.0 / 8.0;
constexpr double LongestMeasurementSeconds = 75.0;

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
    if (neighbourMayBeBetter && neighbour >= LowestClockTrim && neighbour <= HighestClockTrim &&
        !MeasuredAt(runs, neighbour)) {
        next = neighbour;
        return true;
    }
    return false;
}

} // namespace

const RateEstimate* MeasuredAt(const std::vector<MeasuredRun>& runs, int trim) {
    const RateEstimate* found = nullptr;
    for (const MeasuredRun& run : runs)
        if (run.trimKnown && run.trim == trim && run.estimate.known)
            found = &run.estimate;
    return found;
}

bool MeasurementDecisive(const RateEstimate& estimate, const TrimModel& model,
                         double secondsMeasured) {
    const double boundSteps =
        model.stepFitted ? DecisiveBoundStepsBetweenNeighbours : DecisiveBoundSteps;
    const bool decisive = estimate.known && estimate.intervals >= FewestDecisiveIntervals &&
                          estimate.boundPpm <= boundSteps * model.stepPpm;
    return decisive || secondsMeasured >= LongestMeasurementSeconds;
}

TrimSearchStep NextTrimSearchStep(const std::vector<MeasuredRun>& runs, int uploads,
                                  int currentTrim) {
    const TrimModel model = SessionTrimModel(runs);
    if (!model.known)
        return {TrimSearchNext::GiveUp, currentTrim};
    int next = 0;
    if (uploads < MostTrimSearchUploads && NextTrimToMeasure(runs, model, next))
        return {TrimSearchNext::Measure, next};
    return {TrimSearchNext::Finish, BestMeasured(runs, currentTrim)};
}
