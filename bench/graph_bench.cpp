// The graph's redraw benchmark: the graph of a session of 100,000 measurements drawn anew, as
// the graph window draws it after a tick (the session's runs turned into the graph's data and
// painted on the window's picture, which is kept while the size stays), at the graph window's
// default size and at full screen, over the platform's own drawing (GDI natively on Windows and under Wine, cairo on
// Linux). Prints the median and the slowest of the redraws in milliseconds of the clock on the
// wall, and the mean of the thread's processor time, which a machine busy with other work
// changes less.
//
// Usage: graph_bench [--redraws N] [--png FOLDER]  (FOLDER: where each size's picture is
// written as graph-<width>x<height>.png, to look at)
#include "graph/graph_picture.h"
#include "measure/session_runs.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Measurements = 100000;
constexpr int Runs = 20;
constexpr double IntervalSeconds = 5.0;
constexpr double SessionStart = 20797.0 * 86400.0; // 2026-12-10 00:00:00

// A session as a long trim leaves it: runs of 5,000 stamps at 5 s, each at a CLOCKTRIM value
// nearer the best, the adapter's millisecond of lateness, and a stamp in a hundred late.
std::vector<MeasuredRun> Session() {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> lateness(0.0, 0.001);
    std::uniform_int_distribution<int> hundred(0, 99);
    std::vector<MeasuredRun> runs;
    double wallClock = SessionStart;
    for (int r = 0; r < Runs; ++r) {
        MeasuredRun run;
        run.trimKnown = true;
        run.trim = -(r % 6);
        run.intervalSeconds = IntervalSeconds;
        run.startedAt = static_cast<DateValue>(wallClock);
        const double ppm = 1410.0 + TypicalTrimStepPpm * run.trim;
        const double secondsPerTick = IntervalSeconds / (1.0 + ppm * 1e-6);
        const int stamps = Measurements / Runs;
        for (int tick = 0; tick < stamps; ++tick) {
            const bool late = tick > 0 && hundred(random) == 0;
            run.stamps.push_back({tick, tick * secondsPerTick + lateness(random) + (late ? 0.3 : 0.0),
                                  !late});
        }
        run.estimate = EstimateRate(run.stamps, IntervalSeconds, 0.001, CoarsestAdapterGridSeconds);
        run.ended = true;
        runs.push_back(run);
        wallClock += stamps * IntervalSeconds + 60.0;
    }
    return runs;
}

// The process's processor time in milliseconds, as the C library counts it (Wine counts it in
// coarse steps: only a mean over many redraws is told). The benchmark draws on one thread.
double ProcessorMilliseconds() {
    return static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int redraws = 20;
    std::string pngFolder;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--redraws") == 0)
            redraws = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--png") == 0)
            pngFolder = argv[i + 1];
    }
    const std::vector<MeasuredRun> runs = Session();
    const struct {
        const char* name;
        int width, height;
    } sizes[] = {{"default", 640, 480}, {"full screen", 1920, 1080}};
    std::printf("graph redraw of %d measurements in %d runs, %d redraws each\n", Measurements,
                Runs, redraws);
    for (const auto& size : sizes) {
        std::vector<double> milliseconds;
        double processor = 0.0;
        const Drawing picture = CreateDrawing(size.width, size.height);
        for (int i = 0; i <= redraws; ++i) { // the first one warms the caches and is not counted
            const auto start = std::chrono::steady_clock::now();
            const double processorStart = ProcessorMilliseconds();
            DrawGraph(picture, size.width, size.height, SessionGraphData(runs));
            if (i == redraws && !pngFolder.empty()) {
                const std::string png = DrawingAsPng(picture);
                std::ofstream(pngFolder + "/graph-" + std::to_string(size.width) + "x" +
                                  std::to_string(size.height) + ".png",
                              std::ios::binary)
                    .write(png.data(), static_cast<std::streamsize>(png.size()));
            }
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            if (i > 0 && !(i == redraws && !pngFolder.empty())) {
                milliseconds.push_back(took.count());
                processor += ProcessorMilliseconds() - processorStart;
            }
        }
        std::printf("%-12s %4d x %-4d  median %6.1f ms  slowest %6.1f ms  processor %6.1f ms\n",
                    size.name, size.width, size.height, Median(milliseconds),
                    *std::max_element(milliseconds.begin(), milliseconds.end()),
                    processor / static_cast<double>(milliseconds.size()));
        DeleteDrawing(picture);
    }
    return 0;
}
