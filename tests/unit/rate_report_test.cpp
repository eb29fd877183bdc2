// What the program learns from its runs: the CLOCKTRIM model, and the lines a run ends with.
#include "app/lifecycle.h"
#include "calibration/rate_report.h"
#include "measure/trim_model.h"
#include "timing_fixture.h"
#include "window/control_ids.h"

#include <algorithm>
#include <regex>

namespace {

TEST(TrimModelTest, AssumesTheTypicalStepUntilTwoValuesAreMeasured) {
    const struct {
        const char* what;
        std::vector<TrimMeasurement> measured;
        bool fitted;
        double stepPpm, basePpm;
        int advised;
    } cases[] = {
        {"one value", {{0, 940.0, 1.0}}, false, TypicalTrimStepPpm, 940.0, -2},
        {"one value, twice",
         {{3, 100.0, 1.0}, {3, 110.0, 1.0}},
         false,
         TypicalTrimStepPpm,
         105.0 - 3 * TypicalTrimStepPpm,
         3},
        {"two values", {{0, 345.0, 1.0}, {-1, 230.0, 1.0}}, true, 115.0, 345.0, -3},
        {"three values, the poor one weighs little",
         {{0, 345.0, 1.0}, {-3, 0.0, 1.0}, {2, 900.0, 400.0}},
         true,
         115.0,
         345.0,
         -3},
        {"a step that comes out negative is not believed",
         {{0, 100.0, 50.0}, {1, 90.0, 50.0}},
         false,
         TypicalTrimStepPpm,
         95.0 - 0.5 * TypicalTrimStepPpm,
         0},
        {"beyond the fast end",
         {{0, 20000.0, 1.0}, {-1, 19600.0, 1.0}},
         true,
         400.0,
         20000.0,
         LowestClockTrim},
        {"beyond the slow end",
         {{0, -20000.0, 1.0}},
         false,
         TypicalTrimStepPpm,
         -20000.0,
         HighestClockTrim},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TrimModel model = FitTrimModel(c.measured);
        ASSERT_TRUE(model.known);
        EXPECT_EQ(model.stepFitted, c.fitted);
        EXPECT_NEAR(model.stepPpm, c.stepPpm, 0.5);
        EXPECT_NEAR(model.basePpm, c.basePpm, 0.5);
        EXPECT_EQ(AdvisedTrim(model), c.advised);
    }
    EXPECT_FALSE(FitTrimModel({}).known);
}

using RateReportTest = MicromiteRunTest;

struct RateLine {
    int trim;
    double ppm, bound;
    int intervals;
};

// The rate lines of the log, in order.
std::vector<RateLine> RateLines() {
    static const std::wregex rate(
        L"Rate at CLOCKTRIM (-?\\d+): (\\d+\\.\\d) ppm (fast|slow) \u00B1(\\d+\\.\\d) "
        L"\\((\\d+) intervals\\)\\.");
    std::vector<RateLine> lines;
    for (const std::wstring& line : LogLines()) {
        std::wsmatch match;
        if (std::regex_match(line, match, rate))
            lines.push_back({std::stoi(match[1]),
                             std::stod(match[2]) * (match[3] == L"fast" ? 1 : -1),
                             std::stod(match[4]), std::stoi(match[5])});
    }
    return lines;
}

TEST_F(RateReportTest, EachRunEndsWithItsRateAndTheAdviceOfTheSession) {
    // A run at CLOCKTRIM 0, then one at -1 (the list's items run from 32 down).
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    const std::int64_t stopAt = StartAt + 106 * Seconds;
    SimSchedulePressButton(stopAt, StopButtonId);
    SimScheduleChooseListItem(stopAt + Seconds, ClockTrimListId, 33);
    SimSchedulePressButton(stopAt + 2 * Seconds, UploadButtonId);
    SimSchedulePressButton(stopAt + 12 * Seconds, StartButtonId);
    SimScheduleClose(stopAt + 12 * Seconds + 56 * Seconds);
    RunTockmeter();

    const std::vector<RateLine> rates = RateLines();
    ASSERT_EQ(rates.size(), 2u);
    const double truth[] = {ClockErrorPpm, ClockErrorPpm - micromite->options.trimStepPpm};
    EXPECT_EQ(rates[0].trim, 0);
    EXPECT_EQ(rates[1].trim, -1);
    EXPECT_EQ(rates[0].intervals, 10);
    EXPECT_EQ(rates[1].intervals, 5); // ended by the close, after the settings were saved
    // Exact stamps put the rate right; the bound still allows for the USB frame of a real
    // adapter (1 ms over the run).
    for (int run = 0; run < 2; ++run) {
        EXPECT_NEAR(rates[run].ppm, truth[run], 0.1) << run;
        EXPECT_LT(rates[run].bound, 25.0) << run;
    }
    // After one value the typical step is assumed; after two it is fitted.
    const std::vector<std::wstring> log = LogLines();
    const auto stopped = std::find(log.begin(), log.end(), L"Time check stopped.");
    ASSERT_LE(stopped + 5, log.end());
    EXPECT_EQ(stopped[2], L"Step assumed 470.0 ppm per CLOCKTRIM: one value measured.");
    EXPECT_EQ(stopped[3], L"Advice: CLOCKTRIM -1, expected 220.0 ppm slow.");
    EXPECT_EQ(stopped[4], L"To keep it, start your program with OPTION CLOCKTRIM -1.");
    EXPECT_EQ(log[log.size() - 3], L"Step 460.0 ppm per CLOCKTRIM, fitted over -1 to 0.");
    EXPECT_EQ(log[log.size() - 2], L"Advice: CLOCKTRIM -1, expected 210.0 ppm slow.");
    EXPECT_EQ(log.back(), L"To keep it, start your program with OPTION CLOCKTRIM -1.");
}

TEST_F(RateReportTest, TheRateCanBeShownDuringARunWhichGoesOn) {
    SimScheduleMenuCommand(UploadAt / 2, ShowRateCommandId);
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    SimScheduleMenuCommand(StartAt + 33 * Seconds, ShowRateCommandId);
    SimScheduleClose(StartAt + 65 * Seconds);
    RunTockmeter();

    const std::vector<std::wstring> log = LogLines();
    EXPECT_EQ(log[0], L"No rate yet: upload the tick program, then start a timing run.");
    const std::vector<RateLine> rates = RateLines();
    ASSERT_EQ(rates.size(), 2u);
    EXPECT_EQ(rates[0].intervals, 3);
    EXPECT_LE(std::abs(rates[0].ppm - ClockErrorPpm), rates[0].bound + 0.05);
    EXPECT_EQ(rates[1].intervals, 6);
    EXPECT_EQ(TickLinesOfLastRun().size(), 6u);
}

// A nearly trimmed chip behind a 16 ms adapter: its lines keep their place between two expiries
// of the adapter's timer, so the stamps sit on the nominal schedule and show no lateness. The
// bound still holds the truth, and the log says why it is wide and what would narrow it.
struct NearlyTrimmed {
    double ratePpm;
    std::int64_t adapterPhaseNanoseconds;
};

class NearlyTrimmedChipTest : public AppTest, public testing::WithParamInterface<NearlyTrimmed> {};

TEST_P(NearlyTrimmedChipTest, BehindA16MsAdapterTheBoundHoldsTheTruthAndSaysWhy) {
    MicromiteOptions options;
    options.baseErrorPpm = GetParam().ratePpm;
    options.adapterLatencyNanoseconds = 16 * Milliseconds;
    options.adapterPhaseNanoseconds = GetParam().adapterPhaseNanoseconds;
    SimConnectMicromite(L"COM7", options);
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    SimSchedulePressButton(StartAt + 205 * Seconds, StopButtonId);
    SimScheduleClose(StartAt + 210 * Seconds);
    RunTockmeter();

    const std::vector<RateLine> rates = RateLines();
    ASSERT_EQ(rates.size(), 1u);
    EXPECT_EQ(rates[0].intervals, 20);
    EXPECT_LE(std::abs(rates[0].ppm - GetParam().ratePpm), rates[0].bound + 0.05);
    const std::vector<std::wstring> log = LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        L"The bound allows for a 16 ms adapter timer that these stamps cannot show: "
                        L"more intervals, a longer interval or an adapter set to low latency would "
                        L"narrow it."),
              log.end());
}

INSTANTIATE_TEST_SUITE_P(Chips, NearlyTrimmedChipTest,
                         testing::Values(NearlyTrimmed{25.0, 0}, NearlyTrimmed{25.0, 8 * Milliseconds},
                                         NearlyTrimmed{-20.0, 4 * Milliseconds},
                                         NearlyTrimmed{-20.0, 12 * Milliseconds},
                                         NearlyTrimmed{-50.0, 4 * Milliseconds},
                                         NearlyTrimmed{-50.0, 8 * Milliseconds}));

} // namespace
