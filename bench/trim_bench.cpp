// Trimming in virtual time: the whole program, run as the unit tests run it, against random
// simulated controllers. Part 1 lets the automatic trim find each controller's CLOCKTRIM value,
// on a clean line and on a messy one (stray lines, zero bytes, lost tick lines); part 2 runs the
// tick program at the default interval on the clean line and compares, after 5, 10 and 20
// intervals, the rate estimate with the two-end average; part 3 runs it the same way for chips
// nearly trimmed, behind 1 and 16 ms adapters, and asks whether the bound holds the truth. The
// truth is the controller's own record: the mean rate between the tick lines that were stamped.
// The same seed gives the same figures.
//
// usage: trim_bench [--controllers N] [--seed S] [--seeds K] [--failures FILE]
//                   [--population clean|messy|both]
#include "app/lifecycle.h"
#include "calibration/auto_trim.h"
#include "calibration/measured_run.h"
#include "measure/rate_estimate.h"
#include "sim/micromite_model.h"
#include "sim/sim.h"
#include "state/app_state.h"
#include "window/control_ids.h"
#include "window/events.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t Millisecond = 1000000;
constexpr std::int64_t Second = 1000 * Millisecond;
constexpr std::int64_t Minute = 60 * Second;
constexpr double TwoPi = 6.283185307179586;
// The firmware takes CLOCKTRIM -31 to 31.
constexpr int LowestTrim = -31, HighestTrim = 31;

// Part 1: the command comes at TrimAt; the search is looked at every PollEvery and given up on
// after SearchLimit.
constexpr std::int64_t TrimAt = 1 * Second;
constexpr std::int64_t PollEvery = 1 * Second;
constexpr std::int64_t SearchLimit = 30 * Minute;

// Part 2: Prog, then Start, then the window closes after 20 intervals even on a slow clock.
constexpr std::int64_t UploadAt = 1 * Second;
constexpr std::int64_t StartAt = 10 * Second;
constexpr int MostIntervals = 20;
constexpr std::int64_t CloseAt = StartAt + 215 * Second;
constexpr double NominalSeconds = 10.0;
const int IntervalCounts[] = {5, 10, 20};
const std::int64_t Latencies[] = {1 * Millisecond, 16 * Millisecond};
constexpr double GoodPpm = 5.0;
// The messy line: 1 tick line in N followed by a stray line, after a zero byte, lost.
constexpr int MessyStrayEvery = 5, MessyZeroByteEvery = 4, MessyLostEvery = 10;
// Each status query of the tick wait's polls takes this long: few polls keep the benchmark
// quick, and a stamp still comes within that of the line's arrival.
constexpr std::int64_t QueryCost = 10000;

struct Random {
    std::mt19937_64 engine;
    // The engine's sequence is fixed by the standard; the distributions' are not.
    double Uniform(double low, double high) {
        return low + (high - low) * static_cast<double>(engine() >> 11) * 0x1p-53;
    }
};

MicromiteOptions DrawController(Random& random) {
    MicromiteOptions options;
    options.baseErrorPpm = random.Uniform(-15000.0, 15000.0);
    options.trimStepPpm = random.Uniform(300.0, 600.0);
    options.adapterLatencyNanoseconds =
        random.Uniform(0.0, 1.0) < 0.5 ? Latencies[0] : Latencies[1];
    options.adapterPhaseNanoseconds =
        std::llround(random.Uniform(0.0, static_cast<double>(options.adapterLatencyNanoseconds)));
    options.wanderPpm = random.Uniform(0.0, 3.0);
    options.wanderPeriodSeconds = random.Uniform(300.0, 1800.0);
    options.wanderPhaseRadians = random.Uniform(0.0, TwoPi);
    return options;
}

// The same controller behind an adapter, at a phase drawn within the adapter's step.
MicromiteOptions BehindAdapter(MicromiteOptions options, std::int64_t latency, Random& random) {
    options.adapterLatencyNanoseconds = latency;
    options.adapterPhaseNanoseconds = std::llround(random.Uniform(0.0, latency));
    return options;
}

// The same kind of controller on a messy line, every second one behind a 16 ms adapter.
MicromiteOptions DrawMessyController(Random& random, int index) {
    MicromiteOptions options = BehindAdapter(DrawController(random), Latencies[index % 2], random);
    options.strayLineEvery = MessyStrayEvery;
    options.zeroByteEvery = MessyZeroByteEvery;
    options.lostLineEvery = MessyLostEvery;
    options.lineFaultSeed = random.engine();
    return options;
}

std::string Describe(const MicromiteOptions& o) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "base %.1f ppm, step %.1f ppm, latency %lld ms at %.3f ms, wander %.2f ppm "
                  "over %.0f s from %.2f rad",
                  o.baseErrorPpm, o.trimStepPpm,
                  static_cast<long long>(o.adapterLatencyNanoseconds / Millisecond),
                  static_cast<double>(o.adapterPhaseNanoseconds) / Millisecond, o.wanderPpm,
                  o.wanderPeriodSeconds, o.wanderPhaseRadians);
    return text;
}

// A fresh world and program, the controller on COM7.
MicromiteModel& NewSession(const MicromiteOptions& options) {
    SimReset();
    App = AppState{};
    ResetEventQueue();
    SimSetComQueryCost(QueryCost);
    return SimConnectMicromite(L"COM7", options);
}

// The controller's tick line that the stamp (seconds on the counter, which starts with virtual
// time) took: the last one that began before it and reached the PC.
const MicromiteLine* LineOfStamp(const MicromiteModel& model, double stampSeconds) {
    const MicromiteLine* found = nullptr;
    for (const MicromiteLine& line : model.record.lines)
        if (line.tick && !line.lost &&
            static_cast<double>(line.atNanoseconds) <= stampSeconds * 1e9)
            found = &line;
    return found;
}

// The controller's true mean rate error between the lines of two stamps, in ppm.
bool TruePpm(const MicromiteModel& model, double fromSeconds, double toSeconds, double& ppm) {
    const MicromiteLine* from = LineOfStamp(model, fromSeconds);
    const MicromiteLine* to = LineOfStamp(model, toSeconds);
    if (!from || !to || to->atNanoseconds <= from->atNanoseconds)
        return false;
    const double counted =
        static_cast<double>(std::atoll(to->text.c_str()) - std::atoll(from->text.c_str()));
    ppm =
        (counted * 1e9 / static_cast<double>(to->atNanoseconds - from->atNanoseconds) - 1.0) * 1e6;
    return true;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (const wchar_t c : text)
        narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const std::size_t rank =
        static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::min(values.size() - 1, rank > 0 ? rank - 1 : 0)];
}

double Share(int count, std::size_t of) {
    return of > 0 ? 100.0 * count / static_cast<double>(of) : NAN;
}

// ---- Part 1 ------------------------------------------------------------------------------------

struct TrimOutcome {
    bool ended = false;
    double seconds = 0.0; // from the command to the end
    int found = 0, best = 0;
    int stepsFromBest = 0; // the final advice's distance from the best value
    bool onBest = false;
    bool estimated = false; // a run at the value found with a known estimate
    double errorPpm = 0.0, boundPpm = 0.0;
    bool inBound = false;
    std::int64_t latency = 0; // the adapter's
};

TrimOutcome AutoTrim(const MicromiteOptions& options, std::FILE* failures, const char* population,
                     int index) {
    const MicromiteModel& model = NewSession(options);
    TrimOutcome outcome;
    outcome.latency = options.adapterLatencyNanoseconds;
    SimScheduleMenuCommand(TrimAt, TrimAutomaticallyCommandId);
    std::function<void()> look = [&] {
        const bool over = SimNowNanoseconds() - TrimAt > SearchLimit;
        if (AutoTrimActive() && !over) {
            SimScheduleAction(SimNowNanoseconds() + PollEvery, look);
            return;
        }
        outcome.ended = !AutoTrimActive();
        outcome.seconds = static_cast<double>(SimNowNanoseconds() - TrimAt) / 1e9;
        SimScheduleClose(SimNowNanoseconds() + Second);
    };
    SimScheduleAction(TrimAt + PollEvery, look);
    RunTockmeter();

    outcome.found = std::atoi(Narrow(App.ClockTrim).c_str());
    const MeasuredRun* last = nullptr;
    for (const MeasuredRun& run : SessionRuns())
        if (run.trimKnown && run.trim == outcome.found)
            last = &run;
    double truth = 0.0;
    outcome.estimated =
        last && last->estimate.known && last->stamps.size() >= 2 &&
        TruePpm(model, last->stamps.front().seconds, last->stamps.back().seconds, truth);
    // The other values' true rates at the same time: the wander is the run's. The controller's
    // own trim is the one it ran at (it refuses a value out of its range and keeps the last).
    const double wander =
        outcome.estimated ? truth - options.baseErrorPpm - model.trim * options.trimStepPpm : 0.0;
    const auto trueAt = [&](int trim) {
        return options.baseErrorPpm + trim * options.trimStepPpm + wander;
    };
    outcome.best = LowestTrim;
    for (int trim = LowestTrim; trim <= HighestTrim; ++trim)
        if (std::abs(trueAt(trim)) < std::abs(trueAt(outcome.best)))
            outcome.best = trim;
    outcome.stepsFromBest = std::abs(outcome.found - outcome.best);
    if (outcome.estimated) {
        const RateEstimate& estimate = last->estimate;
        outcome.errorPpm = estimate.ppm - truth;
        outcome.boundPpm = estimate.boundPpm;
        outcome.inBound = std::abs(outcome.errorPpm) <= estimate.boundPpm;
        // Two values the final bound cannot tell apart both count.
        outcome.onBest =
            model.trim == outcome.found && (outcome.found == outcome.best ||
                                            (std::abs(trueAt(outcome.found)) <= estimate.boundPpm &&
                                             std::abs(trueAt(outcome.best)) <= estimate.boundPpm));
    }
    if ((!outcome.onBest || (outcome.estimated && !outcome.inBound)) && failures) {
        std::fprintf(failures,
                     "%s controller %d: %s\n  found %d (controller at %d, true %.1f ppm), best %d "
                     "(true %.1f ppm), ended %s after %.0f s%s\n",
                     population, index, Describe(options).c_str(), outcome.found, model.trim,
                     trueAt(model.trim), outcome.best, trueAt(outcome.best),
                     outcome.ended ? "yes" : "no", outcome.seconds,
                     outcome.estimated && !outcome.inBound ? ", truth outside the final bound" : "");
        for (const wchar_t* line = SimFindControl(LogViewId)->text.c_str(); *line;) {
            const wchar_t* end = std::wcschr(line, L'\r');
            const std::size_t length = end ? static_cast<std::size_t>(end - line) : wcslen(line);
            std::fprintf(failures, "  | %s\n", Narrow(std::wstring(line, length)).c_str());
            line += length + (end ? 1 : 0);
        }
    }
    return outcome;
}

void ReportAutoTrim(const char* title, const std::vector<TrimOutcome>& outcomes) {
    int onBest = 0, ended = 0, estimated = 0, inBound = 0, farthest = 0;
    std::vector<double> seconds, errors;
    for (const TrimOutcome& outcome : outcomes) {
        onBest += outcome.onBest;
        ended += outcome.ended;
        farthest = std::max(farthest, outcome.stepsFromBest);
        seconds.push_back(outcome.seconds);
        if (outcome.estimated) {
            ++estimated;
            inBound += outcome.inBound;
            errors.push_back(std::abs(outcome.errorPpm));
        }
    }
    const std::size_t n = outcomes.size();
    std::printf("%s, %zu controllers\n", title, n);
    std::printf("   ended by itself                       %d (%.1f %%)\n", ended, Share(ended, n));
    std::printf("   ended on the best CLOCKTRIM value     %d (%.1f %%)\n", onBest,
                Share(onBest, n));
    std::printf("   virtual time to finish                median %.0f s, largest %.0f s\n",
                Percentile(seconds, 0.5), *std::max_element(seconds.begin(), seconds.end()));
    for (const std::int64_t latency : Latencies) {
        std::vector<double> behind;
        int behindOnBest = 0;
        for (const TrimOutcome& outcome : outcomes)
            if (outcome.latency == latency) {
                behind.push_back(outcome.seconds);
                behindOnBest += outcome.onBest;
            }
        if (!behind.empty())
            std::printf("     behind a %2lld ms adapter              median %.0f s, largest %.0f s "
                        "(%zu, %.1f %% on the best value)\n",
                        static_cast<long long>(latency / Millisecond), Percentile(behind, 0.5),
                        *std::max_element(behind.begin(), behind.end()), behind.size(),
                        Share(behindOnBest, behind.size()));
    }
    std::printf("   final estimate |error| (ppm)          p50 %.2f, p95 %.2f, largest %.2f "
                "(%d estimates)\n",
                Percentile(errors, 0.5), Percentile(errors, 0.95),
                errors.empty() ? NAN : *std::max_element(errors.begin(), errors.end()), estimated);
    std::printf("   truth within the stated bound         %d (%.1f %%)\n", inBound,
                Share(inBound, static_cast<std::size_t>(estimated)));
    std::printf("   final advice from the best value      at most %d step%s\n\n", farthest,
                farthest == 1 ? "" : "s");
}

// ---- Parts 2 and 3: one timing run, read after k intervals --------------------------------------

// What the program would have known after k intervals of a run, and the truth over them.
struct Reading {
    double truthPpm = 0.0;
    RateEstimate estimate;
    double averagePpm = 0.0; // the two-end average's
};
using Readings = Reading[std::size(IntervalCounts)];

// One timing run of 20 intervals at the default interval at CLOCKTRIM 0, in a fresh session (no
// earlier run), read after each interval count.
bool TimingRun(const MicromiteOptions& options, Readings& readings) {
    const MicromiteModel& model = NewSession(options);
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    SimScheduleClose(CloseAt);
    RunTockmeter();
    if (SessionRuns().empty() || SessionRuns().back().stamps.size() < MostIntervals + 1u)
        return false;
    const std::vector<TickStamp>& stamps = SessionRuns().back().stamps;
    for (std::size_t i = 0; i < std::size(IntervalCounts); ++i) {
        const int k = IntervalCounts[i];
        Reading& reading = readings[i];
        if (!TruePpm(model, stamps[0].seconds, stamps[k].seconds, reading.truthPpm))
            return false;
        const std::vector<TickStamp> first(stamps.begin(), stamps.begin() + k + 1);
        // As the program estimates a run's first rate: with a USB frame of lateness allowed.
        reading.estimate = EstimateRate(first, NominalSeconds, UsbFrameSeconds,
                                        CoarsestAdapterGridSeconds);
        const double average = (stamps[k].seconds - stamps[0].seconds) / k;
        reading.averagePpm = (NominalSeconds / average - 1.0) * 1e6;
    }
    return true;
}

bool InBound(const Reading& reading) {
    return std::abs(reading.estimate.ppm - reading.truthPpm) <= reading.estimate.boundPpm;
}

// ---- Part 2 ------------------------------------------------------------------------------------

struct Errors {
    std::vector<double> estimator, average;
    int estimatorGood = 0, averageGood = 0, inBound = 0, known = 0, runs = 0;
};

void AddErrors(const Readings& readings, Errors (&errors)[std::size(IntervalCounts)]) {
    for (std::size_t i = 0; i < std::size(IntervalCounts); ++i) {
        const Reading& reading = readings[i];
        Errors& e = errors[i];
        const double averageError = reading.averagePpm - reading.truthPpm;
        ++e.runs;
        e.average.push_back(std::abs(averageError));
        e.averageGood += std::abs(averageError) <= GoodPpm;
        if (reading.estimate.known) {
            const double error = reading.estimate.ppm - reading.truthPpm;
            ++e.known;
            e.estimator.push_back(std::abs(error));
            e.estimatorGood += std::abs(error) <= GoodPpm;
            e.inBound += InBound(reading);
        }
    }
}

void ReportIntervals(std::int64_t latency, const Errors (&errors)[std::size(IntervalCounts)]) {
    for (std::size_t i = 0; i < std::size(IntervalCounts); ++i) {
        const Errors& e = errors[i];
        std::printf("   %2lld ms   %2d     %6.2f %6.2f  %5.1f %%   %5.1f %%   |  %6.2f %6.2f  "
                    "%5.1f %%   (%d runs, %d estimates)\n",
                    static_cast<long long>(latency / Millisecond), IntervalCounts[i],
                    Percentile(e.estimator, 0.5), Percentile(e.estimator, 0.95),
                    Share(e.estimatorGood, static_cast<std::size_t>(e.known)),
                    Share(e.inBound, static_cast<std::size_t>(e.known)), Percentile(e.average, 0.5),
                    Percentile(e.average, 0.95),
                    Share(e.averageGood, static_cast<std::size_t>(e.runs)), e.runs, e.known);
    }
}

// Part 2 on the clean line, at each latency for the same controllers.
void ReportRates(int controllers, unsigned long long seed) {
    std::printf("2. The rate after 5, 10 and 20 intervals of 10 s, against the truth; |error| in "
                "ppm\n");
    std::printf("   latency  k    estimator p50 p95  <=5 ppm  in bound  |  two-end average p50 "
                "p95  <=5 ppm\n");
    int incomplete = 0;
    for (const std::int64_t latency : Latencies) {
        Random same{std::mt19937_64(seed + 1)};
        Errors errors[std::size(IntervalCounts)];
        for (int i = 0; i < controllers; ++i) {
            Readings readings;
            const MicromiteOptions options = DrawController(same);
            if (TimingRun(BehindAdapter(options, latency, same), readings))
                AddErrors(readings, errors);
            else
                ++incomplete;
        }
        ReportIntervals(latency, errors);
    }
    if (incomplete > 0)
        std::printf("   %d runs gave fewer than %d intervals and are left out\n", incomplete,
                    MostIntervals);
}

// ---- Part 3 ------------------------------------------------------------------------------------

// Nearly trimmed chips: the state every trim ends in and in which a chip is checked again. Behind
// a 16 ms adapter such a chip's lines may keep their place between two expiries for a whole run.
constexpr double NearlyTrimmedPpm = 100.0;

struct Bounds {
    std::vector<double> widths; // the bound's ± in ppm
    int inBound = 0, unseenGrid = 0, known = 0, runs = 0;
};

void LogOutOfBound(std::FILE* failures, int index, const MicromiteOptions& options,
                   const Readings& readings) {
    for (std::size_t i = 0; i < std::size(IntervalCounts); ++i) {
        const Reading& reading = readings[i];
        if (!reading.estimate.known || InBound(reading))
            continue;
        const RateEstimate& e = reading.estimate;
        std::fprintf(failures,
                     "nearly trimmed controller %d after %d intervals: %s\n  estimate %+.2f ppm "
                     "+-%.2f, true %+.2f ppm (%.2f ppm outside); lateness %.3f ms, stamp grid "
                     "%.0f ms, unseen grid %.0f ms, %d stamps used, %d set aside\n",
                     index, IntervalCounts[i], Describe(options).c_str(), e.ppm, e.boundPpm,
                     reading.truthPpm, std::abs(e.ppm - reading.truthPpm) - e.boundPpm,
                     e.latenessSeconds * 1e3, e.stampGridSeconds * 1e3,
                     e.unseenGridSeconds * 1e3, e.stampsUsed, e.stampsSetAside);
    }
}

void ReportNearlyTrimmed(int controllers, unsigned long long seed, std::FILE* failures) {
    std::printf("3. Nearly trimmed: within +-%.0f ppm at CLOCKTRIM 0, one run in a fresh session; "
                "the bound after 5, 10 and 20 intervals of 10 s\n",
                NearlyTrimmedPpm);
    std::printf("   latency  k    truth in bound   bound +-ppm p50 p95   unseen timer allowed\n");
    int incomplete = 0;
    for (const std::int64_t latency : Latencies) {
        // A stream of its own, apart from every other part's and seed's.
        std::seed_seq ofPart3{seed, 3ull};
        Random same{std::mt19937_64(ofPart3)};
        Bounds bounds[std::size(IntervalCounts)];
        for (int index = 0; index < controllers; ++index) {
            MicromiteOptions options = DrawController(same);
            options.baseErrorPpm = same.Uniform(-NearlyTrimmedPpm, NearlyTrimmedPpm);
            options = BehindAdapter(options, latency, same);
            Readings readings;
            if (!TimingRun(options, readings)) {
                ++incomplete;
                continue;
            }
            for (std::size_t i = 0; i < std::size(IntervalCounts); ++i) {
                const RateEstimate& estimate = readings[i].estimate;
                Bounds& b = bounds[i];
                ++b.runs;
                if (!estimate.known)
                    continue;
                ++b.known;
                b.inBound += InBound(readings[i]);
                b.widths.push_back(estimate.boundPpm);
                b.unseenGrid += estimate.unseenGridSeconds > 0.0;
            }
            if (failures)
                LogOutOfBound(failures, index, options, readings);
        }
        for (std::size_t i = 0; i < std::size(IntervalCounts); ++i) {
            const Bounds& b = bounds[i];
            std::printf("   %2lld ms   %2d     %4d (%5.1f %%)   %8.2f %8.2f   %4d (%5.1f %%)   "
                        "(%d runs, %d estimates)\n",
                        static_cast<long long>(latency / Millisecond), IntervalCounts[i],
                        b.inBound, Share(b.inBound, static_cast<std::size_t>(b.known)),
                        Percentile(b.widths, 0.5), Percentile(b.widths, 0.95), b.unseenGrid,
                        Share(b.unseenGrid, static_cast<std::size_t>(b.known)), b.runs, b.known);
        }
    }
    if (incomplete > 0)
        std::printf("   %d runs gave fewer than %d intervals and are left out\n", incomplete,
                    MostIntervals);
}

const char* const Usage = "usage: trim_bench [--controllers N] [--seed S] [--seeds K] [--failures FILE]\n"
                          "                  [--population clean|messy|both]\n";

} // namespace

int main(int argc, char** argv) {
    int controllers = 200;
    unsigned long long seed = 11;
    int seeds = 1; // part 1 over seed, seed + 1, ...; part 2 at the first
    const char* failuresPath = nullptr;
    bool clean = true, messy = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string value = argv[i + 1];
        if (std::strcmp(argv[i], "--controllers") == 0) {
            controllers = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--seed") == 0) {
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        } else if (std::strcmp(argv[i], "--seeds") == 0) {
            seeds = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--failures") == 0) {
            failuresPath = argv[i + 1];
        } else if (std::strcmp(argv[i], "--population") == 0 &&
                   (value == "clean" || value == "messy" || value == "both")) {
            clean = value != "messy";
            messy = value != "clean";
        } else {
            std::fputs(Usage, stderr);
            return 2;
        }
    }
    if (argc % 2 == 0) {
        std::fputs(Usage, stderr);
        return 2;
    }
    std::FILE* failures = failuresPath ? std::fopen(failuresPath, "w") : nullptr;
    const auto began = std::chrono::steady_clock::now();
    std::printf("Trimming in virtual time: seed %llu, %d controllers in each part\n", seed,
                controllers);
    if (seeds > 1)
        std::printf("Part 1 also at seeds %llu to %llu, %d controllers each\n", seed + 1,
                    seed + seeds - 1, controllers);
    std::printf("Controllers: base error uniform within +-15000 ppm, step 300 to 600 ppm, "
                "wander 0 to 3 ppm over 5 to 30 min,\nadapter latency 1 or 16 ms at a random "
                "phase, 38400 baud.\n");
    if (messy)
        std::printf("Messy line: the same controllers, half of them behind 16 ms of latency; "
                    "after 1 tick line in %d a stray\nline \"%s\" half way to the next, a zero "
                    "byte before 1 in %d, and 1 in %d lost.\n",
                    MessyStrayEvery, MicromiteOptions{}.strayLineText.c_str(), MessyZeroByteEvery,
                    MessyLostEvery);
    std::printf("\n");

    // Each seed's controllers apart, then, with several seeds, all of them together.
    std::vector<TrimOutcome> allClean, allMessy;
    for (unsigned long long s = seed; s < seed + seeds; ++s) {
        const std::string ofSeed = seeds > 1 ? ", seed " + std::to_string(s) : std::string();
        if (clean) {
            Random random{std::mt19937_64(s)};
            std::vector<TrimOutcome> outcomes;
            for (int i = 0; i < controllers; ++i)
                outcomes.push_back(AutoTrim(DrawController(random), failures, "clean", i));
            ReportAutoTrim(("1. Automatic trim" + ofSeed).c_str(), outcomes);
            allClean.insert(allClean.end(), outcomes.begin(), outcomes.end());
        }
        if (messy) {
            Random random{std::mt19937_64(s + 2)};
            std::vector<TrimOutcome> outcomes;
            for (int i = 0; i < controllers; ++i)
                outcomes.push_back(AutoTrim(DrawMessyController(random, i), failures, "messy", i));
            ReportAutoTrim(("1. Automatic trim on a messy line" + ofSeed).c_str(), outcomes);
            allMessy.insert(allMessy.end(), outcomes.begin(), outcomes.end());
        }
    }
    if (seeds > 1) {
        const std::string ofAll = ", seeds " + std::to_string(seed) + " to " +
                                  std::to_string(seed + seeds - 1) + " together";
        if (clean)
            ReportAutoTrim(("1. Automatic trim" + ofAll).c_str(), allClean);
        if (messy)
            ReportAutoTrim(("1. Automatic trim on a messy line" + ofAll).c_str(), allMessy);
    }
    const auto secondsSince = [](std::chrono::steady_clock::time_point from) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
    };
    double nearlyTrimmedTook = 0.0;
    if (clean) {
        ReportRates(controllers, seed);
        std::printf("\n");
        const auto nearlyTrimmedBegan = std::chrono::steady_clock::now();
        ReportNearlyTrimmed(controllers, seed, failures);
        nearlyTrimmedTook = secondsSince(nearlyTrimmedBegan);
    }
    std::printf("\n(%.0f s of real time", secondsSince(began));
    if (clean)
        std::printf(", %.0f s of it for part 3", nearlyTrimmedTook);
    std::printf(")\n");
    if (failures)
        std::fclose(failures);
    return 0;
}
