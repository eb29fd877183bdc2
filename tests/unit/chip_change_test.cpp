// One chip at a time: a run of another chip never shares a model with the runs before it.
#include "app/lifecycle.h"
#include "calibration/measured_run.h"
#include "measure/chip_fit.h"
#include "rated_run.h"
#include "sim/micromite_model.h"
#include "timing_fixture.h"
#include "window/control_ids.h"

#include <algorithm>

namespace {

TEST(ChipFit, ARateBelongsWhenAStepOfAnyChipJoinsItToTheEarlierOnes) {
    const std::vector<MeasuredRun> chip = {RunAt(0, 345.0, 5.0), RunAt(-2, 115.0, 5.0)};
    const struct {
        const char* what;
        MeasuredRun run;
        bool fits;
    } cases[] = {
        {"the same value again, warmer", RunAt(0, 370.0, 5.0), true},
        {"the same value, far off", RunAt(0, 900.0, 5.0), false},
        {"a value up, a step of 655 ppm", RunAt(1, 1000.0, 5.0), true},
        {"a value up, and slower", RunAt(1, -1885.0, 10.2), false},
        {"a value up, a step no chip has", RunAt(1, 3000.0, 5.0), false},
        {"a loose rate that may still be the chip's", RunAt(1, 300.0, 200.0), true},
        {"no CLOCKTRIM known", MeasuredRun{}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RateFitsChip(chip, c.run), c.fits) << c.what;
    EXPECT_TRUE(RateFitsChip({}, RunAt(5, -9000.0, 1.0)));
}

// Chip A (345 ppm fast at 0, 115 ppm a step) measured at 0 and -2; then the chip changes in one
// of the ways below, and chip B is measured at +1. The advice after it is chip B's alone.
struct ChipChange {
    const char* what;
    double chipBBasePpm;     // at CLOCKTRIM 0
    bool unplugDuringRun;    // chip A's second run ends with its port lost; chip B is plugged in
    bool restartDuringRun;   // chip A powers anew during its second run, as chip B
    bool newChipCommand;     // the user says so between the runs
    const wchar_t* why;      // the reason the log gives
    const wchar_t* advice;
};

class ChipChangeTest : public AppTest, public testing::WithParamInterface<ChipChange> {};

TEST_P(ChipChangeTest, TheRunsOfTheNextChipAreAdvisedAlone) {
    const ChipChange& c = GetParam();
    MicromiteOptions chipA;
    chipA.baseErrorPpm = 345.0;
    chipA.trimStepPpm = 115.0;
    MicromiteModel* micromite = &SimConnectMicromite(L"COM7", chipA);
    MicromiteOptions chipB = chipA;
    chipB.baseErrorPpm = c.chipBBasePpm;

    // The CLOCKTRIM list runs from 32 down: item 32 is 0, 34 is -2, 31 is +1.
    std::int64_t at = UploadAt;
    const auto uploadAndRun = [&](int listItem, std::int64_t seconds) {
        SimScheduleChooseListItem(at - Seconds / 2, ClockTrimListId, listItem);
        SimSchedulePressButton(at, UploadButtonId);
        SimSchedulePressButton(at + 9 * Seconds, StartButtonId);
        SimSchedulePressButton(at + 10 * Seconds + seconds * Seconds + Seconds / 2, StopButtonId);
        at += 10 * Seconds + seconds * Seconds + 3 * Seconds;
    };
    uploadAndRun(32, 60);
    const std::int64_t secondRunAt = at;
    uploadAndRun(34, 60);
    if (c.unplugDuringRun) {
        SimScheduleComUnplug(L"COM7", secondRunAt + 40 * Seconds);
        SimScheduleAction(at - Seconds, [&] { micromite = &SimConnectMicromite(L"COM7", chipB); });
    } else if (c.restartDuringRun) {
        micromite->options.restartAtNanoseconds = secondRunAt + 40 * Seconds;
        // Its program stops there, so the new clock takes effect from the next RUN.
        SimScheduleAction(secondRunAt + 41 * Seconds,
                          [&] { micromite->options.baseErrorPpm = c.chipBBasePpm; });
    } else {
        // Between runs the program is stopped: the new clock takes effect from the next RUN.
        SimScheduleAction(at - Seconds, [&] { micromite->options.baseErrorPpm = c.chipBBasePpm; });
    }
    if (c.newChipCommand)
        SimScheduleMenuCommand(at - Seconds, NewChipCommandId);
    uploadAndRun(31, 60);
    SimScheduleClose(at);
    RunTockmeter();

    const std::vector<std::wstring> log = LogLines();
    const std::wstring said =
        std::wstring(L"New chip from here: ") + c.why + L". Its runs are kept apart from those before.";
    EXPECT_EQ(std::count(log.begin(), log.end(), said), 1);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::wstring& line) {
                                return line.rfind(L"New chip from here: ", 0) == 0;
                            }),
              1);
    ASSERT_FALSE(SessionRuns().empty());
    EXPECT_EQ(SessionRuns().back().chip, 2);
    EXPECT_EQ(SessionRuns().front().chip, 1);
    const auto advice = std::find_if(log.rbegin(), log.rend(), [](const std::wstring& line) {
        return line.rfind(L"Advice: ", 0) == 0;
    });
    ASSERT_NE(advice, log.rend());
    EXPECT_EQ(advice->substr(0, std::wstring(c.advice).size()), c.advice) << *advice;
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ChipChangeTest,
    testing::Values(
        ChipChange{"a rate no step joins", -2000.0, false, false, false,
                   L"the rate at CLOCKTRIM 1 cannot belong to the chip measured before",
                   L"Advice: CLOCKTRIM 5,"},
        ChipChange{"the port lost", 885.0, true, false, false, L"the Micromite's port was lost",
                   L"Advice: CLOCKTRIM -1,"},
        ChipChange{"powered anew", 885.0, false, true, false,
                   L"the Micromite started up afresh (its banner came)", L"Advice: CLOCKTRIM -1,"},
        ChipChange{"the user says so", 885.0, false, false, true, L"as you chose",
                   L"Advice: CLOCKTRIM -1,"}),
    [](const testing::TestParamInfo<ChipChange>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)))
                name += *c;
        return name;
    });

} // namespace
