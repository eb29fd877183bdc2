// The rate estimator on stamps of a known rate, with the lateness a USB adapter adds.
#include "measure/rate_estimate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr double Interval = 10.0;
// Nothing in the session has shown the adapter's timer to be finer than the coarsest.
constexpr double NoGridShown = CoarsestAdapterGridSeconds;

// Stamps of a controller whose clock runs ratePpm fast, each made late by lateness(k).
template <typename Lateness>
std::vector<TickStamp> Stamps(double ratePpm, int intervals, Lateness lateness) {
    std::vector<TickStamp> stamps;
    const double secondsPerTick = Interval / (1.0 + ratePpm * 1e-6);
    for (int k = 0; k <= intervals; ++k)
        stamps.push_back({k, 5000.0 + k * secondsPerTick + lateness(k), true});
    return stamps;
}

// What the two-end average says of the same stamps.
double TwoEndPpm(const std::vector<TickStamp>& stamps) {
    const double average = (stamps.back().seconds - stamps.front().seconds) /
                           static_cast<double>(stamps.back().tick - stamps.front().tick);
    return (Interval / average - 1.0) * 1e6;
}

struct Case {
    const char* name;
    double ratePpm;
    int intervals;
    double latenessMs; // uniform 0 up to this
    int farLateTick;   // -1: none
    double largestErrorPpm;
};

TEST(RateEstimateTest, FitsAllStampsWithinItsBound) {
    const Case cases[] = {
        {"exact stamps", 343.0, 20, 0.0, -1, 0.05},
        {"1 ms adapter", -1200.0, 20, 1.0, -1, 2.0},
        {"16 ms adapter", 343.0, 20, 16.0, -1, 30.0},
        {"16 ms adapter, one timer event held back 2 s", 343.0, 20, 16.0, 7, 30.0},
        {"the last stamp held back 2 s", -2500.0, 20, 1.0, 20, 2.0},
        {"long run", 15000.0, 200, 16.0, 150, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(7);
        std::uniform_real_distribution<double> late(0.0, c.latenessMs * 1e-3);
        const auto lateness = [&](int k) {
            return (k == c.farLateTick ? 2.0 : 0.0) + late(random);
        };
        const std::vector<TickStamp> stamps = Stamps(c.ratePpm, c.intervals, lateness);
        const RateEstimate estimate = EstimateRate(stamps, Interval, 0.0, NoGridShown);
        ASSERT_TRUE(estimate.known);
        EXPECT_LE(std::abs(estimate.ppm - c.ratePpm), estimate.boundPpm);
        EXPECT_LE(std::abs(estimate.ppm - c.ratePpm), c.largestErrorPpm);
        EXPECT_EQ(estimate.intervals, c.intervals);
        EXPECT_EQ(estimate.stampsSetAside, c.farLateTick >= 0 ? 1 : 0);
    }
}

// Over many runs of 20 intervals through a 16 ms adapter, the fit's 95th-percentile error is
// well under that of the two-end average.
TEST(RateEstimateTest, BeatsTheTwoEndAverageOnLateStamps) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> late(0.0, 0.016), rate(-15000.0, 15000.0);
    std::vector<double> fitErrors, twoEndErrors;
    for (int run = 0; run < 400; ++run) {
        const double ratePpm = rate(random);
        const std::vector<TickStamp> stamps =
            Stamps(ratePpm, 20, [&](int) { return late(random); });
        fitErrors.push_back(std::abs(EstimateRate(stamps, Interval, 0.0, NoGridShown).ppm - ratePpm));
        twoEndErrors.push_back(std::abs(TwoEndPpm(stamps) - ratePpm));
    }
    std::sort(fitErrors.begin(), fitErrors.end());
    std::sort(twoEndErrors.begin(), twoEndErrors.end());
    EXPECT_LT(fitErrors[380], twoEndErrors[380] / 2.0);
}

TEST(RateEstimateTest, LeavesOutStampsKnownToBeLate) {
    std::vector<TickStamp> stamps = Stamps(-500.0, 10, [](int) { return 0.0; });
    stamps[4].seconds += 3.0;
    stamps[4].trusted = false;
    const RateEstimate estimate = EstimateRate(stamps, Interval, 0.0, NoGridShown);
    ASSERT_TRUE(estimate.known);
    EXPECT_NEAR(estimate.ppm, -500.0, 0.05);
    EXPECT_EQ(estimate.stampsUsed, 10);
    EXPECT_EQ(estimate.stampsSetAside, 0);
}

TEST(RateEstimateTest, NeedsThreeTrustedStamps) {
    std::vector<TickStamp> stamps = Stamps(100.0, 2, [](int) { return 0.0; });
    EXPECT_TRUE(EstimateRate(stamps, Interval, 0.0, NoGridShown).known);
    stamps[1].trusted = false;
    EXPECT_FALSE(EstimateRate(stamps, Interval, 0.0, NoGridShown).known);
    EXPECT_FALSE(EstimateRate({}, Interval, 0.0, NoGridShown).known);
    EXPECT_FALSE(EstimateRate(Stamps(100.0, 5, [](int) { return 0.0; }), 0.0, 0.0, NoGridShown).known);
}

// A nearly trimmed controller behind an adapter's timer: while its drift stays within one step
// of the timer, every line comes at the same place between two expiries and every stamp sits on
// the nominal schedule, which shows no lateness at all. Unless the session has shown a finer
// timer, the bound allows for the coarsest; once it has, the bound narrows and still holds.
TEST(RateEstimateTest, StampsThatCannotShowTheAdaptersTimerAreBoundedByTheCoarsest) {
    const auto onTimer = [](double arrival, double timer) {
        return std::ceil(arrival / timer) * timer;
    };
    for (const double timer : {0.016, 0.001})
        for (const double ratePpm : {25.0, -20.0, -50.0, 4.0, 90.0})
            for (const int intervals : {5, 10, 20})
                for (const double phase : {0.0003, 0.0071, 0.0155}) {
                    SCOPED_TRACE(testing::Message() << timer << " s timer, " << ratePpm << " ppm, "
                                                    << intervals << " intervals, phase " << phase);
                    std::vector<TickStamp> stamps;
                    const double secondsPerTick = Interval / (1.0 + ratePpm * 1e-6);
                    for (int k = 0; k <= intervals; ++k)
                        stamps.push_back(
                            {k, onTimer(8000.0 * timer + phase + k * secondsPerTick, timer), true});
                    const RateEstimate alone =
                        EstimateRate(stamps, Interval, 0.001, NoGridShown);
                    ASSERT_TRUE(alone.known);
                    EXPECT_LE(std::abs(alone.ppm - ratePpm), alone.boundPpm);
                    // Stamps all on the nominal schedule cannot show the timer, and the estimate
                    // says so.
                    const bool onSchedule =
                        std::all_of(stamps.begin(), stamps.end(), [&](const TickStamp& s) {
                            return std::abs(s.seconds - stamps[0].seconds - s.tick * Interval) < 1e-6;
                        });
                    if (onSchedule) {
                        EXPECT_EQ(alone.unseenGridSeconds, NoGridShown);
                    }
                    const RateEstimate shownFiner = EstimateRate(stamps, Interval, 0.001, timer);
                    EXPECT_LE(std::abs(shownFiner.ppm - ratePpm), shownFiner.boundPpm);
                    if (timer < NoGridShown) {
                        EXPECT_LE(shownFiner.boundPpm, alone.boundPpm);
                    }
                }
}

// The same timer, the controller's interval a little off a multiple of it: for a whole run every
// line comes at the same place between two expiries, so every interval reads the multiple and
// the residuals show no lateness. The stamps on the timer's grid show it, and the bound widens.
TEST(RateEstimateTest, StampsOnATimersGridShowItsStepAsTheirLateness) {
    constexpr double Timer = 0.016, Nominal = 3.0;
    const auto onTimer = [](double arrival) { return std::ceil(arrival / Timer) * Timer; };
    const struct {
        double ratePpm;   // every interval reads 2.992 s or 2.960 s
        double phase;     // of the first line between two expiries
    } cases[] = {{2909.8, 0.0155}, {13147.4, 0.004}, {-2546.0, 0.0121}};
    for (const auto& c : cases) {
        std::vector<TickStamp> stamps;
        const double secondsPerTick = Nominal / (1.0 + c.ratePpm * 1e-6);
        for (int k = 0; k <= 8; ++k)
            stamps.push_back({k, onTimer(5000.0 * Timer + c.phase + k * secondsPerTick), true});
        const RateEstimate estimate = EstimateRate(stamps, Nominal, 0.001, NoGridShown);
        ASSERT_TRUE(estimate.known) << c.ratePpm;
        EXPECT_GE(estimate.latenessSeconds, Timer) << c.ratePpm;
        EXPECT_LE(std::abs(estimate.ppm - c.ratePpm), estimate.boundPpm) << c.ratePpm;
    }
}

} // namespace
