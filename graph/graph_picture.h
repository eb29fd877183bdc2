// The whole graph of a session on a picture: the intervals above, the CLOCKTRIM values below,
// and the legend of the CLOCKTRIM colours.
#pragma once

#include "graph/graph_data.h"
#include "platform/drawing.h"

// What the graph says while there is nothing to draw.
extern const wchar_t* const NoMeasurementsYet;

// Draws the graph over the whole picture of width x height pixels, white behind it, so that a
// picture may be drawn on again.
void DrawGraph(Drawing picture, int width, int height, const GraphData& data);
