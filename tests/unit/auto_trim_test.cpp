// The automatic trim, run by the whole program against simulated controllers in virtual time:
// where it ends, how Stop and the close request end it, and how it gives up.
#include "app/lifecycle.h"
#include "calibration/auto_trim.h"
#include "calibration/late_wake.h"
#include "calibration/measured_run.h"
#include "state/app_state.h"
#include "timing_fixture.h"
#include "window/control_ids.h"

#include <algorithm>
#include <functional>
#include <regex>

namespace {

constexpr std::int64_t TrimAt = 1 * Seconds;
constexpr std::int64_t Minute = 60 * Seconds;

class AutoTrimTest : public AppTest {
protected:
    MicromiteModel& ConnectController(double basePpm, double stepPpm) {
        MicromiteOptions options;
        options.baseErrorPpm = basePpm;
        options.trimStepPpm = stepPpm;
        micromite = &SimConnectMicromite(L"COM7", options);
        return *micromite;
    }

    // Trims from the menu and closes the window a second after the search has ended; gives
    // the virtual time the search took, or -1 when it did not end within the limit.
    std::int64_t TrimAndClose(std::int64_t limit = 20 * Minute) {
        SimScheduleMenuCommand(TrimAt, TrimAutomaticallyCommandId);
        std::int64_t took = -1;
        std::function<void()> check = [&] {
            if (!AutoTrimActive() || SimNowNanoseconds() > limit) {
                took = AutoTrimActive() ? -1 : SimNowNanoseconds() - TrimAt;
                SimScheduleClose(SimNowNanoseconds() + Seconds);
                return;
            }
            SimScheduleAction(SimNowNanoseconds() + Seconds, check);
        };
        SimScheduleAction(TrimAt + Seconds, check);
        RunTockmeter();
        return took;
    }

    // The CLOCKTRIM values the controller was sent, in order.
    std::vector<std::string> TrimsUploaded() const {
        std::vector<std::string> trims;
        for (const MicromiteReceived& piece : micromite->record.received)
            if (piece.bytes.rfind("OPTION CLOCKTRIM ", 0) == 0)
                trims.push_back(piece.bytes.substr(17, piece.bytes.size() - 18));
        return trims;
    }

    // What a list showed when the window closed.
    static std::wstring Shown(int listId) {
        const SimControl* list = SimFindControl(listId);
        return list->selected >= 0 ? list->items[list->selected] : std::wstring();
    }

    bool Logged(const std::wstring& line) const {
        const std::vector<std::wstring> log = LogLines();
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    bool LoggedStartingWith(const std::wstring& start) const {
        const std::vector<std::wstring> log = LogLines();
        return std::any_of(log.begin(), log.end(),
                           [&](const std::wstring& line) { return line.rfind(start, 0) == 0; });
    }

    MicromiteModel* micromite = nullptr;
};

TEST_F(AutoTrimTest, EndsOnTheValueThatKeepsTimeAndLeavesItUploaded) {
    const struct {
        double basePpm, stepPpm;
        int best;
    } cases[] = {
        {345.0, 115.0, -3},    // the run command's controller
        {-5000.0, 450.0, 11},  // slow, with a step near the typical one
        {-14500.0, 590.0, 25}, // far slow, large steps: the typical step undershoots
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.basePpm);
        SetUp();
        const MicromiteModel& controller = ConnectController(c.basePpm, c.stepPpm);
        const std::int64_t took = TrimAndClose();
        ASSERT_GT(took, 0);
        EXPECT_LT(took, 6 * Minute);
        const std::wstring best = std::to_wstring(c.best);
        EXPECT_EQ(App.ClockTrim, best);
        EXPECT_EQ(Shown(ClockTrimListId), best);
        EXPECT_EQ(TrimsUploaded().back(), std::to_string(c.best));
        EXPECT_EQ(controller.trim, c.best);
        // The chosen interval is back, and the controller holds the program at it.
        EXPECT_EQ(App.TimeInterval, L"10");
        EXPECT_EQ(Shown(IntervalListId), L"10");
        EXPECT_NE(controller.mode, MicromiteMode::Running);
        EXPECT_NE(controller.program.find("interval = 10\r\n"), std::string::npos);
        const std::vector<std::wstring> log = LogLines();
        const auto done = std::find_if(log.begin(), log.end(), [&](const std::wstring& line) {
            return line.rfind(L"Automatic trim done: CLOCKTRIM " + best + L", measured ", 0) == 0;
        });
        ASSERT_NE(done, log.end());
        EXPECT_EQ(log.back(),
                  L"To keep it, start your program with OPTION CLOCKTRIM " + best + L".");
    }
}

// A chip the firmware's range cannot bring to zero: the search ends on the nearest end, says how
// far off that leaves it rather than call the trim done, and leaves that end uploaded.
TEST_F(AutoTrimTest, AChipBeyondTheRangeEndsSayingHowFarOffTheNearestEndLeavesIt) {
    const struct {
        double basePpm, stepPpm;
        int end;
    } cases[] = {
        {14000.0, 310.0, -31}, // fast: 4390 ppm at -31
        {-16000.0, 400.0, 31}, // slow: 3600 ppm at 31
    };
    const std::wregex endLine(L"Automatic trim ended: CLOCKTRIM (-?\\d+) is as far as the firmware "
                              L"goes and leaves the Micromite (\\d+\\.\\d) ppm (fast|slow) "
                              L"\u00B1(\\d+\\.\\d)\\.");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.basePpm);
        SetUp();
        const MicromiteModel& controller = ConnectController(c.basePpm, c.stepPpm);
        ASSERT_GT(TrimAndClose(), 0);
        const std::wstring end = std::to_wstring(c.end);
        EXPECT_EQ(App.ClockTrim, end);
        EXPECT_EQ(Shown(ClockTrimListId), end);
        EXPECT_EQ(controller.trim, c.end);
        EXPECT_NE(controller.program.find("interval = 10\r\n"), std::string::npos);
        EXPECT_FALSE(LoggedStartingWith(L"Automatic trim done"));
        const std::vector<std::wstring> log = LogLines();
        std::wsmatch match;
        const auto said = std::find_if(log.begin(), log.end(), [&](const std::wstring& line) {
            return std::regex_match(line, match, endLine);
        });
        ASSERT_NE(said, log.end());
        EXPECT_EQ(match[1].str(), end);
        const double ppm = std::stod(match[2]) * (match[3] == L"fast" ? 1.0 : -1.0);
        EXPECT_NEAR(ppm, c.basePpm + c.stepPpm * c.end, std::stod(match[4]));
        EXPECT_EQ(log.back(),
                  L"To keep it, start your program with OPTION CLOCKTRIM " + end + L".");
    }
}

// An interval the list does not offer (from the settings file) is the user's choice too.
TEST_F(AutoTrimTest, AnIntervalTheListDoesNotOfferIsPutBack) {
    SimPutFile(SettingsPath, "[micromite]\r\nTime interval = 7\r\n");
    const MicromiteModel& controller = ConnectController(345.0, 115.0);
    ASSERT_GT(TrimAndClose(), 0);
    EXPECT_EQ(App.TimeInterval, L"7");
    EXPECT_EQ(Shown(IntervalListId), L"");
    EXPECT_NE(controller.program.find("interval = 7\r\n"), std::string::npos);
}

TEST_F(AutoTrimTest, StopDuringAnUploadEndsItWhenTheUploadReturns) {
    ConnectController(345.0, 115.0);
    // The upload begins 200 ms after the command and lasts 53 line delays.
    SimScheduleMenuCommand(TrimAt, TrimAutomaticallyCommandId);
    SimSchedulePressButton(TrimAt + 3 * Seconds, StopButtonId);
    bool activeDuringUpload = false;
    SimScheduleAction(TrimAt + 5 * Seconds, [&] { activeDuringUpload = AutoTrimActive(); });
    SimScheduleClose(TrimAt + 2 * Minute);
    RunTockmeter();

    EXPECT_TRUE(activeDuringUpload);
    EXPECT_EQ(TrimsUploaded().size(), 1u);
    EXPECT_EQ(LastLogLine(), L"Automatic trim stopped.");
    EXPECT_FALSE(Logged(L"Time check started."));
    EXPECT_EQ(App.TimeInterval, L"10");
}

TEST_F(AutoTrimTest, StopOrCloseDuringAMeasurementEndsItAtOnce) {
    // The first measurement's first line comes about 9.5 s after the command, the next ones
    // every 5 s; the wait for each begins 300 ms before it.
    const struct {
        const char* how;
        std::int64_t at;
        bool close;
    } cases[] = {
        {"Stop between two lines", TrimAt + 12 * Seconds, false},
        {"Stop while a line is awaited", TrimAt + 14 * Seconds + 400 * Milliseconds, false},
        {"close between two lines", TrimAt + 12 * Seconds, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        SetUp();
        ConnectController(-5000.0, 450.0);
        SimScheduleMenuCommand(TrimAt, TrimAutomaticallyCommandId);
        if (c.close)
            SimScheduleClose(c.at);
        else
            SimSchedulePressButton(c.at, StopButtonId);
        bool endedSoon = false;
        SimScheduleAction(c.at + 6 * Seconds,
                          [&] { endedSoon = !AutoTrimActive() && App.RunActive == 0; });
        if (!c.close)
            SimScheduleClose(c.at + Minute);
        RunTockmeter();

        EXPECT_TRUE(endedSoon || c.close);
        EXPECT_EQ(TrimsUploaded().size(), 1u);
        EXPECT_TRUE(Logged(L"Time check stopped."));
        EXPECT_TRUE(Logged(L"Automatic trim stopped."));
        // The search's interval never reaches the settings file.
        std::string saved;
        ASSERT_TRUE(SimGetFile(SettingsPath, saved));
        EXPECT_NE(saved.find("Time interval = 10"), std::string::npos);
    }
}

// A list's choice, Prog or Start during a measurement ends the search first, saying why, and puts
// the user's interval back; the choice then wins over it. No value is called found, and the run
// after it is measured at the interval the controller runs (the search's 3 s until Prog uploads
// anew), every stamp on time.
TEST_F(AutoTrimTest, AChoiceOrAButtonDuringItEndsItFirstAndTheNextRunKeepsTime) {
    // The first measurement's lines come about 9.5 s after the command, then every 3 s.
    constexpr std::int64_t ActAt = TrimAt + 20 * Seconds;
    constexpr std::int64_t StartAfterAt = TrimAt + 40 * Seconds;
    const struct {
        const char* what;
        std::function<void()> act;
        bool startAfter;
        const wchar_t* why;
        const wchar_t* interval;
        double runsAt;
    } cases[] = {
        {"the interval list", [] { SimScheduleChooseListItem(ActAt, IntervalListId, 4); }, true,
         L"Automatic trim stopped: the interval list was changed.", L"60", 3.0},
        {"the CLOCKTRIM list", [] { SimScheduleChooseListItem(ActAt, ClockTrimListId, 40); }, true,
         L"Automatic trim stopped: the CLOCKTRIM list was changed.", L"10", 3.0},
        {"Prog", [] { SimSchedulePressButton(ActAt, UploadButtonId); }, true,
         L"Automatic trim stopped: Prog was pressed.", L"10", 10.0},
        {"Start", [] { SimSchedulePressButton(ActAt, StartButtonId); }, false,
         L"Automatic trim stopped: Start was pressed.", L"10", 3.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        ConnectController(345.0, 115.0);
        SimScheduleMenuCommand(TrimAt, TrimAutomaticallyCommandId);
        c.act();
        if (c.startAfter)
            SimSchedulePressButton(StartAfterAt, StartButtonId);
        bool searching = true;
        SimScheduleAction(ActAt + Seconds, [&] { searching = AutoTrimActive(); });
        SimSchedulePressButton(TrimAt + 100 * Seconds, StopButtonId);
        SimScheduleClose(TrimAt + 105 * Seconds);
        RunTockmeter();

        EXPECT_FALSE(searching);
        EXPECT_TRUE(Logged(c.why));
        EXPECT_FALSE(LoggedStartingWith(L"Automatic trim done"));
        EXPECT_EQ(App.TimeInterval, c.interval);
        EXPECT_EQ(Shown(IntervalListId), c.interval);
        const MeasuredRun& run = SessionRuns().back();
        EXPECT_EQ(run.intervalSeconds, c.runsAt);
        EXPECT_TRUE(run.estimate.known);
        EXPECT_GE(run.stamps.size(), 6u);
        EXPECT_TRUE(std::all_of(run.stamps.begin(), run.stamps.end(),
                                [](const TickStamp& stamp) { return stamp.trusted; }));
        EXPECT_FALSE(LoggedStartingWith(LateStampPrefix));
    }
}

TEST_F(AutoTrimTest, ASessionEndDuringItSavesTheChosenInterval) {
    ConnectController(-5000.0, 450.0);
    SimScheduleMenuCommand(TrimAt, TrimAutomaticallyCommandId);
    const std::int64_t endAt = TrimAt + 20 * Seconds;
    SimScheduleSessionEnd(endAt);
    std::string saved;
    bool searching = false;
    SimScheduleAction(endAt + 1, [&] {
        SimGetFile(SettingsPath, saved);
        searching = AutoTrimActive() && App.TimeInterval == AutoTrimInterval;
    });
    SimScheduleClose(endAt + 10 * Seconds);
    RunTockmeter();

    EXPECT_TRUE(searching);
    EXPECT_NE(saved.find("Time interval = 10\r\n"), std::string::npos) << saved;
}

// A value whose measurement is wider than half a step is still the best the search saw, but the
// log says it cannot be told from its neighbours.
TEST_F(AutoTrimTest, SaysWhenTheValueFoundCannotBeToldFromItsNeighbours) {
    const struct {
        std::int64_t latency;
        double stepPpm;
        bool told;
    } cases[] = {
        {0, 450.0, true},                   // stamps to the microsecond, a typical step
        {16 * Milliseconds, 115.0, false},  // a 16 ms adapter, a step a quarter of the typical
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stepPpm);
        SetUp();
        MicromiteOptions options;
        options.baseErrorPpm = 345.0;
        options.trimStepPpm = c.stepPpm;
        options.adapterLatencyNanoseconds = c.latency;
        micromite = &SimConnectMicromite(L"COM7", options);
        ASSERT_GT(TrimAndClose(), 0);
        const std::vector<std::wstring> log = LogLines();
        const bool warned = std::any_of(log.begin(), log.end(), [](const std::wstring& line) {
            return line.rfind(L"The measurements cannot tell CLOCKTRIM " + App.ClockTrim +
                                  L" from its neighbours: \u00B1",
                              0) == 0;
        });
        EXPECT_EQ(warned, !c.told);
        EXPECT_EQ(log.back(),
                  L"To keep it, start your program with OPTION CLOCKTRIM " + App.ClockTrim + L".");
    }
}

// A step whose OPTION CLOCKTRIM never reached the controller is not taken for done: the value is
// set by a whole upload, and no measurement is credited to a value the controller did not have.
TEST_F(AutoTrimTest, AStepThatDidNotTakeIsMadeByAWholeUpload) {
    MicromiteModel& controller = ConnectController(345.0, 115.0);
    // Once the first measurement has ended, what the next step sends (Ctrl-C, two line delays,
    // then OPTION CLOCKTRIM) is lost on the wire; the upload after it gets through.
    std::function<void()> loseTheStep = [&] {
        if (App.AutoTrim.phase == AutoTrimPhase::Upload && App.AutoTrim.measurements == 1 &&
            !SessionRuns().empty()) {
            controller.options.lostInputFromNanoseconds = SimNowNanoseconds();
            controller.options.lostInputUntilNanoseconds =
                SimNowNanoseconds() + (200 + 3 * App.LineDelay - 50) * Milliseconds;
            return;
        }
        SimScheduleAction(SimNowNanoseconds() + 10 * Milliseconds, loseTheStep);
    };
    SimScheduleAction(TrimAt, loseTheStep);
    ASSERT_GT(TrimAndClose(), 0);

    std::vector<std::string> lost;
    int uploads = 0;
    for (const MicromiteReceived& piece : controller.record.received) {
        if (piece.lost)
            lost.push_back(piece.bytes);
        else if (piece.bytes == "NEW\r")
            ++uploads;
    }
    ASSERT_EQ(lost.size(), 2u);
    EXPECT_EQ(lost[0], "\x03");
    EXPECT_EQ(lost[1].rfind("OPTION CLOCKTRIM ", 0), 0u);
    EXPECT_EQ(uploads, 3); // the search's first, the one in place of the lost step, the last
    EXPECT_EQ(controller.trim, -3);
    EXPECT_EQ(App.ClockTrim, L"-3");
    for (const MeasuredRun& run : SessionRuns()) {
        ASSERT_TRUE(run.trimKnown && run.estimate.known);
        EXPECT_NEAR(run.estimate.ppm, 345.0 + 115.0 * run.trim, run.estimate.boundPpm)
            << "run at CLOCKTRIM " << run.trim;
    }
}

TEST_F(AutoTrimTest, GivesUpAndSaysWhy) {
    // No device: the upload cannot connect. A device with nothing behind it: the upload goes
    // into the void, and no echo confirms its CLOCKTRIM. A controller that never hears RUN: no
    // tick line comes.
    enum class Device { None, Silent, DeafToRun };
    const struct {
        const char* what;
        Device device;
        const wchar_t* why;
    } cases[] = {
        {"no device", Device::None, L"Automatic trim ended: the upload did not complete."},
        {"silent device", Device::Silent,
         L"Automatic trim ended: the Micromite did not confirm CLOCKTRIM 0."},
        {"RUN lost", Device::DeafToRun,
         L"Automatic trim ended: no tick lines came from the Micromite."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (c.device == Device::Silent)
            SimAddComDevice(L"COM7");
        // From the step that starts the run on, what the PC sends is lost.
        std::function<void()> loseFromTheStart = [&] {
            if (App.AutoTrim.phase == AutoTrimPhase::Start) {
                micromite->options.lostInputFromNanoseconds = SimNowNanoseconds();
                micromite->options.lostInputUntilNanoseconds = 20 * Minute;
                return;
            }
            SimScheduleAction(SimNowNanoseconds() + 10 * Milliseconds, loseFromTheStart);
        };
        if (c.device == Device::DeafToRun) {
            ConnectController(345.0, 115.0);
            SimScheduleAction(TrimAt, loseFromTheStart);
        }
        const std::int64_t took = TrimAndClose();
        ASSERT_GT(took, 0);
        EXPECT_LT(took, 2 * Minute);
        EXPECT_TRUE(Logged(c.why));
        EXPECT_EQ(App.TimeInterval, L"10");
    }
}

} // namespace
