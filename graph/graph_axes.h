// The graph's axes: readable tick values with their labels, the range of values a panel shows,
// and the mapping of values to pixels. Pure arithmetic over its arguments.
#pragma once

#include <string>
#include <vector>

struct AxisTick {
    double value = 0.0;
    std::wstring label;
};

// Ticks over the wall-clock span from..to (seconds of text/clock_text.h's DateValue, local
// time), at most maxTicks of them, at a step a reader counts in: 1, 2, 5, 10, 15 or 30 seconds
// or minutes, 1, 2, 3, 6 or 12 hours, or whole days, each tick a whole multiple of its step
// since midnight. Labels read hh:mm:ss below a minute's step, hh:mm below a day's, else the date.
std::vector<AxisTick> TimeTicks(double from, double to, int maxTicks);

// Ticks over low..high at 1, 2 or 5 times a power of ten, at most maxTicks of them (at least
// one step), labelled with the decimals the step needs.
std::vector<AxisTick> ValueTicks(double low, double high, int maxTicks);

struct ValueRange {
    double low = 0.0, high = 0.0;
};

// The range a panel shows for values from low to high: a twentieth more on each side, and at
// least minimumSpan wide around their middle, so that one value or values that agree still
// show as a line in the middle.
ValueRange PaddedRange(double low, double high, double minimumSpan);

// Values from low to high drawn on pixels from pixelLow to pixelHigh (pixelLow may lie above
// pixelHigh: a y axis grows upwards).
struct AxisMap {
    double low = 0.0, high = 1.0;
    double pixelLow = 0.0, pixelHigh = 1.0;
};

// The pixel of a value, held a long way outside the panel so that drawing far beyond it stays
// within the range of int.
double PixelOf(const AxisMap& map, double value);
