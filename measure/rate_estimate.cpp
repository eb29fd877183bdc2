// The estimator: the lower envelope of the stamps, and the band of lines the stamps allow.
//
// Every stamp is the line's true arrival plus a lateness between 0 and some spread L. So the
// true arrival line lies on or under every stamp and on or over every stamp less L. Among such
// lines the fit takes the middle slope, and the bound is half the range of slopes allowed; it
// covers the truth whenever L covers the real spread. L comes from the residuals above the
// envelope, widened to a 95 % upper bound for the number of stamps at hand (the largest of m
// uniform latenesses falls below q × L with probability q^m), or from the spread already seen
// on the link when that is larger, or from the largest gap between residuals when the lateness
// came in bands (see LargestResidualGap), or from the step of the grid the stamps lie on (see
// StampGridSeconds) unless the session has shown the adapter's timer to be finer. A least-squares line would be pulled up by the lateness
// and moved in full by one far-late stamp; the envelope is neither.
#include "measure/rate_estimate.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace {

struct Point {
    double x, y;
};

// Lower or upper convex hull of points in increasing x, by the monotone chain; points on a
// straight stretch are left out.
std::vector<Point> Hull(const std::vector<Point>& points, bool lower) {
    std::vector<Point> hull;
    for (const Point& p : points) {
        while (hull.size() >= 2) {
            const Point& a = hull[hull.size() - 2];
            const Point& b = hull.back();
            const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
            if (lower ? cross > 0 : cross < 0)
                break;
            hull.pop_back();
        }
        hull.push_back(p);
    }
    return hull;
}

// The lower hull's edge over the stamps' mean tick: of all lines under every stamp, the one
// that leaves the least lateness in sum.
void EnvelopeLine(const std::vector<Point>& lowerHull, double meanX, double& slope,
                  double& intercept) {
    std::size_t edge = 1;
    while (edge + 1 < lowerHull.size() && lowerHull[edge].x < meanX)
        ++edge;
    const Point& a = lowerHull[edge - 1];
    const Point& b = lowerHull[edge];
    slope = (b.y - a.y) / (b.x - a.x);
    intercept = a.y - slope * a.x;
}

// The largest step between two neighbouring residuals in size. Lateness taken at a few phases
// of the adapter's timer only (a run whose interval is close to a multiple of the timer's
// period) leaves its residuals in a few bands; the band above the top one may be a step away.
double LargestResidualGap(std::vector<double> residuals) {
    std::sort(residuals.begin(), residuals.end());
    double gap = 0.0;
    for (std::size_t i = 1; i < residuals.size(); ++i)
        gap = std::max(gap, residuals[i] - residuals[i - 1]);
    return gap;
}

// Timing noise that is not lateness (the counter's own jitter, a poll's length).
constexpr double JitterSeconds = 20e-6;
// A stamp lies on a grid when it is within this share of the grid's step of it: wide enough for
// a busy machine's jitter, narrow enough that stamps at random phases rarely all pass.
constexpr double GridToleranceShare = 1.0 / 16.0;
constexpr double FinestGridToleranceSeconds = 2.0 * JitterSeconds;

bool OnGrid(double seconds, double step) {
    const double off = std::fmod(std::abs(seconds), step);
    const double tolerance = std::max(FinestGridToleranceSeconds, GridToleranceShare * step);
    return std::min(off, step - off) <= tolerance;
}

// The coarsest grid of an adapter's timer, 16 ms down to 1 ms in powers of two, that the stamps
// (relative to the first) lie on, or 0. Stamps on a grid arrived anywhere within a step before
// it, even when the residuals show no lateness at all: a controller keeping time, or one whose
// interval is near a multiple of the step, puts every line at the same place between two
// expiries. One stamp in ten may lie off it (made late by a busy machine).
double StampGridSeconds(const std::vector<Point>& points) {
    const std::size_t mayMiss = points.size() / 10;
    for (double step = CoarsestAdapterGridSeconds; step >= FinestAdapterGridSeconds;
         step /= 2.0) {
        const std::size_t off =
            static_cast<std::size_t>(std::count_if(points.begin(), points.end(),
                                                   [&](const Point& p) { return !OnGrid(p.y, step); }));
        if (off <= mayMiss)
            return step;
    }
    return 0.0;
}
// A stamp is set aside as far late when its residual exceeds the next largest this many times
// over, and only with enough stamps that a legitimate largest residual rarely does so.
constexpr double FarLateFactor = 3.0;
constexpr int FarLateMinimumStamps = 8;
constexpr double BoundConfidence = 0.95;
// Uniform lateness over 0 to L puts this fraction of the stamps below this fraction of L.
constexpr double TypicalQuantile = 0.8;

} // namespace

RateEstimate EstimateRate(const std::vector<TickStamp>& stamps, double nominalIntervalSeconds,
                          double knownLatenessSeconds, double adapterGridAtMostSeconds) {
    RateEstimate estimate;
    std::vector<Point> points;
    std::vector<std::int64_t> ticks;
    for (const TickStamp& stamp : stamps) {
        if (stamp.trusted) {
            points.push_back({static_cast<double>(stamp.tick), stamp.seconds});
            ticks.push_back(stamp.tick);
        }
    }
    if (points.size() < static_cast<std::size_t>(MinimumTrustedStamps) ||
        !(nominalIntervalSeconds > 0.0))
        return estimate;
    // Relative to the first stamp, so that a counter far from its zero loses no precision.
    const Point origin = points.front();
    double sumX = 0.0;
    for (Point& p : points) {
        p = {p.x - origin.x, p.y - origin.y};
        sumX += p.x;
    }

    double slope = 0.0, intercept = 0.0;
    EnvelopeLine(Hull(points, true), sumX / static_cast<double>(points.size()), slope, intercept);
    std::vector<double> residuals;
    for (const Point& p : points)
        residuals.push_back(std::max(0.0, p.y - (intercept + slope * p.x)));

    // Far-late stamps: at most one in ten, each far above the next.
    std::vector<double> sorted = residuals;
    std::sort(sorted.begin(), sorted.end(), std::greater<double>());
    const int count = static_cast<int>(points.size());
    int setAside = 0;
    if (count >= FarLateMinimumStamps) {
        const double known = std::max(knownLatenessSeconds, 0.0);
        while (setAside < std::max(1, count / 10) &&
               sorted[setAside] >
                   FarLateFactor * (std::max(sorted[setAside + 1], known) + JitterSeconds))
            ++setAside;
    }
    const double limit = setAside > 0 ? sorted[setAside - 1] : INFINITY;
    std::vector<Point> kept;
    std::vector<double> keptResiduals;
    std::vector<std::int64_t> ticksSetAside;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (setAside > 0 && residuals[i] >= limit) {
            ticksSetAside.push_back(ticks[i]);
            continue;
        }
        kept.push_back(points[i]);
        keptResiduals.push_back(residuals[i]);
    }

    // Two stamps rest on the envelope; the others' residuals measure the lateness.
    const double spread = *std::max_element(keptResiduals.begin(), keptResiduals.end());
    const double free = static_cast<double>(std::max<std::size_t>(kept.size() - 2, 1));
    const double stampGrid = StampGridSeconds(kept);
    const double gridLateness = std::min(stampGrid, adapterGridAtMostSeconds);
    const double shownLateness =
        std::max({spread / std::pow(1.0 - BoundConfidence, 1.0 / free),
                  spread + LargestResidualGap(keptResiduals), knownLatenessSeconds});
    const double lateness = std::max(shownLateness, gridLateness) + JitterSeconds;

    // Slopes of lines under every kept stamp and over every kept stamp less the lateness; only
    // hull corners can limit them.
    const std::vector<Point> lower = Hull(kept, true);
    const std::vector<Point> upper = Hull(kept, false);
    double lowest = -INFINITY, highest = INFINITY;
    for (const Point& u : upper) {
        for (const Point& l : lower) {
            if (l.x > u.x)
                highest = std::min(highest, (l.y - u.y + lateness) / (l.x - u.x));
            else if (l.x < u.x)
                lowest = std::max(lowest, (u.y - l.y - lateness) / (u.x - l.x));
        }
    }
    // Seconds per tick to the controller's rate: a fast clock prints early.
    const auto ppmOf = [&](double secondsPerTick) {
        return (nominalIntervalSeconds / secondsPerTick - 1.0) * 1e6;
    };
    const double fastest = lowest > 0.0 ? ppmOf(lowest) : INFINITY;
    const double slowest = ppmOf(highest);
    estimate.known = std::isfinite(fastest) && std::isfinite(slowest);
    if (!estimate.known)
        return estimate;
    estimate.ppm = (fastest + slowest) / 2.0;
    estimate.boundPpm = (fastest - slowest) / 2.0;
    estimate.latenessSeconds = lateness;
    estimate.stampGridSeconds = stampGrid;
    estimate.unseenGridSeconds = gridLateness > shownLateness ? gridLateness : 0.0;
    std::sort(keptResiduals.begin(), keptResiduals.end());
    const std::size_t typical =
        static_cast<std::size_t>(TypicalQuantile * static_cast<double>(keptResiduals.size() - 1));
    estimate.typicalLatenessSeconds = keptResiduals[typical] / TypicalQuantile;
    estimate.intervals = static_cast<std::int64_t>(points.back().x);
    estimate.stampsUsed = static_cast<int>(kept.size());
    estimate.stampsSetAside = setAside;
    estimate.ticksSetAside = std::move(ticksSetAside);
    return estimate;
}
