#include "graph/graph_style.h"

#include <algorithm>

namespace {

const DrawColour Palette[] = {{31, 119, 180}, {255, 127, 14}, {44, 160, 44},
                              {214, 39, 40},  {148, 103, 189}, {140, 86, 75},
                              {227, 119, 194}, {188, 189, 34}, {23, 190, 207}};
constexpr int PaletteSize = sizeof(Palette) / sizeof(Palette[0]);

std::uint8_t TowardsWhite(std::uint8_t channel) {
    return static_cast<std::uint8_t>(channel + (255 - channel) * 3 / 4);
}

} // namespace

TrimColours ColoursOfRuns(const GraphData& data) {
    TrimColours colours;
    for (const GraphRun& run : data.runs) {
        if (!run.trimKnown)
            colours.unknownTrim = true;
        else if (std::find(colours.trims.begin(), colours.trims.end(), run.trim) ==
                 colours.trims.end())
            colours.trims.push_back(run.trim);
    }
    return colours;
}

int RunColourIndex(const TrimColours& colours, const GraphRun& run) {
    const auto found = std::find(colours.trims.begin(), colours.trims.end(), run.trim);
    if (!run.trimKnown || found == colours.trims.end())
        return static_cast<int>(colours.trims.size());
    return static_cast<int>(found - colours.trims.begin());
}

DrawColour RunColour(const TrimColours& colours, const GraphRun& run) {
    const int index = RunColourIndex(colours, run);
    if (index == static_cast<int>(colours.trims.size()))
        return GraphUnknownTrimColour;
    return Palette[index % PaletteSize];
}

DrawColour Lighter(DrawColour colour) {
    return {TowardsWhite(colour.red), TowardsWhite(colour.green), TowardsWhite(colour.blue)};
}
