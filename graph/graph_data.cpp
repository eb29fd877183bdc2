#include "graph/graph_data.h"

#include <algorithm>

namespace {

// Whether the run's latest estimate takes the stamp: trusted, and not set aside as far late.
bool InEstimate(const MeasuredRun& run, const TickStamp& stamp) {
    const std::vector<std::int64_t>& setAside = run.estimate.ticksSetAside;
    return stamp.trusted && !std::binary_search(setAside.begin(), setAside.end(), stamp.tick);
}

} // namespace

GraphData SessionGraphData(const std::vector<MeasuredRun>& runs) {
    GraphData data;
    data.chip = runs.empty() ? 1 : runs.back().chip;
    data.model = SessionTrimModel(ChipRuns(runs, data.chip));
    std::size_t stamps = 0;
    for (const MeasuredRun& run : runs)
        stamps += run.stamps.size();
    data.intervals.reserve(stamps);
    for (const MeasuredRun& run : runs) {
        if (run.stamps.empty())
            continue;
        const int index = static_cast<int>(data.runs.size());
        // The run's lines keep their places by their stamps, counted from the wall-clock second
        // its first line showed.
        const double start = run.startedAt == NoDate ? 0.0 : run.startedAt;
        const double origin = run.stamps.front().seconds;
        GraphRun shown;
        shown.trimKnown = run.trimKnown;
        shown.trim = run.trim;
        shown.startTime = start;
        shown.endTime = start + (run.stamps.back().seconds - origin);
        shown.rateKnown = run.estimate.known;
        shown.ppm = run.estimate.ppm;
        shown.boundPpm = run.estimate.boundPpm;
        shown.ofShownChip = run.chip == data.chip;
        data.runs.push_back(shown);
        for (std::size_t i = 1; i < run.stamps.size(); ++i) {
            const TickStamp& from = run.stamps[i - 1];
            const TickStamp& to = run.stamps[i];
            const double elapsed = to.seconds - from.seconds;
            const double ticks = static_cast<double>(to.tick - from.tick);
            if (!(elapsed > 0.0) || !(ticks > 0.0) || !(run.intervalSeconds > 0.0))
                continue;
            // A fast clock prints early: its intervals read short on the PC.
            const double ppm = (ticks * run.intervalSeconds / elapsed - 1.0) * 1e6;
            data.intervals.push_back({start + (to.seconds - origin), ppm, index,
                                      InEstimate(run, from) && InEstimate(run, to)});
        }
    }
    return data;
}
