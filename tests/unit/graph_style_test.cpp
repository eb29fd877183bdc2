#include "graph/graph_style.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

int ColourDistance(DrawColour a, DrawColour b) {
    return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
}

// A session may measure every value the CLOCKTRIM list offers: each keeps a colour of its own,
// the legend's neighbours are plainly apart, and none passes for the unknown value's grey.
TEST(GraphStyle, EveryClockTrimValueOfASessionHasAColourOfItsOwn) {
    GraphData data;
    for (int trim = 32; trim >= -31; --trim) {
        GraphRun run;
        run.trimKnown = true;
        run.trim = trim;
        data.runs.push_back(run);
    }
    const TrimColours colours = ColoursOfRuns(data);
    ASSERT_EQ(colours.trims.size(), 64u);
    std::vector<DrawColour> legend;
    for (const GraphRun& run : data.runs)
        legend.push_back(RunColour(colours, run));

    for (std::size_t i = 0; i < legend.size(); ++i) {
        EXPECT_GE(ColourDistance(legend[i], GraphUnknownTrimColour), 48) << "value " << i;
        if (i > 0) {
            EXPECT_GE(ColourDistance(legend[i], legend[i - 1]), 96)
                << "values " << i - 1 << " and " << i;
        }
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_GT(ColourDistance(legend[i], legend[j]), 0) << "values " << j << " and " << i;
    }
}

} // namespace
