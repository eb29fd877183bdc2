#include "measure/session_runs.h"

#include <algorithm>

namespace {

// The lower median, so that one bad run cannot raise it while others disagree.
double LowerMedian(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 2];
}

} // namespace

TrimModel SessionTrimModel(const std::vector<MeasuredRun>& runs) {
    std::vector<TrimMeasurement> measurements;
    for (const MeasuredRun& run : runs)
        if (run.trimKnown && run.estimate.known)
            measurements.push_back({run.trim, run.estimate.ppm, run.estimate.boundPpm});
    return FitTrimModel(measurements);
}

std::vector<MeasuredRun> ChipRuns(const std::vector<MeasuredRun>& runs, int chip) {
    std::vector<MeasuredRun> chipRuns;
    for (const MeasuredRun& run : runs)
        if (run.chip == chip)
            chipRuns.push_back(run);
    return chipRuns;
}

void LearnLinkFromRun(MeasurementSession& session, const RateEstimate& estimate) {
    if (!estimate.known || estimate.stampsUsed < 2 * MinimumTrustedStamps ||
        estimate.stampGridSeconds >= CoarsestAdapterGridSeconds)
        return;
    session.adapterGridAtMostSeconds = std::min(
        session.adapterGridAtMostSeconds, std::max(estimate.stampGridSeconds, UsbFrameSeconds));
    session.runLatenessSeconds.push_back(estimate.typicalLatenessSeconds);
    session.linkLatenessSeconds = LowerMedian(session.runLatenessSeconds);
}

void ForgetLink(MeasurementSession& session) {
    session.runLatenessSeconds.clear();
    session.linkLatenessSeconds = 0.0;
    session.adapterGridAtMostSeconds = CoarsestAdapterGridSeconds;
}

double KnownLinkLatenessSeconds(const MeasurementSession& session) {
    return std::max(session.linkLatenessSeconds, UsbFrameSeconds);
}
