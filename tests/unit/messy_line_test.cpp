// A messy line during a whole run against the simulated Micromite: stray lines, zero bytes, a
// count that starts over, a refused CLOCKTRIM, an interval the timer cannot hold, a user who
// presses Stop or asks for the rate while a line is awaited. The numbers the log prints stay the
// controller's own, or the log says why they cannot be known.
#include "app/lifecycle.h"
#include "calibration/late_wake.h"
#include "calibration/measured_run.h"
#include "measure/tick_count.h"
#include "measure/tick_line.h"
#include "sim/micromite_model.h"
#include "timing_fixture.h"
#include "window/control_ids.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <regex>

namespace {

using MessyLineTest = MicromiteRunTest;

// The run's first line comes about 1 s after Start, then one every 10 s.
constexpr std::int64_t FirstLine = StartAt + 1 * Seconds;

std::ptrdiff_t CountLogged(const std::wstring& start) {
    const std::vector<std::wstring> log = LogLines();
    return std::count_if(log.begin(), log.end(),
                         [&](const std::wstring& line) { return line.rfind(start, 0) == 0; });
}

std::ptrdiff_t CountLoggedContaining(const std::wstring& part) {
    const std::vector<std::wstring> log = LogLines();
    return std::count_if(log.begin(), log.end(), [&](const std::wstring& line) {
        return line.find(part) != std::wstring::npos;
    });
}

std::wstring LoggedStartingWith(const std::wstring& start) {
    for (const std::wstring& line : LogLines())
        if (line.rfind(start, 0) == 0)
            return line;
    return L"";
}

struct ReportedRate {
    bool found = false;
    double ppm = 0.0, bound = 0.0;
};

// The last "Rate ..." line's figures.
ReportedRate LastReportedRate() {
    static const std::wregex rate(L"Rate[^:]*: (\\d+\\.\\d) ppm (fast|slow) \\u00B1(\\d+\\.\\d).*");
    ReportedRate reported;
    for (const std::wstring& line : LogLines()) {
        std::wsmatch match;
        if (std::regex_match(line, match, rate)) {
            reported.found = true;
            reported.ppm = std::stod(match[1]) * (match[2] == L"fast" ? 1.0 : -1.0);
            reported.bound = std::stod(match[3]);
        }
    }
    return reported;
}

// Stray lines and stray bytes around the tick lines: every tick line is stamped at its arrival,
// nothing else is, each stray text is said once, and the rate and the advice are the clean run's.
TEST_F(MessyLineTest, StrayLinesAndBytesNeverBecomeStampsNorLoseALine) {
    const struct {
        const char* what;
        std::int64_t at; // after the run's first line
        std::string bytes;
        const wchar_t* said; // null: nothing said
    } cases[] = {
        {"a stray line early in an interval", 2 * Seconds, "?\r\n", L"Not a tick line: ?"},
        {"a stray line late in an interval, while the line is awaited",
         10 * Seconds - 100 * Milliseconds, "?\r\n", L"Not a tick line: ?"},
        {"an error line between two ticks", 15 * Seconds, "Error : Syntax\r\n",
         L"Not a tick line: Error : Syntax"},
        {"a zero byte before a tick line", 20 * Seconds - 1 * Milliseconds, std::string(1, '\0'),
         nullptr},
        {"noise bytes before a tick line", 20 * Seconds - 1 * Milliseconds, "\xff\x01\x80",
         nullptr},
    };
    for (const auto& c : cases) {
        SetUp();
        SimSchedulePressButton(UploadAt, UploadButtonId);
        SimSchedulePressButton(StartAt, StartButtonId);
        // The same bytes in every interval after the first, so that repeats are seen too.
        for (int k = 0; k < 11; ++k)
            SimQueueComInput(L"COM7", FirstLine + c.at + k * 10 * Seconds, c.bytes);
        SimSchedulePressButton(FirstLine + 125 * Seconds + 500 * Milliseconds, StopButtonId);
        SimScheduleClose(FirstLine + 130 * Seconds);
        RunTockmeter();

        const std::vector<std::int64_t> truth = TickTimesFrom(StartAt);
        ASSERT_EQ(SessionRuns().size(), 1u) << c.what;
        const std::vector<TickStamp>& stamps = SessionRuns()[0].stamps;
        ASSERT_EQ(stamps.size(), truth.size()) << c.what;
        for (std::size_t i = 0; i < stamps.size(); ++i) {
            EXPECT_EQ(stamps[i].tick, static_cast<std::int64_t>(i)) << c.what;
            EXPECT_TRUE(stamps[i].trusted) << c.what << " " << i;
            EXPECT_NEAR(stamps[i].seconds, static_cast<double>(truth[i]) / 1e9, 2e-6)
                << c.what << " " << i;
        }
        const std::vector<TickLine> logged = TickLinesOfLastRun();
        ASSERT_EQ(logged.size() + 1, truth.size()) << c.what;
        EXPECT_NEAR(logged.back().average,
                    static_cast<double>(truth.back() - truth.front()) / 1e9 / logged.size(), 1e-6)
            << c.what;
        EXPECT_EQ(CountLogged(LateStampPrefix), 0) << c.what;
        EXPECT_EQ(CountLogged(L"Not a tick line: "), c.said ? 1 : 0) << c.what;
        if (c.said) {
            EXPECT_EQ(LoggedStartingWith(L"Not a tick line: "), c.said) << c.what;
        }
        EXPECT_EQ(CountLogged(L"Lines in this run that were not tick lines: 11."), c.said ? 1 : 0)
            << c.what;
        const ReportedRate rate = LastReportedRate();
        ASSERT_TRUE(rate.found) << c.what;
        EXPECT_LE(std::abs(rate.ppm - ClockErrorPpm), rate.bound) << c.what;
        EXPECT_LT(rate.bound, 20.0) << c.what;
        // 250 ppm fast, 460 ppm a step: one step down leaves 210 ppm slow.
        EXPECT_EQ(LoggedStartingWith(L"Advice: ").rfind(L"Advice: CLOCKTRIM -1, expected ", 0), 0u)
            << c.what;
    }
}

// The controller's program starts over in the middle of a run (someone typed RUN, a reset): its
// count goes back, the run ends with a line that says so, and its rate stands on the stamps
// before.
TEST_F(MessyLineTest, ACountThatGoesBackEndsTheRunOnTheStampsBefore) {
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    const std::int64_t restartAt = FirstLine + 65 * Seconds;
    SimScheduleAction(restartAt, [&] { MicromiteReceive(*micromite, restartAt, "\x03RUN\r", 5); });
    SimScheduleClose(FirstLine + 100 * Seconds);
    RunTockmeter();

    const std::vector<std::wstring> log = RunLogLines();
    const auto restart =
        std::find(log.begin(), log.end(),
                  L"The Micromite's count went back from 61 to 1: it started over, "
                  L"so the run ends here.");
    ASSERT_NE(restart, log.end());
    EXPECT_EQ(*(restart + 1), L"Time check stopped.");
    EXPECT_EQ(CountLogged(L"Garbled tick line set aside: "), 0);
    ASSERT_EQ(SessionRuns().size(), 1u);
    EXPECT_EQ(SessionRuns()[0].stamps.size(), 7u); // counters 1 to 61
    const ReportedRate rate = LastReportedRate();
    ASSERT_TRUE(rate.found);
    EXPECT_LE(std::abs(rate.ppm - ClockErrorPpm), rate.bound);
}

// Line noise that changes a tick line's counter, or makes a line read as one: the line is set
// aside, said once with why and counted, and the run goes on as if it had not come: no lost
// lines, no restart, the averages and the rate those of the lines the controller printed.
TEST_F(MessyLineTest, GarbledCountersAreSetAsideAndTheRunGoesOn) {
    const struct {
        const char* what;
        std::int64_t garbledCount, garbledCountAs; // 0: no counter garbled
        std::string noise; // read 5 s into every interval; empty: none
        const wchar_t* said;
        const wchar_t* counted; // null: no count said at the end
    } cases[] = {
        {"a digit of 121 read as 3", 121, 123, "",
         L"Garbled tick line set aside: \" 123\" does not fit the 10 s since the last tick line.",
         nullptr},
        {"a digit of 191 read as 6: the count goes back", 191, 161, "",
         L"Garbled tick line set aside: \" 161\" does not fit the 10 s since the last tick line.",
         nullptr},
        {"noise that reads as a tick line in every interval", 0, 0, " 7\r\n",
         L"Garbled tick line set aside: \" 7\" does not fit the 10 s since the last tick line.",
         L"20 garbled tick lines were set aside in this run."},
    };
    for (const auto& c : cases) {
        SetUp();
        micromite->options.garbledCount = c.garbledCount;
        micromite->options.garbledCountAs = c.garbledCountAs;
        SimSchedulePressButton(UploadAt, UploadButtonId);
        SimSchedulePressButton(StartAt, StartButtonId);
        if (!c.noise.empty())
            for (int k = 0; k < 20; ++k)
                SimQueueComInput(L"COM7", FirstLine + 5 * Seconds + k * 10 * Seconds, c.noise);
        SimSchedulePressButton(FirstLine + 205 * Seconds + 500 * Milliseconds, StopButtonId);
        SimScheduleClose(FirstLine + 210 * Seconds);
        RunTockmeter();
        SCOPED_TRACE(c.what);

        // Every line the controller printed, but the garbled one, is stamped as its tick.
        std::vector<std::pair<std::int64_t, std::int64_t>> printed; // tick, time
        std::int64_t tick = 0;
        for (const MicromiteLine& line : micromite->record.lines)
            if (line.tick && line.atNanoseconds >= StartAt) {
                if (!line.garbled)
                    printed.push_back({tick, line.atNanoseconds});
                ++tick;
            }
        ASSERT_EQ(tick, 21);
        ASSERT_EQ(SessionRuns().size(), 1u);
        const std::vector<TickStamp>& stamps = SessionRuns()[0].stamps;
        ASSERT_EQ(stamps.size(), printed.size());
        for (std::size_t i = 0; i < stamps.size(); ++i) {
            EXPECT_EQ(stamps[i].tick, printed[i].first) << i;
            EXPECT_TRUE(stamps[i].trusted) << i;
            EXPECT_NEAR(stamps[i].seconds, static_cast<double>(printed[i].second) / 1e9, 2e-6)
                << i;
        }
        for (const TickLine& line : TickLinesOfLastRun())
            EXPECT_NEAR(line.average, 10.0, 0.01) << line.clock;
        EXPECT_EQ(LoggedStartingWith(L"Garbled tick line set aside: "), c.said);
        EXPECT_EQ(CountLogged(L"Garbled tick line set aside: "), 1);
        if (c.counted) {
            EXPECT_EQ(CountLogged(c.counted), 1);
        }
        EXPECT_EQ(CountLoggedContaining(L"lost: this interval spans"), 0);
        EXPECT_EQ(CountLogged(L"The Micromite's count went back"), 0);
        const std::vector<std::wstring> log = RunLogLines();
        EXPECT_EQ(std::count(log.begin(), log.end(), L"Time check stopped."), 1);
        EXPECT_EQ(CountLogged(L"No tick line came"), 0);
        const ReportedRate rate = LastReportedRate();
        ASSERT_TRUE(rate.found);
        EXPECT_LE(std::abs(rate.ppm - ClockErrorPpm), rate.bound);
        EXPECT_LT(rate.bound, 20.0);
    }
}

// The firmware refuses a CLOCKTRIM outside its range and keeps its own; a CLOCKTRIM lost on the
// wire (its echo and the prompt never come) may not have reached it. Either way the log says so,
// and the runs after it are credited to no value, so no step is fitted and no advice given for
// them.
TEST_F(MessyLineTest, AClockTrimRefusedOrNotConfirmedCreditsTheRunsToNoValue) {
    const struct {
        const char* what;
        int listIndex;
        const wchar_t* chosen;
        bool lostOnTheWire;
        const wchar_t* said;
        const wchar_t* why;
    } cases[] = {
        {"refused", 0, L"32", false,
         L"The Micromite refused CLOCKTRIM 32: Error : 32 is invalid (valid is -31 to 31).",
         L"CLOCKTRIM unknown: the Micromite refused 32"},
        {"lost on the wire", 35, L"-3", true,
         L"The Micromite did not confirm CLOCKTRIM -3: the runs that follow are credited to no "
         L"CLOCKTRIM value.",
         L"CLOCKTRIM unknown: the Micromite did not confirm -3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        SimScheduleChooseListItem(UploadAt - Seconds / 2, ClockTrimListId, c.listIndex);
        SimSchedulePressButton(UploadAt, UploadButtonId);
        if (c.lostOnTheWire) {
            // OPTION CLOCKTRIM goes two line delays after the upload's Ctrl-C; NEW follows it.
            micromite->options.lostInputFromNanoseconds = UploadAt + 200 * Milliseconds;
            micromite->options.lostInputUntilNanoseconds = UploadAt + 400 * Milliseconds;
        }
        SimSchedulePressButton(StartAt, StartButtonId);
        SimSchedulePressButton(FirstLine + 60 * Seconds + 500 * Milliseconds, StopButtonId);
        SimScheduleClose(FirstLine + 65 * Seconds);
        RunTockmeter();

        EXPECT_EQ(micromite->trim, 0);
        EXPECT_EQ(CountLogged(c.said), 1);
        const std::wstring rateLine = LoggedStartingWith(L"Rate");
        EXPECT_EQ(rateLine.rfind(L"Rate: 250.", 0), 0u) << rateLine;
        EXPECT_NE(rateLine.find(c.why), std::wstring::npos) << rateLine;
        EXPECT_EQ(CountLogged(L"Rate at CLOCKTRIM"), 0);
        EXPECT_EQ(CountLogged(L"Advice: "), 0);
        EXPECT_EQ(CountLogged(L"Step "), 0);
        // The list still offers it, and keeps it chosen.
        EXPECT_EQ(App.ClockTrim, c.chosen);
    }
}

// An interval the period timer cannot hold (any text may stand in the settings file) is refused
// by Prog and Start before anything is sent; the file keeps its text.
TEST_F(MessyLineTest, AnIntervalTheTimerCannotHoldIsRefusedBeforeAnythingIsSent) {
    for (const char* interval : {"227633267", "0", "-5"}) {
        SetUp();
        SimPutFile(SettingsPath,
                   std::string("[micromite]\r\nTime interval = ") + interval + "\r\n");
        SimSchedulePressButton(UploadAt, UploadButtonId);
        SimSchedulePressButton(StartAt, StartButtonId);
        SimScheduleClose(StartAt + 5 * Seconds);
        EXPECT_EQ(RunTockmeter(), 0) << interval;

        const std::wstring refusal = L"The interval \"" +
                                     std::wstring(interval, interval + std::strlen(interval)) +
                                     L"\" cannot be timed: the timer takes 1 to 2147483 s. "
                                     L"Choose an interval in the list.";
        EXPECT_EQ(CountLogged(refusal), 2) << interval;
        ASSERT_EQ(SimMessageBoxes().size(), 2u) << interval;
        EXPECT_EQ(SimMessageBoxes()[1].text, refusal) << interval;
        EXPECT_TRUE(micromite->record.received.empty()) << interval;
        EXPECT_EQ(CountLogged(L"Time check started."), 0) << interval;
        std::string saved;
        ASSERT_TRUE(SimGetFile(SettingsPath, saved));
        EXPECT_NE(saved.find(std::string("Time interval = ") + interval + "\r\n"),
                  std::string::npos)
            << interval;
    }
}

// What the user asks for while a line is awaited or an upload types is carried out as soon as
// the handler returns: Stop, the rate, the close request. Prog and Start pressed then are dropped,
// since a second upload or a restart the user did not see coming could do harm.
TEST_F(MessyLineTest, RequestsMadeWhileAHandlerWaitsAreCarriedOutAfterIt) {
    const struct {
        const char* what;
        std::function<void()> act;
        std::function<void(const std::vector<std::wstring>&)> check;
    } cases[] = {
        {"Stop 5 ms before a line",
         [] { SimSchedulePressButton(FirstLine + 20 * Seconds - 5 * Milliseconds, StopButtonId); },
         [](const std::vector<std::wstring>& log) {
             EXPECT_EQ(TickLinesOfLastRun().size(), 2u);
             EXPECT_EQ(log.back(), L"Time check stopped.");
         }},
        {"Stop during the upload",
         [] { SimSchedulePressButton(UploadAt + 3 * Seconds, StopButtonId); },
         [](const std::vector<std::wstring>& log) {
             // The upload completes; then Stop, and Start runs at its time.
             const auto completed = std::find(log.begin(), log.end(), L"Program uM completed");
             ASSERT_NE(completed, log.end());
             EXPECT_EQ(*(completed + 1), L"Time check stopped.");
             EXPECT_EQ(TickLinesOfLastRun().size(), 3u);
         }},
        {"the rate asked for while a line is awaited",
         [] {
             SimScheduleMenuCommand(FirstLine + 30 * Seconds - 200 * Milliseconds,
                                    ShowRateCommandId);
         },
         [](const std::vector<std::wstring>&) {
             const std::vector<std::wstring> log = LogLines();
             const auto header = std::find_if(log.begin(), log.end(), IsHeaderLine);
             ASSERT_GE(log.end() - header, 4);
             const auto third = header + 3;
             ASSERT_NE(third, log.end());
             EXPECT_EQ((third + 1)->rfind(L"Rate at CLOCKTRIM 0: ", 0), 0u) << *(third + 1);
         }},
        {"Start pressed while a line is awaited",
         [] { SimSchedulePressButton(FirstLine + 20 * Seconds - 5 * Milliseconds, StartButtonId); },
         [](const std::vector<std::wstring>& log) {
             EXPECT_EQ(std::count(log.begin(), log.end(), L"Time check started."), 1);
             EXPECT_EQ(TickLinesOfLastRun().size(), 3u);
         }},
    };
    for (const auto& c : cases) {
        SetUp();
        SimSchedulePressButton(UploadAt, UploadButtonId);
        SimSchedulePressButton(StartAt, StartButtonId);
        c.act();
        SimScheduleClose(FirstLine + 35 * Seconds);
        EXPECT_EQ(RunTockmeter(), 0) << c.what;
        SCOPED_TRACE(c.what);
        c.check(RunLogLines());
    }
}

// The reader of the controller's lines, by itself: which lines are tick lines, and which byte's
// stamp a tick line takes.
TEST(TickLineReaderTest, KnowsATickLineByItsCounterAndStampsTheCounterItself) {
    const struct {
        const char* what;
        std::vector<std::string> pieces;    // read one after another, stamped 1, 2, ...
        std::vector<std::string> texts;     // the complete lines
        std::vector<std::int64_t> counters; // -1: not a tick line
        std::vector<std::int64_t> stamps;   // of the tick lines' counters
    } cases[] = {
        {"a tick line", {" 11\r\n"}, {" 11"}, {11}, {1}},
        {"in pieces", {" 1", "1\r", "\n"}, {" 11"}, {11}, {1}},
        {"a stray line, then a tick line read with it",
         {"?\r\n 2", "1\r\n"},
         {"?", " 21"},
         {-1, 21},
         {1}},
        {"noise that ends before the counter's blank",
         {"\x00\xff", "x 31\r\n"},
         {"x 31"},
         {31},
         {2}},
        {"a counter without its blank", {"41\r\n"}, {"41"}, {41}, {1}},
        // Noise above ASCII from the counter's blank on may stand for a digit it replaced.
        {"noise above ASCII inside the counter", {" 1\xB9" "21\r\n"}, {" 121"}, {-1}, {}},
        {"noise above ASCII inside a counter without its blank", {"1\xB9" "21\r\n"}, {"121"},
         {-1}, {}},
        {"noise above ASCII in place of the blank", {"\xA0" "121\r\n"}, {"121"}, {-1}, {}},
        {"noise above ASCII after the counter", {" 121\xFF\r\n"}, {" 121"}, {-1}, {}},
        {"noise above ASCII right after the blank", {" \x80" "121\r\n"}, {" 121"}, {-1}, {}},
        {"a control byte inside the counter is dropped", {" 1\x01" "21\r\n"}, {" 121"}, {121},
         {1}},
        {"numbers that are not a counter",
         {"Error : 32 is invalid (valid is -31 to 31)\r\nMMBasic V5.05.05\r\n-3\r\n1.5\r\n"},
         {"Error : 32 is invalid (valid is -31 to 31)", "MMBasic V5.05.05", "-3", "1.5"},
         {-1, -1, -1, -1},
         {}},
        {"a counter too long for 64 bits",
         {" 1234567890123456789\r\n"},
         {" 1234567890123456789"},
         {-1},
         {}},
        {"empty lines", {"\r\n\r\n\n"}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        TickLineReader reader;
        for (std::size_t i = 0; i < c.pieces.size(); ++i)
            FeedTickLineReader(reader, c.pieces[i], {static_cast<std::int64_t>(i + 1), true});
        std::vector<std::string> texts;
        std::vector<std::int64_t> counters, stamps;
        ReceivedLine line;
        while (TakeReceivedLine(reader, line)) {
            texts.push_back(line.text);
            counters.push_back(line.isTick ? line.counter : -1);
            if (line.isTick)
                stamps.push_back(line.counterFound.stamp);
        }
        EXPECT_EQ(texts, c.texts) << c.what;
        EXPECT_EQ(counters, c.counters) << c.what;
        EXPECT_EQ(stamps, c.stamps) << c.what;
    }
    // A flood without line ends keeps only its newest bytes, and the line that ends it is still
    // known by its counter.
    TickLineReader reader;
    for (int i = 0; i < 10000; ++i)
        FeedTickLineReader(reader, "abcdefgh", {1, true});
    FeedTickLineReader(reader, " 51\r\n", {2, true});
    ReceivedLine line;
    ASSERT_TRUE(TakeReceivedLine(reader, line));
    EXPECT_LE(line.text.size(), LongestReceivedLine);
    EXPECT_TRUE(line.isTick);
    EXPECT_EQ(line.counter, 51);
    EXPECT_EQ(line.counterFound.stamp, 2);
}

// Which tick a counter is: lost lines cost only themselves, and without an upload to tell the
// interval, the counters alone show it.
TEST(TickCountingTest, CountsTicksByTheCounterNotByTheLines) {
    const struct {
        const char* what;
        std::int64_t expectedInterval;
        std::vector<std::int64_t> counters; // the first begins the run
        std::vector<std::int64_t> spans;    // intervals each later line spans
        std::int64_t interval;              // as counted after the last
    } cases[] = {
        {"every line", 5, {1, 6, 11, 16}, {1, 1, 1}, 5},
        {"one line lost", 5, {1, 6, 16, 21}, {1, 2, 1}, 5},
        {"two lines lost", 10, {1, 11, 41}, {1, 3}, 10},
        {"no upload: learned from the first step", 0, {1, 11, 21}, {1, 1}, 10},
        {"no upload, a line lost first: corrected by the next", 0, {1, 21, 31}, {1, 1}, 10},
        {"the expectation the counters deny", 10, {1, 6, 11}, {1, 1}, 5},
    };
    for (const auto& c : cases) {
        TickCounting counting = BeginTickCounting(c.counters[0], c.expectedInterval);
        std::vector<std::int64_t> spans;
        for (std::size_t i = 1; i < c.counters.size(); ++i) {
            EXPECT_LT(counting.latest, c.counters[i]) << c.what;
            spans.push_back(CountTickLine(counting, c.counters[i]));
        }
        EXPECT_EQ(spans, c.spans) << c.what;
        EXPECT_EQ(CountedInterval(counting), c.interval) << c.what;
        EXPECT_EQ(IntervalsSinceFirst(counting, c.counters.back()),
                  (c.counters.back() - c.counters[0]) / c.interval)
            << c.what;
        // What a count that goes back is measured against.
        EXPECT_EQ(counting.latest, c.counters.back()) << c.what;
    }
}

} // namespace
