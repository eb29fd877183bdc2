#include "graph/graph_axes.h"

#include "text/clock_text.h"
#include "text/number_text.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double SecondsPerMinute = 60.0;
constexpr double SecondsPerDay = 86400.0;

// The steps a reader counts time in, up to a day; beyond it whole days of 1, 2 or 5 times a
// power of ten.
const double TimeSteps[] = {1,    2,    5,    10,   15,    30,    60,    120,   300,  600,
                            900,  1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800};

// 1, 2 or 5 times a power of ten, the least not below the value (above 0).
double RoundStepUp(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= value * (1.0 - 1e-12))
            return factor * power;
    return 10.0 * power;
}

double TimeStep(double span, int maxTicks) {
    const double least = span / std::max(maxTicks - 1, 1);
    for (double step : TimeSteps)
        if (step >= least)
            return step;
    return SecondsPerDay * RoundStepUp(least / SecondsPerDay);
}

const wchar_t* TimeMask(double step) {
    if (step < SecondsPerMinute)
        return L"%hh:%ii:%ss";
    if (step < SecondsPerDay)
        return L"%hh:%ii";
    return L"%yyyy-%mm-%dd";
}

// The multiples of step from low to high (a little tolerance at both ends), as whole multiples
// so that zero is exactly zero.
std::vector<double> MultiplesWithin(double low, double high, double step) {
    std::vector<double> values;
    const double first = std::ceil(low / step - 1e-9);
    const double last = std::floor(high / step + 1e-9);
    for (double i = first; i <= last; ++i)
        values.push_back(i * step);
    return values;
}

} // namespace

std::vector<AxisTick> TimeTicks(double from, double to, int maxTicks) {
    std::vector<AxisTick> ticks;
    if (!(to >= from) || maxTicks < 1)
        return ticks;
    const double step = TimeStep(std::max(to - from, 1.0), maxTicks);
    for (double value : MultiplesWithin(from, to, step))
        ticks.push_back({value, ClockText(TimeMask(step), static_cast<DateValue>(value))});
    return ticks;
}

std::vector<AxisTick> ValueTicks(double low, double high, int maxTicks) {
    std::vector<AxisTick> ticks;
    if (!(high > low) || !std::isfinite(high - low) || maxTicks < 1)
        return ticks;
    const double step = RoundStepUp((high - low) / std::max(maxTicks - 1, 1));
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    for (double value : MultiplesWithin(low, high, step))
        ticks.push_back({value, FixedText(value, decimals)});
    return ticks;
}

ValueRange PaddedRange(double low, double high, double minimumSpan) {
    const double margin = (high - low) / 20.0;
    ValueRange range{low - margin, high + margin};
    if (range.high - range.low < minimumSpan) {
        const double middle = (low + high) / 2.0;
        range = {middle - minimumSpan / 2.0, middle + minimumSpan / 2.0};
    }
    return range;
}

double PixelOf(const AxisMap& map, double value) {
    constexpr double FarOutside = 1e6;
    const double span = map.high - map.low;
    const double pixel = span > 0.0 ? map.pixelLow + (value - map.low) / span *
                                                         (map.pixelHigh - map.pixelLow)
                                    : (map.pixelLow + map.pixelHigh) / 2.0;
    return std::clamp(pixel, -FarOutside, FarOutside);
}
