#include "graph/column_thinning.h"

#include <algorithm>

namespace {

// The extremes of one series in the column at hand.
struct Extremes {
    int series;
    std::size_t lowest, highest;
};

} // namespace

std::vector<std::size_t> ThinToColumns(const std::vector<ColumnPoint>& points) {
    std::vector<std::size_t> kept;
    std::vector<Extremes> column;
    const auto flush = [&] {
        const std::size_t from = kept.size();
        for (const Extremes& series : column) {
            kept.push_back(series.lowest);
            if (series.highest != series.lowest)
                kept.push_back(series.highest);
        }
        std::sort(kept.begin() + static_cast<std::ptrdiff_t>(from), kept.end());
        column.clear();
    };
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ColumnPoint& point = points[i];
        if (i > 0 && point.column != points[i - 1].column)
            flush();
        const auto found = std::find_if(column.begin(), column.end(), [&](const Extremes& e) {
            return e.series == point.series;
        });
        if (found == column.end()) {
            column.push_back({point.series, i, i});
            continue;
        }
        if (point.value < points[found->lowest].value)
            found->lowest = i;
        if (point.value > points[found->highest].value)
            found->highest = i;
    }
    flush();
    return kept;
}
