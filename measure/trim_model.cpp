#include "measure/trim_model.h"

#include <algorithm>
#include <cmath>

namespace {

// A measurement's weight: the inverse square of its bound, never from a bound below this.
constexpr double SmallestBoundPpm = 0.5;

double WeightOf(const TrimMeasurement& m) {
    const double bound = std::max(m.boundPpm, SmallestBoundPpm);
    return 1.0 / (bound * bound);
}

} // namespace

TrimModel FitTrimModel(const std::vector<TrimMeasurement>& measurements) {
    TrimModel model;
    if (measurements.empty())
        return model;
    model.known = true;
    model.lowestTrim = model.highestTrim = measurements.front().trim;
    double weights = 0.0, meanTrim = 0.0, meanPpm = 0.0;
    for (const TrimMeasurement& m : measurements) {
        model.lowestTrim = std::min(model.lowestTrim, m.trim);
        model.highestTrim = std::max(model.highestTrim, m.trim);
        weights += WeightOf(m);
        meanTrim += WeightOf(m) * m.trim;
        meanPpm += WeightOf(m) * m.ppm;
    }
    meanTrim /= weights;
    meanPpm /= weights;
    std::vector<int> trims;
    for (const TrimMeasurement& m : measurements)
        if (std::find(trims.begin(), trims.end(), m.trim) == trims.end())
            trims.push_back(m.trim);
    model.trimsMeasured = static_cast<int>(trims.size());

    if (model.trimsMeasured >= 2) {
        double covariance = 0.0, variance = 0.0;
        for (const TrimMeasurement& m : measurements) {
            covariance += WeightOf(m) * (m.trim - meanTrim) * (m.ppm - meanPpm);
            variance += WeightOf(m) * (m.trim - meanTrim) * (m.trim - meanTrim);
        }
        const double step = covariance / variance;
        if (std::isfinite(step) && step > 0.0) {
            model.stepFitted = true;
            model.stepPpm = step;
        }
    }
    model.basePpm = meanPpm - model.stepPpm * meanTrim;
    return model;
}

double ModelRatePpm(const TrimModel& model, int trim) {
    return model.basePpm + model.stepPpm * trim;
}

int AdvisedTrim(const TrimModel& model) {
    const double best = -model.basePpm / model.stepPpm;
    if (!std::isfinite(best))
        return 0;
    return static_cast<int>(std::clamp(std::llround(best), static_cast<long long>(LowestClockTrim),
                                       static_cast<long long>(HighestClockTrim)));
}
