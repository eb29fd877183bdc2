// The upper panel: each interval's error against the time of day, coloured by its run's
// CLOCKTRIM, hollow where the estimate leaves a stamp of it out, over each run's estimate and
// bound as a band.
#pragma once

#include "graph/graph_data.h"
#include "graph/graph_style.h"
#include "platform/drawing.h"

// The panel's title is left out unless it ends left of titleRight.
void DrawIntervalPanel(Drawing picture, const DrawRect& area, int titleRight,
                       const GraphData& data, const TrimColours& colours);
