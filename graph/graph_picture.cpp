#include "graph/graph_picture.h"

#include "graph/graph_style.h"
#include "graph/interval_panel.h"
#include "graph/trim_panel.h"
#include "text/number_text.h"

#include <algorithm>

const wchar_t* const NoMeasurementsYet =
    L"No measurements yet: each interval of a timing run shows here as it is logged.";

namespace {

// Room for the labels left of and below each panel, and for each panel's title above it.
constexpr int LeftMargin = 58;
constexpr int RightMargin = 12;
constexpr int TitleRoom = 22;
constexpr int LabelRoom = 20;
constexpr int UpperPanelPercent = 60;
constexpr int LegendSwatch = 8;
constexpr int LegendGap = 10;

// The legend, right-aligned in the upper panel's title row: "CLOCKTRIM" and each value's colour,
// and the hollow shape of the intervals the estimate leaves out. Gives where it begins.
int DrawLegend(Drawing picture, int right, int top, const GraphData& data,
               const TrimColours& colours) {
    struct Entry {
        std::wstring text;
        DrawColour colour;
        bool hollow;
    };
    std::vector<Entry> entries;
    for (int trim : colours.trims) {
        GraphRun run;
        run.trimKnown = true;
        run.trim = trim;
        entries.push_back({IntegerText(trim), RunColour(colours, run), false});
    }
    if (colours.unknownTrim)
        entries.push_back({L"unknown", GraphUnknownTrimColour, false});
    if (std::any_of(data.intervals.begin(), data.intervals.end(),
                    [](const GraphInterval& interval) { return !interval.trusted; }))
        entries.push_back({L"left out", GraphInk, true});
    const int swatchTop = top + (GraphTextHeight - LegendSwatch) / 2 + 1;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        DrawTextAt(picture, right, top, TextAnchor::Right, entry->text, GraphTextHeight,
                   GraphInk);
        right -= DrawTextWidth(picture, entry->text, GraphTextHeight) + 3;
        const DrawRect swatch{right - LegendSwatch, swatchTop, right, swatchTop + LegendSwatch};
        if (entry->hollow) {
            SetDrawPen(picture, entry->colour, 1, false);
            DrawOutlinedRect(picture, swatch);
        } else {
            DrawFilledRect(picture, swatch, entry->colour);
        }
        right -= LegendSwatch + LegendGap;
    }
    DrawTextAt(picture, right + LegendGap - 4, top, TextAnchor::Right, L"CLOCKTRIM",
               GraphTextHeight, GraphInk);
    return right + LegendGap - 4 - DrawTextWidth(picture, L"CLOCKTRIM", GraphTextHeight);
}

} // namespace

void DrawGraph(Drawing picture, int width, int height, const GraphData& data) {
    DrawFilledRect(picture, {0, 0, width, height}, GraphPaper);
    if (data.runs.empty()) {
        DrawTextAt(picture, width / 2, height / 2 - GraphTextHeight / 2, TextAnchor::Centre,
                   NoMeasurementsYet, GraphTextHeight, GraphInk);
        return;
    }
    const TrimColours colours = ColoursOfRuns(data);
    const int panels = std::max(height - 2 * TitleRoom - 2 * LabelRoom, 2);
    const int upperHeight = panels * UpperPanelPercent / 100;
    const int right = std::max(width - RightMargin, LeftMargin + 1);
    const DrawRect upper{LeftMargin, TitleRoom, right, TitleRoom + std::max(upperHeight, 1)};
    const int lowerTop = upper.bottom + LabelRoom + TitleRoom;
    const DrawRect lower{LeftMargin, lowerTop, right,
                         std::max(height - LabelRoom, lowerTop + 1)};
    const int legendLeft = DrawLegend(picture, right, upper.top - GraphTextHeight - 6, data,
                                      colours);
    DrawIntervalPanel(picture, upper, legendLeft - LegendGap, data, colours);
    DrawTrimPanel(picture, lower, data, colours);
}
