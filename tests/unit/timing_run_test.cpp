// Timing runs of the whole program against the simulated Micromite, in virtual time: the user
// presses the buttons, the period timer wakes the program, and every logged figure is checked
// against the times at which the model printed its lines.
#include "app/lifecycle.h"
#include "calibration/late_wake.h"
#include "calibration/measured_run.h"
#include "calibration/tick_wait.h"
#include "timing_fixture.h"
#include "window/control_ids.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <malloc.h>

namespace {

using TimingRunTest = MicromiteRunTest;

TEST_F(TimingRunTest, LogsEachIntervalAndTheAverageOfTheControllersLines) {
    constexpr int Ticks = 20;
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    // Closed while the run goes on, between two lines; the settings are saved before the run is
    // stopped, whose drain then finds the file written and the run no longer flagged.
    const std::int64_t closeAt = StartAt + (Ticks * 10 + 6) * Seconds;
    SimScheduleClose(closeAt);
    bool savedBeforeStop = false;
    SimScheduleAction(closeAt + Milliseconds,
                      [&] { savedBeforeStop = SimFileExists(SettingsPath) && App.RunActive == 0; });
    EXPECT_EQ(RunTockmeter(), 0);

    const std::vector<std::int64_t> truth = TickTimesFrom(StartAt);
    const std::vector<TickLine> logged = TickLinesOfLastRun();
    ASSERT_EQ(truth.size(), Ticks + 1u);
    ASSERT_EQ(logged.size(), static_cast<std::size_t>(Ticks));
    for (int k = 1; k <= Ticks; ++k) {
        const double interval = static_cast<double>(truth[k] - truth[k - 1]) / 1e9;
        const double average = static_cast<double>(truth[k] - truth[0]) / 1e9 / k;
        // A status query of the simulated port costs a microsecond; the text has six decimals.
        EXPECT_NEAR(logged[k - 1].interval, interval, 2e-6) << k;
        EXPECT_NEAR(logged[k - 1].average, average, 2e-6) << k;
        EXPECT_EQ(logged[k - 1].clock, WallClockAt(truth[k])) << k;
    }
    // The controller runs fast by its clock error, and the average says by how much.
    EXPECT_NEAR(logged.back().average, 10.0 / (1.0 + ClockErrorPpm * 1e-6), 2e-6);

    const std::vector<std::wstring> log = LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), L"Time check started."), 1);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), IsHeaderLine), 1);
    EXPECT_EQ(LastLogLine(), L"Time check stopped.");
    EXPECT_TRUE(savedBeforeStop);
    EXPECT_EQ(ReceivedFrom(StartAt), "RUN\r\x03");
    EXPECT_TRUE(SimMainWindow().armedTimers.empty());
    EXPECT_EQ(SimOpenComCount(), 0);
}

TEST_F(TimingRunTest, ASecondStartMeasuresAfresh) {
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    const std::int64_t restartAt = StartAt + 36 * Seconds;
    SimSchedulePressButton(restartAt, StartButtonId);
    SimScheduleClose(restartAt + 45 * Seconds);
    RunTockmeter();

    const std::vector<std::wstring> log = LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), L"Time check started."), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), L"Time check stopped."), 1);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), IsHeaderLine), 2);
    EXPECT_EQ(ReceivedFrom(StartAt), "RUN\rRUN\r\x03");
    // The controller went on counting; the measurement starts over at its next line.
    const std::vector<std::int64_t> truth = TickTimesFrom(restartAt);
    const std::vector<TickLine> logged = TickLinesOfLastRun();
    ASSERT_EQ(logged.size(), truth.size() - 1);
    ASSERT_GE(logged.size(), 3u);
    EXPECT_DOUBLE_EQ(logged[0].average, logged[0].interval);
    EXPECT_NEAR(logged[2].average, static_cast<double>(truth[3] - truth[0]) / 3e9, 2e-6);
}

// Stop waits two line delays even without a run; a line delay at the top of its range waits the
// longest pause there is instead of overflowing into none.
TEST_F(TimingRunTest, StopWithoutARunWaitsTwoLineDelaysAndSaysSo) {
    const struct {
        const char* lineDelay;
        std::int64_t pauseMilliseconds;
    } cases[] = {{"150", 300}, {"1073741824", INT32_MAX}, {"2147483647", INT32_MAX}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lineDelay);
        SetUp();
        SimPutFile(SettingsPath, std::string("[micromite]\r\nLineDelay = ") + c.lineDelay);
        std::int64_t pressedAt = 0, doneAt = 0;
        SimScheduleAction(UploadAt, [&] { pressedAt = SimNowNanoseconds(); });
        SimSchedulePressButton(UploadAt, StopButtonId);
        SimScheduleAction(UploadAt + 1, [&] { doneAt = SimNowNanoseconds(); });
        // After the pause: the drain at its end discards what the user did meanwhile.
        SimScheduleClose(UploadAt + c.pauseMilliseconds * Milliseconds + 2 * Seconds);
        RunTockmeter();
        EXPECT_EQ(LogLines(), std::vector<std::wstring>{L"Time check stopped."});
        EXPECT_GE(doneAt - pressedAt, c.pauseMilliseconds * Milliseconds);
        EXPECT_LT(doneAt - pressedAt, c.pauseMilliseconds * Milliseconds + Milliseconds);
        // Only the port scan opened the port.
        EXPECT_EQ(SimComDeviceRecord(L"COM7")->opens, 1);
        EXPECT_TRUE(micromite->record.received.empty());
    }
}

TEST_F(TimingRunTest, AStartThatCannotConnectStaysFlaggedUntilTheEnd) {
    SimPutFile(SettingsPath, "[micromite]\r\nuM comport = com9\r\n");
    SimSchedulePressButton(StartAt, StartButtonId);
    // After the user has read the message box.
    SimScheduleClose(StartAt + 60 * Seconds);
    RunTockmeter();
    EXPECT_EQ(LogLines(), (std::vector<std::wstring>{L"Time check started.", L"Master not found!",
                                                     L"Time check stopped."}));
    ASSERT_EQ(SimMessageBoxes().size(), 1u);
    EXPECT_EQ(SimMessageBoxes()[0].text, L"Master not found! com9:38400");
    EXPECT_TRUE(SimMainWindow().armedTimers.empty());
}

TEST_F(TimingRunTest, AnUploadDuringARunEndsTheNextWaitAtOnce) {
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    const std::int64_t secondUploadAt = StartAt + 15 * Seconds;
    SimSchedulePressButton(secondUploadAt, UploadButtonId);
    // The upload ends with the link closed and the run still flagged; the period timer's next
    // event then finds nothing to wait on.
    bool flaggedAfterUpload = false;
    SimScheduleAction(secondUploadAt + 9 * Seconds, [&] { flaggedAfterUpload = App.RunActive; });
    bool endedWithinOnePeriod = false;
    SimScheduleAction(secondUploadAt + 9 * Seconds + 10 * Seconds, [&] {
        endedWithinOnePeriod = App.RunActive == 0 && LastLogLine() == L"Time check stopped.";
    });
    SimScheduleClose(secondUploadAt + 30 * Seconds);
    RunTockmeter();

    EXPECT_TRUE(flaggedAfterUpload);
    EXPECT_TRUE(endedWithinOnePeriod);
    const std::vector<std::wstring> log = RunLogLines();
    const auto completed = std::find(log.rbegin(), log.rend(), L"Program uM completed");
    ASSERT_NE(completed, log.rend());
    EXPECT_EQ(*(completed - 1), L"No tick line came from the Micromite: the link is closed.");
    EXPECT_EQ(*(completed - 2), L"Time check stopped.");
    EXPECT_EQ(completed - log.rbegin(), 2);
}

TEST_F(TimingRunTest, ASilentControllerEndsTheRunAtTheBound) {
    // No program stored: RUN gets an error message, and then nothing comes. Without an upload in
    // this session the bound is that of the longest interval the list offers. A slower status
    // query keeps twenty minutes of polling quick to simulate.
    SimSetComQueryCost(100 * 1000);
    SimSchedulePressButton(StartAt, StartButtonId);
    SimScheduleClose(StartAt + 1300 * Seconds);
    RunTockmeter();

    const std::vector<std::wstring> log = LogLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 2], L"No tick line came from the Micromite within 1262 s.");
    EXPECT_EQ(log.back(), L"Time check stopped.");
    // The wait began after RUN's line delay and the 700 ms pause; Stop's Ctrl-C followed it.
    const MicromiteReceived& controlC = micromite->record.received.back();
    EXPECT_EQ(controlC.bytes, "\x03");
    const std::int64_t waitEnd = StartAt + 150 * Milliseconds + 700 * Milliseconds + 1262 * Seconds;
    EXPECT_GE(controlC.atNanoseconds, waitEnd);
    EXPECT_LT(controlC.atNanoseconds, waitEnd + Milliseconds);
}

// The controller keeps its program between sessions: uploaded at 60 s, then 10 s chosen and the
// program closed; the next session starts a run without an upload and measures the 60 s lines.
TEST_F(TimingRunTest, ARunWithoutAnUploadInThisSessionWaitsForTheStoredProgramsLines) {
    SimScheduleChooseListItem(UploadAt, IntervalListId, 4); // 60
    SimSchedulePressButton(UploadAt + 1 * Seconds, UploadButtonId);
    SimScheduleChooseListItem(StartAt, IntervalListId, 1); // 10
    SimScheduleClose(StartAt + 1 * Seconds);
    RunTockmeter();
    ASSERT_EQ(App.UploadedInterval, 60);

    App = AppState{};
    ResetEventQueue();
    // Each wait polls for 50 s: a slower status query keeps that quick to simulate.
    constexpr std::int64_t QueryCost = 10 * 1000;
    SimSetComQueryCost(QueryCost);
    const std::int64_t nextStartAt = SimNowNanoseconds() + 5 * Seconds;
    SimSchedulePressButton(nextStartAt, StartButtonId);
    // Between two lines: the third comes about 121 s after Start.
    SimScheduleClose(nextStartAt + 125 * Seconds);
    RunTockmeter();

    EXPECT_EQ(App.TimeInterval, L"10");
    const std::vector<std::int64_t> truth = TickTimesFrom(nextStartAt);
    const std::vector<TickLine> logged = TickLinesOfLastRun();
    ASSERT_EQ(truth.size(), 3u);
    ASSERT_EQ(logged.size(), 2u);
    for (int k = 1; k <= 2; ++k)
        EXPECT_NEAR(logged[k - 1].interval, static_cast<double>(truth[k] - truth[k - 1]) / 1e9,
                    2e-9 * QueryCost)
            << k;
    EXPECT_EQ(LastLogLine(), L"Time check stopped.");
}

// A wait whose line is overdue keeps the window alive: Stop and the close request end it at once,
// and the run ends as Stop ends it. A wait still in time takes no event: a Stop pressed then is
// carried out once the line is stamped and logged, and the run ends after that line.
TEST_F(TimingRunTest, StopAndCloseEndAWaitOnceItsLineIsOverdue) {
    const std::wstring StoppedLine =
        L"No tick line came from the Micromite before Stop was pressed.";
    const std::wstring ClosedLine =
        L"No tick line came from the Micromite before the window was closed.";
    // The run's first line comes about 1 s after Start. With the tick program uploaded for 10 s
    // the timer wakes the program 9.7 s after it; when the lines after the first are lost on the
    // way, that wait is overdue 2.3 s later.
    constexpr std::int64_t FirstLine = StartAt + 1 * Seconds;
    constexpr std::int64_t EndAt = FirstLine + 70 * Seconds;
    const struct {
        const char* what;
        int uploadedIndex; // in the interval list; -1: no upload, no program stored
        bool laterLinesLost;
        bool close;
        std::int64_t actAt;
        const std::wstring* endLine; // null: the press is carried out after the line
    } cases[] = {
        {"Stop, the first line, no program stored", -1, false, false, StartAt + 5 * Seconds,
         &StoppedLine},
        {"Stop, a later line lost", 1, true, false, FirstLine + 15 * Seconds, &StoppedLine},
        {"close, a later line lost", 1, true, true, FirstLine + 15 * Seconds, &ClosedLine},
        {"Stop, the controller at 10 s, 100 ms before its line", 1, false, false,
         FirstLine + 10 * Seconds - 100 * Milliseconds, nullptr},
    };
    for (const auto& c : cases) {
        SetUp();
        // A slower status query keeps the long waits quick to simulate.
        constexpr std::int64_t QueryCost = 10 * 1000;
        SimSetComQueryCost(QueryCost);
        if (c.uploadedIndex >= 0) {
            SimScheduleChooseListItem(UploadAt - Seconds / 2, IntervalListId, c.uploadedIndex);
            SimSchedulePressButton(UploadAt, UploadButtonId);
            SimScheduleChooseListItem(StartAt - Seconds, IntervalListId, 1); // 10
        }
        SimSchedulePressButton(StartAt, StartButtonId);
        if (c.laterLinesLost)
            SimScheduleAction(FirstLine + Seconds, [&] { micromite->options.lostLineEvery = 1; });
        if (c.close)
            SimScheduleClose(c.actAt);
        else
            SimSchedulePressButton(c.actAt, StopButtonId);
        SimScheduleClose(EndAt);
        EXPECT_EQ(RunTockmeter(), 0) << c.what;

        const std::vector<std::wstring> log = RunLogLines();
        const std::vector<TickLine> logged = TickLinesOfLastRun();
        EXPECT_EQ(log.back(), L"Time check stopped.") << c.what;
        EXPECT_EQ(std::count(log.begin(), log.end(), L"Time check stopped."), 1) << c.what;
        EXPECT_TRUE(SimFileExists(SettingsPath)) << c.what;
        // A close ends the program soon after it; otherwise the last close does.
        EXPECT_EQ(SimNowNanoseconds() < c.actAt + 1 * Seconds, c.close) << c.what;
        const MicromiteReceived& controlC = micromite->record.received.back();
        EXPECT_EQ(controlC.bytes, "\x03") << c.what;
        if (c.endLine) {
            ASSERT_GE(log.size(), 2u) << c.what;
            EXPECT_EQ(log[log.size() - 2], *c.endLine) << c.what;
            EXPECT_TRUE(logged.empty()) << c.what;
            // Within a poll of the action, not at the wait's bound.
            EXPECT_GE(controlC.atNanoseconds, c.actAt) << c.what;
            EXPECT_LT(controlC.atNanoseconds, c.actAt + Milliseconds) << c.what;
        } else {
            // The line due 100 ms after the press was stamped and logged as always, then the
            // press stopped the run, a line delay later.
            const std::vector<std::int64_t> truth = TickTimesFrom(StartAt);
            ASSERT_EQ(truth.size(), 2u) << c.what;
            ASSERT_EQ(logged.size(), 1u) << c.what;
            EXPECT_NEAR(logged[0].interval, static_cast<double>(truth[1] - truth[0]) / 1e9,
                        2e-9 * QueryCost)
                << c.what;
            EXPECT_GE(controlC.atNanoseconds, truth[1]) << c.what;
            EXPECT_LT(controlC.atNanoseconds, truth[1] + 200 * Milliseconds) << c.what;
        }
    }
}

// The program wakes after the line has come: the stamp is the moment it looked. Each such tick
// line is followed by the late-stamp line, and the rate estimate is told not to trust its stamp;
// every other tick is logged as always.
TEST_F(TimingRunTest, ALateWakeIsSaidInTheLogAndItsStampIsNotTrusted) {
    // The run's first line comes about 1 s after Start, then one every 10 s; the timer wakes the
    // program 300 ms before each.
    constexpr std::int64_t FirstLine = StartAt + 1 * Seconds;
    const struct {
        const char* what;
        std::function<void()> script;
        int ticksInTime;
    } cases[] = {
        // Held for 2 s just before the third wake: the timer, re-armed from each late stamp,
        // wakes some 300 ms earlier each time until it is in time again.
        {"the thread held in a modal loop across a line",
         [] {
             SimScheduleAction(FirstLine + 29690 * Milliseconds,
                               [] { SimAdvanceNanoseconds(2 * Seconds); });
         },
         6},
    };
    for (const auto& c : cases) {
        SetUp();
        SimSchedulePressButton(UploadAt, UploadButtonId);
        SimSchedulePressButton(StartAt, StartButtonId);
        c.script();
        SimScheduleClose(StartAt + 125 * Seconds + 500 * Milliseconds);
        RunTockmeter();

        // Which stamps came late, by the controller's record of its lines.
        const std::vector<std::int64_t> truth = TickTimesFrom(StartAt);
        ASSERT_EQ(SessionRuns().size(), 1u) << c.what;
        const std::vector<TickStamp>& stamps = SessionRuns()[0].stamps;
        std::vector<bool> late;
        for (std::size_t i = 1; i < stamps.size(); ++i) {
            const std::int64_t stampedAt = std::llround(stamps[i].seconds * 1e9);
            const auto lineBefore = std::upper_bound(truth.begin(), truth.end(), stampedAt) - 1;
            late.push_back(stampedAt - *lineBefore > 50 * Milliseconds);
            EXPECT_EQ(stamps[i].trusted, !late.back()) << c.what << " " << i;
        }
        EXPECT_EQ(std::count(late.begin(), late.end(), false), c.ticksInTime) << c.what;
        EXPECT_GE(std::count(late.begin(), late.end(), true), 3) << c.what;

        // What the log says after each tick line.
        std::vector<bool> said;
        const std::vector<std::wstring> log = RunLogLines();
        for (auto line = std::find_if(log.begin(), log.end(), IsHeaderLine) + 1; line != log.end();
             ++line) {
            if (line->rfind(LateStampPrefix, 0) == 0) {
                ASSERT_FALSE(said.empty()) << c.what;
                EXPECT_FALSE(said.back()) << c.what; // once per tick
                said.back() = true;
            } else if (*line != L"Time check stopped.") {
                said.push_back(false);
            }
        }
        EXPECT_EQ(said, late) << c.what;
        EXPECT_EQ(TickLinesOfLastRun().size(), late.size()) << c.what;
    }
}

// A window's modal loop inside the drain of an overdue wait holds the thread while the line
// comes: the read after it cannot tell when the line came, so its stamp is late and not trusted.
TEST_F(TimingRunTest, AHoldInTheDrainOfAnOverdueWaitMakesItsStampLate) {
    constexpr std::int64_t FirstLine = StartAt + 1 * Seconds;
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    // The fourth line is lost on its way, so the wait for it is overdue when the fifth comes.
    SimScheduleAction(FirstLine + 25 * Seconds, [&] { micromite->options.lostLineEvery = 1; });
    SimScheduleAction(FirstLine + 35 * Seconds, [&] { micromite->options.lostLineEvery = 0; });
    SimScheduleAction(FirstLine + 40 * Seconds - 500 * Milliseconds,
                      [] { SimAdvanceNanoseconds(2 * Seconds); });
    SimScheduleClose(FirstLine + 45 * Seconds + 500 * Milliseconds);
    RunTockmeter();

    ASSERT_EQ(SessionRuns().size(), 1u);
    const std::vector<TickStamp>& stamps = SessionRuns()[0].stamps;
    ASSERT_EQ(stamps.size(), 4u);
    for (std::size_t i = 0; i < stamps.size(); ++i)
        EXPECT_EQ(stamps[i].trusted, i != 3) << i;
    const std::vector<std::wstring> log = RunLogLines();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::wstring& line) {
                                return line.rfind(LateStampPrefix, 0) == 0;
                            }),
              1);
}

// The controller prints at the interval it was uploaded with: a longer one chosen during the run
// changes neither the run's nominal interval nor when the period timer wakes the program, so every
// line is stamped at its arrival and the rate is known.
TEST_F(TimingRunTest, AnIntervalChosenDuringARunLeavesTheStampsOnTime) {
    constexpr std::int64_t FirstLine = StartAt + 1 * Seconds;
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    SimScheduleChooseListItem(FirstLine + 25 * Seconds, IntervalListId, 2); // 15
    SimScheduleClose(StartAt + 125 * Seconds + 500 * Milliseconds);
    RunTockmeter();

    EXPECT_EQ(App.TimeInterval, L"15");
    ASSERT_EQ(SessionRuns().size(), 1u);
    const MeasuredRun& run = SessionRuns()[0];
    EXPECT_EQ(run.intervalSeconds, 10.0);
    const std::vector<std::int64_t> truth = TickTimesFrom(StartAt);
    ASSERT_EQ(run.stamps.size(), 13u);
    for (std::size_t i = 0; i < run.stamps.size(); ++i) {
        EXPECT_TRUE(run.stamps[i].trusted) << i;
        EXPECT_NEAR(run.stamps[i].seconds * 1e9, static_cast<double>(truth[i]),
                    static_cast<double>(Milliseconds))
            << i;
    }
    EXPECT_TRUE(run.estimate.known);
    const std::vector<std::wstring> log = LogLines();
    EXPECT_EQ(
        std::count_if(log.begin(), log.end(),
                      [](const std::wstring& line) { return line.rfind(LateStampPrefix, 0) == 0; }),
        0);
}

// AddressSanitizer's allocator does not report the heap through mallinfo. GCC says it is in use
// with a macro, clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define HEAP_IS_REPORTED 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HEAP_IS_REPORTED 0
#endif
#endif
#ifndef HEAP_IS_REPORTED
#define HEAP_IS_REPORTED 1
#endif

// Heap in use, less what the log's own text, the run's stamps and the records of its lines
// hold: what a long run must not grow.
std::size_t HeapBesidesTheLog() {
    const struct mallinfo2 heap = mallinfo2();
    std::size_t stamps = 0;
    for (const MeasuredRun& run : SessionRuns())
        stamps += run.stamps.capacity() * sizeof(TickStamp);
    const std::size_t records = SessionTickRecords().ring.capacity() * sizeof(TickRecord);
    return heap.uordblks + heap.hblkhd -
           SimFindControl(LogViewId)->text.capacity() * sizeof(wchar_t) - stamps - records;
}

TEST_F(TimingRunTest, ADayLongRunLogsEveryTickAndGrowsOnlyItsLog) {
    // A status query that costs a millisecond keeps a day of polling quick to simulate.
    SimSetComQueryCost(1000000);
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    constexpr std::int64_t Hour = 3600 * Seconds;
    constexpr int Hours = 24;
    // Each hour the test takes the controller's record away, so that only the program grows.
    std::size_t ticksPrinted = 0;
    std::size_t heapAfterFirstHour = 0, heapAtEnd = 0;
    for (int hour = 1; hour <= Hours; ++hour) {
        SimScheduleAction(StartAt + hour * Hour + 5 * Seconds, [&, hour] {
            for (const MicromiteLine& line : micromite->record.lines)
                ticksPrinted += line.tick ? 1 : 0;
            micromite->record.lines.clear();
            micromite->record.received.clear();
            (hour == 1 ? heapAfterFirstHour : heapAtEnd) = HeapBesidesTheLog();
        });
    }
    SimScheduleClose(StartAt + Hours * Hour + 6 * Seconds);
    RunTockmeter();

    EXPECT_EQ(TickLinesOfLastRun().size(), ticksPrinted - 1);
    EXPECT_GT(ticksPrinted, static_cast<std::size_t>(Hours * 360 - 2));
    EXPECT_EQ(LastLogLine(), L"Time check stopped.");
#if HEAP_IS_REPORTED
    EXPECT_LT(heapAtEnd, heapAfterFirstHour + 64 * 1024);
#endif
}

TEST(TickWaitBound, CoversTheLongestIntervalTheControllerMayPrintAt) {
    // Four intervals, so that three lost lines in a row do not end a run. Without an upload in
    // this session the controller may print at any interval the list offers, 300 s the longest.
    const struct {
        const wchar_t* chosen;
        std::int64_t uploaded;
        std::int64_t boundSeconds;
    } cases[] = {
        {L"10", 0, 1262}, {L"1", 0, 1262},
        {L"0", 0, 1262},  {L"x", 0, 1262},
        {L"600", 0, 2522}, {L"10", 10, 44},
        {L"1", 1, 7},      {L"300", 5, 1262},
        {L"5", 300, 1262}, {L"0", 5, 23},
        {L"-20", 5, 23},   {L"x", 5, 23},
        {L"20", 21, 91},   {L"99999999999", 0, 4 * 25 * 24 * 3600 + 432000 + 2},
    };
    for (const auto& c : cases) {
        App = AppState{};
        App.TimeInterval = c.chosen;
        App.UploadedInterval = c.uploaded;
        EXPECT_EQ(TickWaitBoundSeconds(), c.boundSeconds) << c.chosen << " " << c.uploaded;
    }
}

} // namespace

// With a line delay of 400 ms the start's poll begins 1.1 s after RUN, after the first line: its
// stamp is late, the log says so, and the rate leaves it out.
TEST_F(TimingRunTest, ALateFirstStampIsSaidAndLeftOutOfTheRate) {
    SimPutFile(SettingsPath, "[micromite]\r\nLineDelay = 400\r\n");
    SimSchedulePressButton(UploadAt, UploadButtonId);
    const std::int64_t startAt = UploadAt + 25 * Seconds;
    SimSchedulePressButton(startAt, StartButtonId);
    SimScheduleClose(startAt + 106 * Seconds);
    RunTockmeter();

    ASSERT_EQ(SessionRuns().size(), 1u);
    const MeasuredRun& run = SessionRuns()[0];
    EXPECT_FALSE(run.stamps[0].trusted);
    EXPECT_EQ(std::count_if(run.stamps.begin(), run.stamps.end(),
                            [](const TickStamp& stamp) { return !stamp.trusted; }),
              1);
    const std::vector<std::wstring> log = LogLines();
    const auto header = std::find_if(log.begin(), log.end(), IsHeaderLine);
    ASSERT_NE(header, log.end());
    EXPECT_EQ(header[1], LateFirstStampText);
    // The averages read short by the first stamp's lateness; the rate does not.
    ASSERT_TRUE(run.estimate.known);
    EXPECT_NEAR(run.estimate.ppm, ClockErrorPpm, 0.1);
    // (about 100 ms over ten intervals)
    EXPECT_LT(TickLinesOfLastRun().back().average * (1.0 + ClockErrorPpm * 1e-6), 10.0 - 0.005);
}
