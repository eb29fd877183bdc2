#include "measure/session_runs.h"

TrimModel SessionTrimModel(const std::vector<MeasuredRun>& runs) {
    std::vector<TrimMeasurement> measurements;
    for (const MeasuredRun& run : runs)
        if (run.trimKnown && run.estimate.known)
            measurements.push_back({run.trim, run.estimate.ppm, run.estimate.boundPpm});
    return FitTrimModel(measurements);
}
