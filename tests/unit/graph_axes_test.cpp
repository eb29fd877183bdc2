// The graph's axes and the thinning of its points: tick values and labels over spans from
// seconds to days and ranges from 0.1 to 10,000 ppm, the mapping to pixels, and which points a
// pixel column keeps.
#include "graph/column_thinning.h"
#include "graph/graph_axes.h"
#include "sim/sim.h"
#include "text/clock_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

double At(int day, int hour, int minute, int second) {
    SimReset();
    SimSetLocalDateTime({2026, 12, day, hour, minute, second});
    return CurrentDateTime();
}

std::vector<std::wstring> Labels(const std::vector<AxisTick>& ticks) {
    std::vector<std::wstring> labels;
    for (const AxisTick& tick : ticks)
        labels.push_back(tick.label);
    return labels;
}

TEST(GraphAxes, TimeTicksFromSecondsToDays) {
    const struct {
        const char* what;
        double from, to;
        int maxTicks;
        std::vector<std::wstring> labels;
    } cases[] = {
        {"ten seconds", At(10, 12, 0, 0), At(10, 12, 0, 10), 6,
         {L"12:00:00", L"12:00:02", L"12:00:04", L"12:00:06", L"12:00:08", L"12:00:10"}},
        {"a minute, begun off the step", At(10, 12, 0, 3), At(10, 12, 1, 3), 6,
         {L"12:00:15", L"12:00:30", L"12:00:45", L"12:01:00"}},
        {"an hour", At(10, 12, 0, 0), At(10, 13, 0, 0), 7,
         {L"12:00", L"12:10", L"12:20", L"12:30", L"12:40", L"12:50", L"13:00"}},
        {"across midnight", At(10, 22, 59, 30), At(11, 1, 0, 0), 6,
         {L"23:00", L"23:30", L"00:00", L"00:30", L"01:00"}},
        {"a quarter of a day", At(10, 6, 5, 0), At(10, 12, 5, 0), 4,
         {L"08:00", L"10:00", L"12:00"}},
        {"three days", At(10, 12, 0, 0), At(13, 12, 0, 0), 5,
         {L"2026-12-11", L"2026-12-12", L"2026-12-13"}},
        {"a fortnight", At(1, 0, 0, 0), At(15, 0, 0, 0), 4,
         {L"2026-12-03", L"2026-12-08", L"2026-12-13"}},
        {"no span", At(10, 12, 0, 7), At(10, 12, 0, 7), 5, {L"12:00:07"}},
        {"backwards", At(10, 12, 0, 7), At(10, 12, 0, 0), 5, {}},
    };
    for (const auto& c : cases) {
        const std::vector<AxisTick> ticks = TimeTicks(c.from, c.to, c.maxTicks);
        EXPECT_EQ(Labels(ticks), c.labels) << c.what;
        EXPECT_LE(static_cast<int>(ticks.size()), c.maxTicks) << c.what;
        for (const AxisTick& tick : ticks)
            EXPECT_TRUE(tick.value >= c.from && tick.value <= c.to) << c.what;
    }
}

TEST(GraphAxes, PpmTicksFromATenthToTenThousand) {
    const struct {
        const char* what;
        double low, high;
        int maxTicks;
        std::vector<std::wstring> labels;
    } cases[] = {
        {"a tenth around zero", -0.05, 0.05, 5, {L"-0.05", L"0.00", L"0.05"}},
        {"a tenth off zero", 345.2, 345.3, 3, {L"345.20", L"345.25", L"345.30"}},
        {"one", 0.0, 1.0, 6, {L"0.0", L"0.2", L"0.4", L"0.6", L"0.8", L"1.0"}},
        {"tenths above 300", 345.21, 345.93, 9,
         {L"345.3", L"345.4", L"345.5", L"345.6", L"345.7", L"345.8", L"345.9"}},
        {"a hundred around zero", -61.0, 52.0, 5, {L"-50", L"0", L"50"}},
        {"ten thousand", 0.0, 10000.0, 6, {L"0", L"2000", L"4000", L"6000", L"8000", L"10000"}},
        {"ten thousand around zero", -5000.0, 5000.0, 4, {L"-5000", L"0", L"5000"}},
        {"no span", 3.0, 3.0, 5, {}},
    };
    for (const auto& c : cases) {
        const std::vector<AxisTick> ticks = ValueTicks(c.low, c.high, c.maxTicks);
        EXPECT_EQ(Labels(ticks), c.labels) << c.what;
        EXPECT_LE(static_cast<int>(ticks.size()), c.maxTicks) << c.what;
    }
}

TEST(GraphAxes, RangesPadTheirValuesAndOneValueStaysInTheMiddle) {
    const struct {
        const char* what;
        double low, high, minimumSpan;
        ValueRange range;
    } cases[] = {
        {"a spread", 0.0, 100.0, 0.1, {-5.0, 105.0}},
        {"one value", 345.0, 345.0, 0.1, {344.95, 345.05}},
        {"a spread narrower than the least", 1.0, 1.02, 0.1, {0.96, 1.06}},
        {"ten thousand", -10000.0, 10000.0, 0.1, {-11000.0, 11000.0}},
    };
    for (const auto& c : cases) {
        const ValueRange range = PaddedRange(c.low, c.high, c.minimumSpan);
        EXPECT_NEAR(range.low, c.range.low, 1e-9) << c.what;
        EXPECT_NEAR(range.high, c.range.high, 1e-9) << c.what;
    }
}

TEST(GraphAxes, ValuesMapToPixelsEitherWayAndFarValuesStayInRange) {
    const AxisMap upwards{-10.0, 10.0, 200.0, 0.0};
    const struct {
        double value, pixel;
    } cases[] = {{-10.0, 200.0}, {10.0, 0.0}, {0.0, 100.0}, {5.0, 50.0}, {1e300, -1e6},
                 {-1e300, 1e6}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(PixelOf(upwards, c.value), c.pixel) << c.value;
    EXPECT_DOUBLE_EQ(PixelOf({3.0, 3.0, 10.0, 30.0}, 3.0), 20.0) << "an empty range";
}

TEST(ColumnThinning, EachColumnKeepsTheExtremesOfEachSeriesInOrder) {
    const struct {
        const char* what;
        std::vector<ColumnPoint> points;
        std::vector<std::size_t> kept;
    } cases[] = {
        {"no points", {}, {}},
        {"one point", {{4, 0, 1.0}}, {0}},
        {"a column each", {{0, 0, 1.0}, {1, 0, 5.0}, {2, 0, 3.0}}, {0, 1, 2}},
        {"a column of one series", {{7, 0, 2.0}, {7, 0, 9.0}, {7, 0, -1.0}, {7, 0, 4.0}}, {1, 2}},
        {"equal values", {{7, 0, 2.0}, {7, 0, 2.0}, {7, 0, 2.0}}, {0}},
        {"two series in a column",
         {{3, 0, 1.0}, {3, 1, 8.0}, {3, 0, 5.0}, {3, 1, 2.0}, {3, 0, 3.0}, {3, 1, 4.0}},
         {0, 1, 2, 3}},
        {"columns after each other",
         {{0, 0, 1.0}, {0, 0, 2.0}, {0, 0, 3.0}, {1, 0, 6.0}, {1, 0, 4.0}, {1, 0, 5.0}},
         {0, 2, 3, 4}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ThinToColumns(c.points), c.kept) << c.what;
}

TEST(ColumnThinning, ManyPointsKeepEveryColumnsLowestAndHighestAndNoMore) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 50.0);
    std::vector<ColumnPoint> points;
    for (int i = 0; i < 100000; ++i)
        points.push_back({i / 173, (i / 5000) % 3, noise(random)});
    const std::vector<std::size_t> kept = ThinToColumns(points);
    ASSERT_TRUE(std::is_sorted(kept.begin(), kept.end()));
    EXPECT_LE(kept.size(), 2u * 3u * (points.back().column + 1u));
    for (std::size_t from = 0; from < points.size();) {
        std::size_t to = from;
        while (to < points.size() && points[to].column == points[from].column)
            ++to;
        for (int series = 0; series < 3; ++series) {
            double lowest = 1e300, highest = -1e300, keptLowest = 1e300, keptHighest = -1e300;
            for (std::size_t i = from; i < to; ++i) {
                if (points[i].series != series)
                    continue;
                lowest = std::min(lowest, points[i].value);
                highest = std::max(highest, points[i].value);
                if (std::binary_search(kept.begin(), kept.end(), i)) {
                    keptLowest = std::min(keptLowest, points[i].value);
                    keptHighest = std::max(keptHighest, points[i].value);
                }
            }
            EXPECT_EQ(keptLowest, lowest) << "column " << points[from].column;
            EXPECT_EQ(keptHighest, highest) << "column " << points[from].column;
        }
        from = to;
    }
}

} // namespace
