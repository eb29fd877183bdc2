// A panel of the graph: its rectangle, the mapping of its values to pixels, and its frame with
// the grid, the zero line and the labelled ticks of both axes.
#pragma once

#include "graph/graph_axes.h"
#include "platform/drawing.h"

#include <string>
#include <vector>

struct GraphPanel {
    DrawRect area{0, 0, 1, 1};
    AxisMap x, y;
};

// The panel over the area for the value ranges, y growing upwards.
GraphPanel PanelOver(const DrawRect& area, ValueRange x, ValueRange y);

// The pixel of a point of the panel's values.
DrawPoint PanelPoint(const GraphPanel& panel, double x, double y);

// How many ticks fit along the axes.
int TimeTickRoom(const GraphPanel& panel);
int HorizontalValueTickRoom(const GraphPanel& panel);
int VerticalTickRoom(const GraphPanel& panel);

// The grid and the zero line behind, the title above (when it ends left of titleRight), the
// frame, and the tick labels left of and below the panel.
void DrawPanelFrame(Drawing picture, const GraphPanel& panel, const std::wstring& title,
                    int titleRight, const std::vector<AxisTick>& xTicks,
                    const std::vector<AxisTick>& yTicks);
