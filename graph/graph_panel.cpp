#include "graph/graph_panel.h"

#include "graph/graph_style.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int TimeLabelPixels = 80;
constexpr int ValueLabelPixels = 45;
constexpr int RowPixels = 28;
constexpr int LabelGap = 4;

} // namespace

GraphPanel PanelOver(const DrawRect& area, ValueRange x, ValueRange y) {
    GraphPanel panel;
    panel.area = area;
    panel.x = {x.low, x.high, static_cast<double>(area.left), static_cast<double>(area.right - 1)};
    panel.y = {y.low, y.high, static_cast<double>(area.bottom - 1), static_cast<double>(area.top)};
    return panel;
}

DrawPoint PanelPoint(const GraphPanel& panel, double x, double y) {
    return {static_cast<int>(std::lround(PixelOf(panel.x, x))),
            static_cast<int>(std::lround(PixelOf(panel.y, y)))};
}

int TimeTickRoom(const GraphPanel& panel) {
    return std::max(2, (panel.area.right - panel.area.left) / TimeLabelPixels);
}

int HorizontalValueTickRoom(const GraphPanel& panel) {
    return std::max(2, (panel.area.right - panel.area.left) / ValueLabelPixels);
}

int VerticalTickRoom(const GraphPanel& panel) {
    return std::max(2, (panel.area.bottom - panel.area.top) / RowPixels);
}

void DrawPanelFrame(Drawing picture, const GraphPanel& panel, const std::wstring& title,
                    int titleRight, const std::vector<AxisTick>& xTicks,
                    const std::vector<AxisTick>& yTicks) {
    const DrawRect& area = panel.area;
    SetDrawPen(picture, GraphGridColour, 1, false);
    for (const AxisTick& tick : xTicks) {
        const int x = PanelPoint(panel, tick.value, 0.0).x;
        DrawLine(picture, {x, area.top}, {x, area.bottom - 1});
        // Centred under its tick, unless it would reach past the panel and out of the picture:
        // then it ends at its tick.
        const int halfWidth = DrawTextWidth(picture, tick.label, GraphTextHeight) / 2;
        const bool atEdge = x + halfWidth > area.right;
        DrawTextAt(picture, x, area.bottom + LabelGap,
                   atEdge ? TextAnchor::Right : TextAnchor::Centre, tick.label, GraphTextHeight,
                   GraphInk);
    }
    for (const AxisTick& tick : yTicks) {
        const int y = PanelPoint(panel, 0.0, tick.value).y;
        DrawLine(picture, {area.left, y}, {area.right - 1, y});
        DrawTextAt(picture, area.left - LabelGap, y - GraphTextHeight / 2 - 1, TextAnchor::Right,
                   tick.label, GraphTextHeight, GraphInk);
    }
    if (panel.y.low < 0.0 && panel.y.high > 0.0) {
        const int y = PanelPoint(panel, 0.0, 0.0).y;
        SetDrawPen(picture, GraphZeroColour, 1, false);
        DrawLine(picture, {area.left, y}, {area.right - 1, y});
    }
    if (area.left + DrawTextWidth(picture, title, GraphTextHeight) < titleRight)
        DrawTextAt(picture, area.left, area.top - GraphTextHeight - LabelGap - 2, TextAnchor::Left,
                   title, GraphTextHeight, GraphInk);
    SetDrawPen(picture, GraphInk, 1, false);
    DrawOutlinedRect(picture, area);
}
