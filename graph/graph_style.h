// The graph's look: its colours, text size and the colour of each run's CLOCKTRIM.
#pragma once

#include "graph/graph_data.h"
#include "platform/drawing.h"

#include <string>
#include <vector>

constexpr int GraphTextHeight = 12;

constexpr DrawColour GraphPaper{255, 255, 255};
constexpr DrawColour GraphInk{0, 0, 0};
constexpr DrawColour GraphGridColour{228, 228, 228};
constexpr DrawColour GraphZeroColour{150, 150, 150};
constexpr DrawColour GraphModelColour{70, 70, 70};
constexpr DrawColour GraphUnknownTrimColour{128, 128, 128};

// The colours of the CLOCKTRIM values, in the order the session first measured them: each value
// keeps its colour in both panels and in the legend.
struct TrimColours {
    std::vector<int> trims; // known values, in order of first appearance
    bool unknownTrim = false; // a run was credited to no CLOCKTRIM value
};

TrimColours ColoursOfRuns(const GraphData& data);
// The colour of a run's CLOCKTRIM, and its index among the colours (the unknown value's last).
DrawColour RunColour(const TrimColours& colours, const GraphRun& run);
int RunColourIndex(const TrimColours& colours, const GraphRun& run);
// The colour mixed with white, for what lies behind the points.
DrawColour Lighter(DrawColour colour);
