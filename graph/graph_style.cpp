#include "graph/graph_style.h"

#include <algorithm>
#include <cmath>

namespace {

const DrawColour Palette[] = {{31, 119, 180}, {255, 127, 14}, {44, 160, 44},
                              {214, 39, 40},  {148, 103, 189}, {140, 86, 75},
                              {227, 119, 194}, {188, 189, 34}, {23, 190, 207}};
constexpr int PaletteSize = sizeof(Palette) / sizeof(Palette[0]);

// Beyond the palette (a session may measure all 64 CLOCKTRIM values): hues a golden angle apart,
// so that each is far from the one before it, at three brightnesses and two saturations, so that
// hues that come round close again still differ.
constexpr double GoldenAngleDegrees = 137.508;
const double Brightnesses[] = {0.85, 0.62, 0.42};
const double Saturations[] = {0.85, 0.55};

std::uint8_t Channel(double share) {
    return static_cast<std::uint8_t>(std::lround(share * 255));
}

DrawColour ColourFromHue(double hueDegrees, double saturation, double brightness) {
    const double sector = std::fmod(hueDegrees, 360.0) / 60.0;
    const double within = sector - std::floor(sector);
    const double low = brightness * (1 - saturation);
    const double falling = brightness * (1 - saturation * within);
    const double rising = brightness * (1 - saturation * (1 - within));
    switch (static_cast<int>(sector)) {
    case 0:
        return {Channel(brightness), Channel(rising), Channel(low)};
    case 1:
        return {Channel(falling), Channel(brightness), Channel(low)};
    case 2:
        return {Channel(low), Channel(brightness), Channel(rising)};
    case 3:
        return {Channel(low), Channel(falling), Channel(brightness)};
    case 4:
        return {Channel(rising), Channel(low), Channel(brightness)};
    default:
        return {Channel(brightness), Channel(low), Channel(falling)};
    }
}

DrawColour TrimColour(int index) {
    if (index < PaletteSize)
        return Palette[index];
    const int beyond = index - PaletteSize;
    return ColourFromHue(beyond * GoldenAngleDegrees, Saturations[beyond / 3 % 2],
                         Brightnesses[beyond % 3]);
}

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
    return TrimColour(index);
}

DrawColour Lighter(DrawColour colour) {
    return {TowardsWhite(colour.red), TowardsWhite(colour.green), TowardsWhite(colour.blue)};
}
