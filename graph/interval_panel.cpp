#include "graph/interval_panel.h"

#include "graph/column_thinning.h"
#include "graph/graph_panel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double LeastSpanSeconds = 60.0;
constexpr double LeastSpanPpm = 0.1;
constexpr int PointSide = 3;
constexpr int HollowSide = 5;

ValueRange TimeRange(const GraphData& data) {
    double from = data.runs.front().startTime;
    double to = data.runs.front().endTime;
    for (const GraphRun& run : data.runs) {
        from = std::min(from, run.startTime);
        to = std::max(to, run.endTime);
    }
    return PaddedRange(from, to, LeastSpanSeconds);
}

// The trusted intervals set the range, so that one far-late stamp does not squash the rest; with
// none, every interval; with no interval, the runs' estimates.
ValueRange PpmRange(const GraphData& data) {
    double low = INFINITY, high = -INFINITY;
    for (bool trustedOnly : {true, false}) {
        for (const GraphInterval& interval : data.intervals) {
            if (trustedOnly && !interval.trusted)
                continue;
            low = std::min(low, interval.ppm);
            high = std::max(high, interval.ppm);
        }
        if (low <= high)
            return PaddedRange(low, high, LeastSpanPpm);
    }
    for (const GraphRun& run : data.runs) {
        if (run.rateKnown) {
            low = std::min(low, run.ppm - run.boundPpm);
            high = std::max(high, run.ppm + run.boundPpm);
        }
    }
    return low <= high ? PaddedRange(low, high, LeastSpanPpm) : ValueRange{-1.0, 1.0};
}

void DrawBands(Drawing picture, const GraphPanel& panel, const GraphData& data,
               const TrimColours& colours) {
    for (const GraphRun& run : data.runs) {
        if (!run.rateKnown)
            continue;
        const DrawPoint fastest = PanelPoint(panel, run.startTime, run.ppm + run.boundPpm);
        const DrawPoint slowest = PanelPoint(panel, run.endTime, run.ppm - run.boundPpm);
        const DrawColour colour = RunColour(colours, run);
        DrawFilledRect(picture, {fastest.x, fastest.y, slowest.x + 1, slowest.y + 1},
                       Lighter(colour));
        SetDrawPen(picture, colour, 1, false);
        DrawLine(picture, PanelPoint(panel, run.startTime, run.ppm),
                 PanelPoint(panel, run.endTime, run.ppm));
    }
}

// Many intervals share a pixel column: each column shows the highest and the lowest of each
// colour and shape, which is all that the screen could show of them.
void DrawIntervals(Drawing picture, const GraphPanel& panel, const GraphData& data,
                   const TrimColours& colours) {
    std::vector<ColumnPoint> columns;
    columns.reserve(data.intervals.size());
    for (const GraphInterval& interval : data.intervals) {
        const int colour = RunColourIndex(colours, data.runs[interval.run]);
        columns.push_back({static_cast<int>(std::floor(PixelOf(panel.x, interval.time))),
                           colour * 2 + (interval.trusted ? 0 : 1), interval.ppm});
    }
    // The filled markers go in one call per colour; the hollow ones are few.
    std::vector<std::vector<DrawRect>> filled(colours.trims.size() + 1);
    int penFor = -1; // the series the pen is set for
    for (std::size_t index : ThinToColumns(columns)) {
        const GraphInterval& interval = data.intervals[index];
        const GraphRun& run = data.runs[interval.run];
        const DrawPoint at = PanelPoint(panel, interval.time, interval.ppm);
        if (interval.trusted) {
            filled[RunColourIndex(colours, run)].push_back(
                {at.x - PointSide / 2, at.y - PointSide / 2, at.x + PointSide / 2 + 1,
                 at.y + PointSide / 2 + 1});
            continue;
        }
        if (penFor != columns[index].series) {
            SetDrawPen(picture, RunColour(colours, run), 1, false);
            penFor = columns[index].series;
        }
        DrawOutlinedRect(picture, {at.x - HollowSide / 2, at.y - HollowSide / 2,
                                   at.x + HollowSide / 2 + 1, at.y + HollowSide / 2 + 1});
    }
    for (const GraphRun& run : data.runs) {
        std::vector<DrawRect>& markers = filled[RunColourIndex(colours, run)];
        DrawFilledRects(picture, markers.data(), markers.size(), RunColour(colours, run));
        markers.clear();
    }
}

} // namespace

void DrawIntervalPanel(Drawing picture, const DrawRect& area, int titleRight,
                       const GraphData& data, const TrimColours& colours) {
    const GraphPanel panel = PanelOver(area, TimeRange(data), PpmRange(data));
    DrawPanelFrame(picture, panel, L"Each interval, ppm fast, over the run's estimate", titleRight,
                   TimeTicks(panel.x.low, panel.x.high, TimeTickRoom(panel)),
                   ValueTicks(panel.y.low, panel.y.high, VerticalTickRoom(panel)));
    ClipDrawing(picture, {area.left + 1, area.top + 1, area.right - 1, area.bottom - 1});
    DrawBands(picture, panel, data, colours);
    DrawIntervals(picture, panel, data, colours);
    UnclipDrawing(picture);
}
