// The lower panel: each run's rate with its bound against its CLOCKTRIM, the fitted step line
// (dashed while the typical step is assumed), the zero line and the advised value.
#pragma once

#include "graph/graph_data.h"
#include "graph/graph_style.h"
#include "platform/drawing.h"

void DrawTrimPanel(Drawing picture, const DrawRect& area, const GraphData& data,
                   const TrimColours& colours);
