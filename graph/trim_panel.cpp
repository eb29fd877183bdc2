#include "graph/trim_panel.h"

#include "graph/graph_panel.h"
#include "text/number_text.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double LeastSpanPpm = 0.1;
constexpr int CapHalfWidth = 4;
constexpr int PointSide = 5;
constexpr int LabelInset = 3;

// Only the runs of the chip the model describes: another chip's rates are no points of its line.
bool Measured(const GraphRun& run) {
    return run.trimKnown && run.rateKnown && run.ofShownChip;
}

ValueRange TrimRange(const GraphData& data) {
    int low = 0, high = 0;
    bool any = false;
    const auto take = [&](int trim) {
        low = any ? std::min(low, trim) : trim;
        high = any ? std::max(high, trim) : trim;
        any = true;
    };
    for (const GraphRun& run : data.runs)
        if (Measured(run))
            take(run.trim);
    if (data.model.known)
        take(AdvisedTrim(data.model));
    return {low - 1.0, high + 1.0};
}

// Every bar and zero: the advice lies where the line crosses it.
ValueRange RateRange(const GraphData& data) {
    double low = 0.0, high = 0.0;
    for (const GraphRun& run : data.runs) {
        if (Measured(run)) {
            low = std::min(low, run.ppm - run.boundPpm);
            high = std::max(high, run.ppm + run.boundPpm);
        }
    }
    return PaddedRange(low, high, LeastSpanPpm);
}

void DrawModel(Drawing picture, const GraphPanel& panel, const TrimModel& model) {
    if (!model.known)
        return;
    const auto rate = [&](double trim) { return model.basePpm + model.stepPpm * trim; };
    SetDrawPen(picture, GraphModelColour, 1, !model.stepFitted);
    DrawLine(picture, PanelPoint(panel, panel.x.low, rate(panel.x.low)),
             PanelPoint(panel, panel.x.high, rate(panel.x.high)));
    const int advised = AdvisedTrim(model);
    const int x = PanelPoint(panel, advised, 0.0).x;
    SetDrawPen(picture, GraphInk, 1, true);
    DrawLine(picture, {x, panel.area.top}, {x, panel.area.bottom - 1});
    // Beside the line, on its left where the panel ends on its right.
    const std::wstring label = L"Advice " + IntegerText(advised);
    const bool roomRight = x + LabelInset + DrawTextWidth(picture, label, GraphTextHeight) <
                           panel.area.right - LabelInset;
    DrawTextAt(picture, roomRight ? x + LabelInset : x - LabelInset,
               panel.area.top + LabelInset, roomRight ? TextAnchor::Left : TextAnchor::Right,
               label, GraphTextHeight, GraphInk);
}

void DrawRates(Drawing picture, const GraphPanel& panel, const GraphData& data,
               const TrimColours& colours) {
    for (const GraphRun& run : data.runs) {
        if (!Measured(run))
            continue;
        const DrawColour colour = RunColour(colours, run);
        const DrawPoint top = PanelPoint(panel, run.trim, run.ppm + run.boundPpm);
        const DrawPoint bottom = PanelPoint(panel, run.trim, run.ppm - run.boundPpm);
        const DrawPoint at = PanelPoint(panel, run.trim, run.ppm);
        SetDrawPen(picture, colour, 1, false);
        DrawLine(picture, top, bottom);
        DrawLine(picture, {top.x - CapHalfWidth, top.y}, {top.x + CapHalfWidth, top.y});
        DrawLine(picture, {bottom.x - CapHalfWidth, bottom.y},
                 {bottom.x + CapHalfWidth, bottom.y});
        DrawFilledRect(picture,
                       {at.x - PointSide / 2, at.y - PointSide / 2, at.x + PointSide / 2 + 1,
                        at.y + PointSide / 2 + 1},
                       colour);
    }
}

} // namespace

void DrawTrimPanel(Drawing picture, const DrawRect& area, const GraphData& data,
                   const TrimColours& colours) {
    const GraphPanel panel = PanelOver(area, TrimRange(data), RateRange(data));
    // Whole CLOCKTRIM values only.
    const int values = static_cast<int>(panel.x.high - panel.x.low) + 1;
    const std::wstring chip = data.chip > 1 ? L" of chip " + IntegerText(data.chip) : L"";
    DrawPanelFrame(picture, panel, L"Rate at each CLOCKTRIM" + chip + L", ppm fast, and the step line",
                   area.right,
                   ValueTicks(panel.x.low, panel.x.high,
                              std::min(HorizontalValueTickRoom(panel), values)),
                   ValueTicks(panel.y.low, panel.y.high, VerticalTickRoom(panel)));
    ClipDrawing(picture, {area.left + 1, area.top + 1, area.right - 1, area.bottom - 1});
    DrawModel(picture, panel, data.model);
    DrawRates(picture, panel, data, colours);
    UnclipDrawing(picture);
}
