// The controller's rate error from the stamps of one timing run: a fit of all the stamps, made
// for the way stamps go wrong on a real PC. A USB serial adapter holds received bytes until its
// latency timer expires, so every stamp is late by 0 up to some milliseconds and never early;
// a timer event held back (a window dragged, a menu held open) makes one stamp far late.
//
// Pure arithmetic over its arguments: no clock, no I/O, no state.
#pragma once

#include <cstdint>
#include <vector>

struct TickStamp {
    std::int64_t tick = 0; // lines since the run's first line, which is tick 0
    double seconds = 0.0;  // arrival on the PC's counter, from any fixed origin
    bool trusted = true;   // false: known to be late (the line was waiting before the look)
};

struct RateEstimate {
    bool known = false;           // false: fewer than MinimumTrustedStamps trusted stamps
    double ppm = 0.0;             // the controller's rate error; positive: its clock runs fast
    double boundPpm = 0.0;        // the true rate lies within ppm ± boundPpm
    double latenessSeconds = 0.0; // the spread of lateness the bound allows for
    // The spread most stamps show (from the 80th percentile of their lateness): the adapter's
    // latency, which a few stamps made late by a busy machine do not move.
    double typicalLatenessSeconds = 0.0;
    std::int64_t intervals = 0; // ticks between the first and the last trusted stamp
    int stampsUsed = 0;         // trusted stamps that shaped the bound
    int stampsSetAside = 0;     // trusted stamps judged far late, kept out of the bound
    std::vector<std::int64_t> ticksSetAside; // their ticks, increasing
    // The coarsest grid of an adapter's timer that the stamps lie on, 0: none. Stamps on the
    // coarsest cannot show whether the adapter has that timer or a finer one.
    double stampGridSeconds = 0.0;
    // Not 0: the bound is as wide as it is because it allows for an adapter's timer of this step,
    // which the stamps cannot show.
    double unseenGridSeconds = 0.0;
};

constexpr int MinimumTrustedStamps = 3;

// The grids an adapter's timer may hand bytes over on: 1 ms (the USB frame) up to 16 ms (the
// latency timer's usual default), in powers of two.
constexpr double FinestAdapterGridSeconds = 0.001;
constexpr double CoarsestAdapterGridSeconds = 0.016;

// Estimates the rate from the stamps (in any order of arrival, ticks increasing) of a program
// that prints every nominalIntervalSeconds of its own clock. knownLatenessSeconds is a spread
// of lateness already seen on this link (0 when none): a run too short or too regular to show
// the adapter's latency by itself is still given a bound wide enough for it. Stamps that lie on a
// grid of an adapter's timer are late by up to its step, but by no more than
// adapterGridAtMostSeconds, the coarsest timer the link may have as far as the session has seen
// (CoarsestAdapterGridSeconds when nothing has shown a finer one).
RateEstimate EstimateRate(const std::vector<TickStamp>& stamps, double nominalIntervalSeconds,
                          double knownLatenessSeconds, double adapterGridAtMostSeconds);
