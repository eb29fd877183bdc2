// Thinning many points to what the pixel columns of a panel can show. Pure.
#pragma once

#include <cstddef>
#include <vector>

// A point as the panel places it: its pixel column, the series it is drawn in (one colour and
// shape), and its value.
struct ColumnPoint {
    int column = 0;
    int series = 0;
    double value = 0.0;
};

// Of points in order of their columns, the indexes of those that differ on the screen: in each
// column, for each series, the point of the lowest value and that of the highest (one point
// when they are the same), in the order of the points.
std::vector<std::size_t> ThinToColumns(const std::vector<ColumnPoint>& points);
