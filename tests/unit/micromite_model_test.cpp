// The simulated Micromite in virtual time: its console rules, the tool's upload dialogue, and
// tick lines at exactly the times its clock rate gives.
#include "sim/micromite_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t Millisecond = 1000000;
constexpr std::int64_t Second = 1000000000;
const std::string ControlC = "\x03";
const std::string ControlZ = "\x1a";

const std::vector<std::string> FixedProgramLines = {
    "SETTICK 1000, ticker",       "DO:LOOP", "END",    "SUB ticker", "n = n + 1",
    "IF n MOD interval = 1 THEN", "PRINT n", "END IF", "END SUB"};

std::vector<std::string> TickProgram(const std::string& interval) {
    std::vector<std::string> lines = {"interval = " + interval};
    lines.insert(lines.end(), FixedProgramLines.begin(), FixedProgramLines.end());
    return lines;
}

// A controller powered up at time 0, with its banner taken.
MicromiteModel PoweredUp(const MicromiteOptions& options = MicromiteOptions{}) {
    MicromiteModel model;
    MicromiteReset(model, options, 0);
    std::string banner;
    MicromiteTakeOutput(model, Second, banner);
    return model;
}

// Sends the text at atNanoseconds and collects the reply up to atNanoseconds + collect.
std::string Send(MicromiteModel& model, std::int64_t atNanoseconds, const std::string& text,
                 std::int64_t collect = 150 * Millisecond) {
    MicromiteReceive(model, atNanoseconds, text.data(), text.size());
    std::string reply;
    MicromiteTakeOutput(model, atNanoseconds + collect, reply);
    return reply;
}

// Sends at the model's own time; for a controller that prints nothing by itself.
std::string Exchange(MicromiteModel& model, const std::string& text) {
    return Send(model, model.nowNanoseconds, text);
}

void StoreProgram(MicromiteModel& model, const std::vector<std::string>& lines) {
    Exchange(model, "AUTOSAVE\r");
    for (const std::string& line : lines)
        Exchange(model, line + "\r");
    Exchange(model, ControlZ);
}

std::vector<MicromiteLine> TickLines(const MicromiteModel& model) {
    std::vector<MicromiteLine> ticks;
    for (const MicromiteLine& line : model.record.lines)
        if (line.tick)
            ticks.push_back(line);
    return ticks;
}

std::int64_t TickTime(std::int64_t runAt, std::int64_t tick, double rate) {
    return runAt + std::llround(static_cast<double>(tick) * 1e9 / rate);
}

TEST(MicromiteConsole, PowersUpWithBannerCopyrightEmptyLineAndPrompt) {
    MicromiteModel model;
    MicromiteReset(model, MicromiteOptions{}, 5 * Second);
    std::string output;
    MicromiteTakeOutput(model, 6 * Second, output);
    ASSERT_EQ(model.record.lines.size(), 3u);
    EXPECT_NE(model.record.lines[0].text.find("MMBasic"), std::string::npos);
    EXPECT_EQ(model.record.lines[0].atNanoseconds, 5 * Second);
    EXPECT_EQ(model.record.lines[2].text, "");
    EXPECT_EQ(output.substr(output.size() - 6), "\r\n\r\n> ");
    EXPECT_EQ(model.trim, 0);
}

TEST(MicromiteConsole, EchoesAndExecutesAsTheLineEditorDoes) {
    const struct {
        std::string typed;
        std::string reply;
    } cases[] = {
        {"NEW\r", "NEW\r\n> "},
        {"new\r\n", "new\r\n> "}, // the LF of CR LF is swallowed
        {"NEW\n", "NEW\r\n> "},   // a lone LF ends the line
        {"\r", "\r\n> "},
        {"\r\r\n\n", "\r\n> \r\n> \r\n> "},
        {"NEX\bW\r", "NEX\b \bW\r\n> "},
        {"\b\bNEW\r", "NEW\r\n> "},   // nothing to rub out
        {"\tNEW\r", "    NEW\r\n> "}, // TAB to the next stop, blanks around a command
        {"N\x01"
         "E" +
             ControlZ + "W\x7f\r",
         "NEW\r\n> "},
        {"  run  \r", "  run  \r\n> "}, // no program: back to the prompt silently
        {"x=1\r", "x=1\r\nError : Unknown command\r\n> "},
        {"RUN 10\r", "RUN 10\r\nError : Unknown command\r\n> "},
    };
    for (const auto& c : cases) {
        MicromiteModel model = PoweredUp();
        EXPECT_EQ(Exchange(model, c.typed), c.reply) << "typed: " << c.typed;
    }
}

TEST(MicromiteConsole, RefusesALineOfMoreThan255Characters) {
    MicromiteModel model = PoweredUp();
    EXPECT_EQ(Exchange(model, std::string(255, 'a') + "\r"),
              std::string(255, 'a') + "\r\nError : Unknown command\r\n> ");
    EXPECT_EQ(Exchange(model, std::string(256, 'a')),
              std::string(255, 'a') + "\r\nError : Line is too long\r\n> ");
    EXPECT_EQ(Exchange(model, "NEW\r"), "NEW\r\n> "); // the refused line is gone
    EXPECT_EQ(Exchange(model, std::string(254, 'a') + "\t"),
              std::string(254, 'a') + "\r\nError : Line is too long\r\n> ");
}

TEST(MicromiteConsole, ClockTrimChangesTheRateOnlyWithinRange) {
    const struct {
        std::string command;
        std::string error;
        int trim;
    } cases[] = {
        {"OPTION CLOCKTRIM -3", "", -3},
        {"option clocktrim 31", "", 31},
        {"Option  ClockTrim  -31", "", -31},
        {"OPTION CLOCKTRIM +0", "", 0},
        {"OPTION CLOCKTRIM 32", "Error : 32 is invalid (valid is -31 to 31)\r\n", 7},
        {"OPTION CLOCKTRIM -40", "Error : -40 is invalid (valid is -31 to 31)\r\n", 7},
        {"OPTION CLOCKTRIM", "Error : Syntax\r\n", 7},
        {"OPTION CLOCKTRIM five", "Error : Syntax\r\n", 7},
        {"OPTION CLOCKTRIM 1 2", "Error : Syntax\r\n", 7},
        {"OPTION BAUDRATE 9600", "Error : Unknown command\r\n", 7},
    };
    for (const auto& c : cases) {
        MicromiteOptions options;
        options.baseErrorPpm = 1500;
        options.trimStepPpm = 460;
        options.startTrim = 7;
        MicromiteModel model = PoweredUp(options);
        EXPECT_EQ(Exchange(model, c.command + "\r"), c.command + "\r\n" + c.error + "> ");
        EXPECT_EQ(model.trim, c.trim) << c.command;
        EXPECT_DOUBLE_EQ(MicromiteClockRate(model), 1 + (1500 + c.trim * 460) * 1e-6);
    }
}

TEST(MicromiteConsole, ControlCDiscardsWhatIsUnderWayAndGivesThePrompt) {
    const struct {
        const char* state;
        std::string before;
        std::string reply;
        std::string after;
        std::string afterReply;
    } cases[] = {
        {"at the prompt", "", "\r\n> ", "NEW\r", "NEW\r\n> "},
        {"inside a line", "NE", "\r\n> ", "W\r", "W\r\nError : Unknown command\r\n> "},
        {"in AUTOSAVE, at a line start", "AUTOSAVE\rinterval = 5\r", "> ", "RUN\r", "RUN\r\n> "},
        {"in AUTOSAVE, inside a line", "AUTOSAVE\rinterval", "\r\n> ", ControlZ, ""},
    };
    for (const auto& c : cases) {
        MicromiteModel model = PoweredUp();
        Exchange(model, c.before);
        EXPECT_EQ(Exchange(model, ControlC), c.reply) << c.state;
        EXPECT_EQ(Exchange(model, c.after), c.afterReply) << c.state;
        EXPECT_EQ(model.program, "") << c.state;
    }
}

TEST(MicromiteAutoSave, StoresTypedTextWithCrLfLineEndsAndCountsThem) {
    const struct {
        std::string typed;
        std::string echo;
        std::string stored;
        std::string reply;
    } cases[] = {
        {"A\rB\r", "A\r\nB\r\n", "A\r\nB\r\n", "Saved 6 bytes\r\n> "},
        {"A\r\nB\n\n", "A\r\nB\r\n\r\n", "A\r\nB\r\n\r\n", "Saved 8 bytes\r\n> "},
        {"A\tB", "A B", "A B\r\n", "\r\nSaved 5 bytes\r\n> "},
        {"X\x01\bY\r", "XY\r\n", "XY\r\n", "Saved 4 bytes\r\n> "},
        {"", "", "", "Saved 0 bytes\r\n> "},
    };
    for (const auto& c : cases) {
        MicromiteModel model = PoweredUp();
        StoreProgram(model, {"old program"});
        EXPECT_EQ(Exchange(model, "AUTOSAVE\r"), "AUTOSAVE\r\n");
        EXPECT_EQ(model.program, "");
        EXPECT_EQ(Exchange(model, c.typed), c.echo) << c.typed;
        EXPECT_EQ(Exchange(model, ControlZ), c.reply) << c.typed;
        EXPECT_EQ(model.program, c.stored) << c.typed;
        EXPECT_EQ(model.mode, MicromiteMode::Prompt);
    }
}

TEST(MicromiteAutoSave, ControlZThrowsAwayInputStillWaiting) {
    MicromiteOptions options;
    options.readDelayNanoseconds = Millisecond; // so that what follows Ctrl-Z is still waiting
    options.baud = 0;
    MicromiteModel model = PoweredUp(options);
    const std::int64_t at = 2 * Second;
    EXPECT_EQ(Send(model, at, "AUTOSAVE\r"), "AUTOSAVE\r\n");
    MicromiteReceive(model, 3 * Second, (ControlZ + "NEW\r").data(), 4);
    std::string reply;
    MicromiteTakeOutput(model, 3 * Second + Millisecond - 1, reply);
    EXPECT_EQ(reply, "");
    MicromiteTakeOutput(model, 4 * Second, reply);
    EXPECT_EQ(reply, "Saved 0 bytes\r\n> ");
}

TEST(MicromiteAutoSave, TextBeyondProgramMemoryIsEchoedButNotSaved) {
    MicromiteOptions options;
    options.programMemoryBytes = 8;
    MicromiteModel model = PoweredUp(options);
    StoreProgram(model, {"old"});
    Exchange(model, "AUTOSAVE\r");
    EXPECT_EQ(Exchange(model, "0123456789\r"), "0123456789\r\n");
    EXPECT_EQ(Exchange(model, ControlZ), "Error : Not enough memory\r\n> ");
    EXPECT_EQ(model.program, "");
}

// The dialogue of the tool's upload with its waits (line delay 150 ms), then a day of RUN.
TEST(MicromiteTickProgram, UploadThenRunPrintsTickLinesAtExactlyTheComputedTimes) {
    MicromiteOptions options;
    options.baseErrorPpm = 1500;
    options.trimStepPpm = 460;
    MicromiteModel model = PoweredUp(options);
    struct Step {
        std::string text;
        std::int64_t wait;
        std::string reply;
    };
    std::vector<Step> steps = {
        {ControlC, 300 * Millisecond, "\r\n> "},
        {"OPTION CLOCKTRIM -3\r", 150 * Millisecond, "OPTION CLOCKTRIM -3\r\n> "},
        {"NEW\r", 2250 * Millisecond, "NEW\r\n> "},
        {"AUTOSAVE\r", 2250 * Millisecond, "AUTOSAVE\r\n"},
    };
    for (const std::string& line : TickProgram("30"))
        steps.push_back({line + "\r", 150 * Millisecond, line + "\r\n"});
    steps.push_back({ControlZ, 1500 * Millisecond, "Saved 128 bytes\r\n> "});
    std::int64_t at = 2 * Second;
    for (const Step& step : steps) {
        EXPECT_EQ(Send(model, at, step.text, step.wait), step.reply);
        at += step.wait;
    }
    ASSERT_EQ(model.record.received.size(), steps.size());
    EXPECT_EQ(model.record.received[1].bytes, "OPTION CLOCKTRIM -3\r");
    EXPECT_EQ(model.record.received[1].atNanoseconds, 2 * Second + 300 * Millisecond);

    const double rate = 1.00012;
    EXPECT_DOUBLE_EQ(MicromiteClockRate(model), rate);
    const std::int64_t runAt = at + Second;
    EXPECT_EQ(Send(model, runAt, "RUN\r"), "RUN\r\n");
    EXPECT_EQ(MicromiteNextOutputTime(model), TickTime(runAt, 1, rate));

    // The first byte of a tick line leaves exactly at the tick; the rest follow on the wire.
    std::string output;
    MicromiteTakeOutput(model, TickTime(runAt, 1, rate) - 1, output);
    EXPECT_EQ(output, "");
    MicromiteTakeOutput(model, TickTime(runAt, 1, rate), output);
    EXPECT_EQ(output, " ");
    MicromiteTakeOutput(model, TickTime(runAt, 1, rate) + Millisecond, output);
    EXPECT_EQ(output, " 1\r\n");
    EXPECT_EQ(MicromiteNextOutputTime(model), TickTime(runAt, 31, rate));

    const std::int64_t day = 86400 * Second;
    std::string dayOfTicks;
    MicromiteTakeOutput(model, runAt + day, dayOfTicks);
    const std::vector<MicromiteLine> ticks = TickLines(model);
    ASSERT_EQ(ticks.size(), 86400u / 30 + 1);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const std::int64_t n = 30 * static_cast<std::int64_t>(i) + 1;
        ASSERT_EQ(ticks[i].text, " " + std::to_string(n));
        ASSERT_EQ(ticks[i].atNanoseconds, TickTime(runAt, n, rate)) << "tick " << n;
    }
    EXPECT_EQ(Send(model, runAt + day, ControlC), "> ");
    EXPECT_EQ(model.mode, MicromiteMode::Prompt);
}

TEST(MicromiteTickProgram, IntervalOfOnePrintsNothing) {
    MicromiteModel model = PoweredUp();
    StoreProgram(model, TickProgram("1"));
    EXPECT_EQ(Send(model, 10 * Second, "RUN\r", 100 * Second), "RUN\r\n");
    EXPECT_EQ(model.mode, MicromiteMode::Running);
    EXPECT_EQ(model.ticks, 100);
    EXPECT_EQ(MicromiteNextOutputTime(model), MicromiteNever);
    EXPECT_TRUE(TickLines(model).empty());
}

TEST(MicromiteTickProgram, IntervalOfZeroOrNoNumberFailsAtTheFirstTick) {
    for (const char* interval : {"0", "ten", "2.5"}) {
        MicromiteModel model = PoweredUp();
        StoreProgram(model, TickProgram(interval));
        EXPECT_EQ(Send(model, 10 * Second, "RUN\r", Second - 1), "RUN\r\n");
        std::string reply;
        MicromiteTakeOutput(model, 12 * Second, reply);
        EXPECT_EQ(reply, "[7] IF n MOD interval = 1 THEN\r\nError : Divide by zero\r\n> ")
            << interval;
        EXPECT_EQ(model.record.lines[model.record.lines.size() - 2].atNanoseconds, 11 * Second);
        EXPECT_EQ(model.mode, MicromiteMode::Prompt);
    }
}

TEST(MicromiteTickProgram, RunRefusesAProgramOfAnotherShape) {
    const std::vector<std::string> tick = TickProgram("5");
    auto changed = [&](std::size_t index, const std::string& line) {
        std::vector<std::string> lines = tick;
        lines[index] = line;
        return lines;
    };
    std::vector<std::string> shortOfEndSub(tick.begin(), tick.end() - 1);
    std::vector<std::string> withBlankLines = tick;
    withBlankLines.insert(withBlankLines.begin() + 2, "   ");
    withBlankLines.insert(withBlankLines.begin(), "");
    std::vector<std::string> withExtraLine = tick;
    withExtraLine.push_back("PRINT 5");
    const struct {
        const char* what;
        std::vector<std::string> program;
        std::string reply;
    } cases[] = {
        {"letter case and blanks aside", changed(6, " if N mod INTERVAL=1 then "), ""},
        {"blank lines skipped", withBlankLines, ""},
        {"a statement that is not the program's", changed(2, "PRINT 5"),
         "[3] PRINT 5\r\nError : Unknown command\r\n> "},
        {"line numbers count blank lines", changed(0, ""),
         "[2] SETTICK 1000, ticker\r\nError : Unknown command\r\n> "},
        {"a missing END SUB", shortOfEndSub,
         "[9] END IF\r\nError : Unexpected end of program\r\n> "},
        {"a line too many", withExtraLine, "[11] PRINT 5\r\nError : Unknown command\r\n> "},
    };
    for (const auto& c : cases) {
        MicromiteModel model = PoweredUp();
        StoreProgram(model, c.program);
        EXPECT_EQ(Exchange(model, "RUN\r"), "RUN\r\n" + c.reply) << c.what;
        EXPECT_EQ(model.mode == MicromiteMode::Running, c.reply.empty()) << c.what;
    }
}

TEST(MicromiteTickProgram, InputDuringARunWaitsUnechoedAndControlCThrowsItAway) {
    MicromiteModel model = PoweredUp();
    StoreProgram(model, TickProgram("2"));
    const std::int64_t runAt = 10 * Second;
    EXPECT_EQ(Send(model, runAt, "RUN\r", Second / 2), "RUN\r\n");
    EXPECT_EQ(Send(model, runAt + Second / 2, "NEW\r", 2 * Second), " 1\r\n");
    EXPECT_EQ(Send(model, runAt + 5 * Second / 2, ControlC, 10 * Second), "> ");
    EXPECT_EQ(model.mode, MicromiteMode::Prompt);
    EXPECT_NE(model.program, ""); // the NEW typed during the run never ran
    EXPECT_EQ(model.ticks, 2);
}

TEST(MicromiteTickProgram, InputWaitingWhenTheProgramFailsIsReadKeepingTheNewest128Bytes) {
    MicromiteModel model = PoweredUp();
    StoreProgram(model, TickProgram("0"));
    const std::int64_t runAt = 10 * Second;
    Send(model, runAt, "RUN\r");
    EXPECT_EQ(Send(model, runAt + Second / 2, std::string(72, 'a') + std::string(128, 'b'),
                   Second / 2 - 1),
              "");
    std::string reply;
    MicromiteTakeOutput(model, runAt + 2 * Second, reply);
    EXPECT_EQ(reply, "[7] IF n MOD interval = 1 THEN\r\nError : Divide by zero\r\n> " +
                         std::string(128, 'b'));
}

TEST(MicromiteClock, ABaseErrorChangeMidSecondKeepsThePartAlreadyCounted) {
    MicromiteModel model = PoweredUp();
    StoreProgram(model, TickProgram("2"));
    const std::int64_t runAt = 10 * Second;
    Send(model, runAt, "RUN\r");
    const std::int64_t changeAt = runAt + 2 * Second + Second / 2;
    MicromiteSetBaseError(model, changeAt, 1000);
    MicromiteRunUntil(model, runAt + 6 * Second);
    const std::vector<MicromiteLine> ticks = TickLines(model);
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_EQ(ticks[0].atNanoseconds, runAt + Second);
    EXPECT_EQ(ticks[1].atNanoseconds, changeAt + std::llround(0.5e9 / 1.001));
    EXPECT_EQ(ticks[2].atNanoseconds, changeAt + std::llround(2.5e9 / 1.001));
}

// Controller nanoseconds counted between two true times at the given error, by Simpson's rule:
// a sum of its own, apart from the closed form the model uses.
template <typename ErrorPpm>
double CountedNanoseconds(double from, double to, const ErrorPpm& errorPpm) {
    constexpr int Pieces = 8;
    const double h = (to - from) / Pieces;
    double sum = 0.0;
    for (int i = 0; i <= Pieces; ++i) {
        const double t = from + i * h;
        const double weight = i == 0 || i == Pieces ? 1.0 : i % 2 == 1 ? 4.0 : 2.0;
        sum += weight * (1.0 + errorPpm(t) * 1e-6);
    }
    return sum * h / 3.0;
}

// A day of ticks under a 4 ppm wander, with the base error changed at midday: each tick comes
// when the controller has counted its seconds exactly (to the rounding of one time), the wander
// reaches its amplitude in both directions and never goes beyond it.
TEST(MicromiteClock, TheWanderStaysWithinItsAmplitudeAndADayOfTicksStaysExact) {
    MicromiteOptions options;
    options.baseErrorPpm = 1500;
    options.wanderPpm = 4;
    options.wanderPeriodSeconds = 600;
    options.wanderPhaseRadians = 1.0;
    MicromiteModel model = PoweredUp(options);
    StoreProgram(model, TickProgram("10"));
    const std::int64_t runAt = 10 * Second;
    Send(model, runAt, "RUN\r");
    const double changeAt = static_cast<double>(runAt + 43200 * Second + 300 * Millisecond);
    MicromiteRunUntil(model, static_cast<std::int64_t>(changeAt));
    MicromiteSetBaseError(model, static_cast<std::int64_t>(changeAt), 1000);
    MicromiteRunUntil(model, runAt + 86400 * Second);

    const auto wanderPpm = [](double t) { return 4.0 * std::sin(2 * M_PI * t / 600e9 + 1.0); };
    const auto before = [&](double t) { return 1500.0 + wanderPpm(t); };
    const auto after = [&](double t) { return 1000.0 + wanderPpm(t); };
    const std::vector<MicromiteLine> ticks = TickLines(model);
    // About 86508 controller seconds: lines 1, 11, ... 86501.
    ASSERT_EQ(ticks.size(), 8651u);
    double counted = 0.0, from = static_cast<double>(runAt);
    double lowestWander = 0.0, highestWander = 0.0;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const double at = static_cast<double>(ticks[i].atNanoseconds);
        if (at <= changeAt)
            counted += CountedNanoseconds(from, at, before);
        else if (from >= changeAt)
            counted += CountedNanoseconds(from, at, after);
        else
            counted += CountedNanoseconds(from, changeAt, before) +
                       CountedNanoseconds(changeAt, at, after);
        const std::int64_t n = 10 * static_cast<std::int64_t>(i) + 1;
        ASSERT_NEAR(counted, n * 1e9, 1.0) << "tick " << n;
        if (i > 0 && (from > changeAt || at < changeAt)) {
            const double wander = (10e9 / (at - from) - 1.0) * 1e6 - (at < changeAt ? 1500 : 1000);
            lowestWander = std::min(lowestWander, wander);
            highestWander = std::max(highestWander, wander);
        }
        from = at;
    }
    EXPECT_GT(highestWander, 3.9);
    EXPECT_LT(highestWander, 4.001);
    EXPECT_LT(lowestWander, -3.9);
    EXPECT_GT(lowestWander, -4.001);
}

// The first expiry of a latency timer at or after the given time, from the expiries' grid.
std::int64_t ExpiryAtOrAfter(std::int64_t at, std::int64_t latency, std::int64_t phase) {
    return at + ((phase - at) % latency + latency) % latency;
}

// Tick lines through the adapter: every byte reaches the PC at the first expiry of the latency
// timer at or after it left the controller, never before; the record keeps the leaving times.
TEST(MicromiteAdapter, HoldsBytesUntilTheLatencyTimerExpiresAndNeverDeliversEarly) {
    const struct {
        std::int64_t latency, phase;
    } cases[] = {{16 * Millisecond, 0}, {16 * Millisecond, 7300 * 1000}, {Millisecond, 250 * 1000}};
    for (const auto& c : cases) {
        MicromiteOptions options;
        options.baseErrorPpm = 1234;
        options.wanderPpm = 3;
        options.adapterLatencyNanoseconds = c.latency;
        options.adapterPhaseNanoseconds = c.phase;
        MicromiteModel model = PoweredUp(options);
        StoreProgram(model, TickProgram("2"));
        const std::int64_t runAt = 10 * Second;
        EXPECT_EQ(Send(model, runAt, "RUN\r", Second / 2), "RUN\r\n");
        model.record.lines.clear();
        MicromiteRunUntil(model, runAt + 200 * Second);

        const std::vector<MicromiteLine> ticks = TickLines(model);
        ASSERT_EQ(ticks.size(), 100u);
        const double characterNanoseconds = 1e10 / 38400;
        std::size_t byte = 0;
        for (const MicromiteLine& tick : ticks) {
            const std::string sent = tick.text + "\r\n";
            for (std::size_t j = 0; j < sent.size(); ++j, ++byte) {
                ASSERT_LT(byte, model.output.size());
                const std::int64_t left =
                    tick.atNanoseconds + std::llround(j * characterNanoseconds);
                EXPECT_EQ(model.output[byte].byte, sent[j]);
                EXPECT_EQ(model.output[byte].atNanoseconds,
                          ExpiryAtOrAfter(left, c.latency, c.phase))
                    << "latency " << c.latency << ", phase " << c.phase << ", " << tick.text;
            }
        }
        EXPECT_EQ(byte, model.output.size());
        // The PC sees nothing of a line before its first byte's release.
        const std::int64_t firstRelease =
            ExpiryAtOrAfter(ticks[0].atNanoseconds, c.latency, c.phase);
        std::string seen;
        MicromiteTakeOutput(model, firstRelease - 1, seen);
        EXPECT_EQ(seen, "");
        MicromiteTakeOutput(model, firstRelease, seen);
        EXPECT_EQ(seen.substr(0, 2), " 1");
    }
}

// A reply longer than the adapter's buffer goes in full buffers the moment each fills; the rest
// waits for the timer.
TEST(MicromiteAdapter, AFullBufferGoesAtOnce) {
    const struct {
        int baud;
        std::int64_t latency;
    } cases[] = {{0, 16 * Millisecond}, {38400, 100 * Millisecond}};
    const std::string typed = std::string(100, 'a') + "\r";
    const std::string reply = std::string(100, 'a') + "\r\nError : Unknown command\r\n> ";
    for (const auto& c : cases) {
        MicromiteOptions options;
        options.baud = c.baud;
        options.adapterLatencyNanoseconds = c.latency;
        MicromiteModel model = PoweredUp(options);
        const std::int64_t at = 2 * Second + 5 * Millisecond;
        MicromiteReceive(model, at, typed.data(), typed.size());
        ASSERT_EQ(model.output.size(), reply.size());
        const auto left = [&](std::size_t j) {
            return c.baud == 0 ? at : at + std::llround(j * 1e10 / c.baud);
        };
        for (std::size_t j = 0; j < reply.size(); ++j) {
            const std::int64_t release = j < 62    ? left(61)
                                         : j < 124 ? left(123)
                                                   : 2 * Second + c.latency;
            EXPECT_EQ(model.output[j].atNanoseconds, release)
                << "baud " << c.baud << ", byte " << j;
        }
        std::string seen;
        MicromiteTakeOutput(model, left(123), seen);
        EXPECT_EQ(seen, reply.substr(0, 124));
        MicromiteTakeOutput(model, 3 * Second, seen);
        EXPECT_EQ(seen, reply);
    }
}

TEST(MicromiteWire, ReplyBytesLeaveOneCharacterTimeApart) {
    MicromiteModel model = PoweredUp(); // 38400 baud: 260416.7 ns a character
    MicromiteReceive(model, 2 * Second, "NEW\r", 4);
    const std::int64_t expected[] = {0, 260417, 520833, 781250, 1041667, 1302083, 1562500};
    ASSERT_EQ(model.output.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(model.output[i].atNanoseconds, 2 * Second + expected[i]) << i;
}

// Without flow control a flood cannot be kept: reading stalls behind the full transmit buffer,
// and the input buffer keeps only its newest bytes.
TEST(MicromiteWire, AFloodStaysBoundedAndTheConsoleRecovers) {
    for (const std::string& unit : {std::string("NEW\r"), ControlC}) {
        MicromiteModel model = PoweredUp();
        std::string flood;
        for (int i = 0; i < 25000; ++i)
            flood += unit;
        MicromiteReceive(model, 2 * Second, flood.data(), flood.size());
        EXPECT_LE(model.waitingInput.size(), 128u);
        EXPECT_LE(model.output.size(), 256u + 8u);
        std::string drained;
        MicromiteTakeOutput(model, 10 * Second, drained);
        EXPECT_TRUE(model.output.empty());
        EXPECT_EQ(Send(model, 10 * Second, ControlC + "NEW\r"), "\r\n> NEW\r\n> ");
    }
}

// ---- The messy line ------------------------------------------------------------------------

// What reached the PC, byte by byte, each at the time it could first be taken.
struct WireLine {
    std::int64_t atNanoseconds = 0; // its first byte
    std::string text;
};
struct Wire {
    std::vector<WireLine> lines;
    std::vector<std::int64_t> zeroBytes;
};

// Runs the tick program at the given interval from runAt until untilNanoseconds, taking the
// output at each time MicromiteNextOutputTime names and checking that nothing came earlier.
Wire RunAndListen(MicromiteModel& model, const std::string& interval, std::int64_t runAt,
                  std::int64_t untilNanoseconds) {
    StoreProgram(model, TickProgram(interval));
    EXPECT_EQ(Send(model, runAt, "RUN\r", 10 * Millisecond), "RUN\r\n");
    model.record.lines.clear();
    Wire wire;
    bool lineOpen = false;
    for (;;) {
        const std::int64_t due = MicromiteNextOutputTime(model);
        if (due > untilNanoseconds)
            break;
        std::string bytes;
        MicromiteTakeOutput(model, due - 1, bytes);
        EXPECT_EQ(bytes, "") << "output before the time announced, " << due;
        MicromiteTakeOutput(model, due, bytes);
        for (const char byte : bytes) {
            if (byte == '\0') {
                wire.zeroBytes.push_back(due);
                continue;
            }
            if (!lineOpen)
                wire.lines.push_back(WireLine{due, std::string()});
            lineOpen = byte != '\n';
            if (byte != '\r' && byte != '\n')
                wire.lines.back().text += byte;
        }
    }
    MicromiteRunUntil(model, untilNanoseconds);
    return wire;
}

MicromiteOptions MessyOptions(int strayEvery, int zeroEvery, int lostEvery) {
    MicromiteOptions options;
    options.baseErrorPpm = 1500;
    options.strayLineEvery = strayEvery;
    options.strayLineText = "Error : stray";
    options.strayLineAtFraction = 0.25;
    options.zeroByteEvery = zeroEvery;
    options.lostLineEvery = lostEvery;
    options.lineFaultSeed = 7;
    return options;
}

// A share of 1 in every of count lines, within what chance allows.
void ExpectShare(std::size_t hits, std::size_t count, int every, const char* what) {
    if (every == 0) {
        EXPECT_EQ(hits, 0u) << what;
    } else if (every == 1) {
        EXPECT_EQ(hits, count) << what;
    } else {
        const double expected = static_cast<double>(count) / every;
        EXPECT_NEAR(static_cast<double>(hits), expected, 4 * std::sqrt(expected)) << what;
    }
}

// Each fault alone and all together, every line or 1 in N: the tick lines keep the clean
// controller's times and counts; the record marks the lost ones and those after a zero byte;
// the wire carries exactly the record's lines that were not lost, a zero byte one character time
// before each marked line, and each stray line at its fraction of the interval after its tick
// line.
TEST(MicromiteLineFaults, EachFaultDoesWhatItSaysInTheRecordAndOnTheWire) {
    const struct {
        int strayEvery, zeroEvery, lostEvery;
    } cases[] = {{0, 0, 0}, {1, 0, 0},  {5, 0, 0},  {0, 1, 0}, {0, 4, 0},
                 {0, 0, 1}, {0, 0, 10}, {5, 4, 10}, {1, 1, 3}};
    const std::int64_t runAt = 10 * Second, until = runAt + 799 * Second;
    MicromiteModel clean = PoweredUp(MessyOptions(0, 0, 0));
    RunAndListen(clean, "2", runAt, until);
    const std::vector<MicromiteLine> cleanTicks = TickLines(clean);
    ASSERT_EQ(cleanTicks.size(), 400u);
    const std::int64_t character = std::llround(1e10 / 38400);

    for (const auto& c : cases) {
        const std::string what = "stray " + std::to_string(c.strayEvery) + ", zero " +
                                 std::to_string(c.zeroEvery) + ", lost " +
                                 std::to_string(c.lostEvery);
        MicromiteModel model = PoweredUp(MessyOptions(c.strayEvery, c.zeroEvery, c.lostEvery));
        const Wire wire = RunAndListen(model, "2", runAt, until);
        const std::vector<MicromiteLine>& lines = model.record.lines;

        std::vector<WireLine> expectedWire;
        std::vector<std::int64_t> expectedZeroBytes;
        std::size_t tick = 0, lost = 0, zero = 0, stray = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const MicromiteLine& line = lines[i];
            if (line.tick) {
                ASSERT_LT(tick, cleanTicks.size()) << what;
                EXPECT_EQ(line.text, cleanTicks[tick].text) << what;
                EXPECT_EQ(line.atNanoseconds, cleanTicks[tick].atNanoseconds) << what;
                ++tick;
                lost += line.lost;
                zero += line.zeroByteBefore;
                if (line.zeroByteBefore)
                    expectedZeroBytes.push_back(line.atNanoseconds - character);
            } else {
                ASSERT_GT(tick, 0u) << what;
                EXPECT_FALSE(line.lost || line.zeroByteBefore) << what;
                EXPECT_EQ(line.text, "Error : stray") << what;
                const std::int64_t from = cleanTicks[tick - 1].atNanoseconds;
                const std::int64_t to =
                    TickTime(runAt, 2 * static_cast<std::int64_t>(tick) + 1, 1.0015);
                EXPECT_EQ(line.atNanoseconds, from + std::llround(0.25 * (to - from))) << what;
                ++stray;
            }
            if (!line.lost)
                expectedWire.push_back(WireLine{line.atNanoseconds, line.text});
        }
        EXPECT_EQ(tick, cleanTicks.size()) << what;
        ExpectShare(lost, tick, c.lostEvery, "lost");
        ExpectShare(zero, tick, c.zeroEvery, "zero bytes");
        ExpectShare(stray, tick, c.strayEvery, "stray lines");

        ASSERT_EQ(wire.lines.size(), expectedWire.size()) << what;
        for (std::size_t i = 0; i < expectedWire.size(); ++i) {
            EXPECT_EQ(wire.lines[i].text, expectedWire[i].text) << what;
            EXPECT_EQ(wire.lines[i].atNanoseconds, expectedWire[i].atNanoseconds) << what;
        }
        EXPECT_EQ(wire.zeroBytes, expectedZeroBytes) << what;
    }
}

// The same seed gives the same faults; another seed, other lines.
TEST(MicromiteLineFaults, TheSeedRepeatsARunExactly) {
    const auto lostLines = [](std::uint64_t seed) {
        MicromiteOptions options = MessyOptions(5, 4, 10);
        options.lineFaultSeed = seed;
        MicromiteModel model = PoweredUp(options);
        RunAndListen(model, "2", 10 * Second, 410 * Second);
        std::vector<std::string> lost;
        for (const MicromiteLine& line : model.record.lines)
            if (line.lost)
                lost.push_back(line.text);
        return lost;
    };
    EXPECT_FALSE(lostLines(3).empty());
    EXPECT_EQ(lostLines(3), lostLines(3));
    EXPECT_NE(lostLines(3), lostLines(4));
}

// Faults off (the default), whatever else the options say, leave the output as it always was.
TEST(MicromiteLineFaults, OffTheyChangeNothing) {
    MicromiteOptions quiet = MessyOptions(0, 0, 0);
    quiet.lineFaultSeed = 12345;
    quiet.strayLineText = "never";
    MicromiteModel plain = PoweredUp(MessyOptions(0, 0, 0));
    MicromiteModel model = PoweredUp(quiet);
    const Wire plainWire = RunAndListen(plain, "3", 10 * Second, 100 * Second);
    const Wire wire = RunAndListen(model, "3", 10 * Second, 100 * Second);
    ASSERT_EQ(wire.lines.size(), plainWire.lines.size());
    for (std::size_t i = 0; i < wire.lines.size(); ++i) {
        EXPECT_EQ(wire.lines[i].text, plainWire.lines[i].text);
        EXPECT_EQ(wire.lines[i].atNanoseconds, plainWire.lines[i].atNanoseconds);
    }
    EXPECT_TRUE(wire.zeroBytes.empty());
}

// A stray line waits for its time only while the program runs: Ctrl-C takes it away.
TEST(MicromiteLineFaults, NoStrayLineAfterTheProgramStops) {
    MicromiteModel model = PoweredUp(MessyOptions(1, 0, 0));
    const std::int64_t runAt = 10 * Second;
    RunAndListen(model, "4", runAt, runAt + Second + Millisecond); // the first line, at 1 s
    EXPECT_EQ(Send(model, runAt + 1500 * Millisecond, ControlC, 20 * Second), "> ");
}

// The controller power-cycles while its program runs: the banner and prompt come at that very
// time, the program stops but stays stored, CLOCKTRIM is back at its power-up value, and waiting
// input is gone. A time before power-up never comes.
TEST(MicromiteLineFaults, ARestartStopsTheProgramAndResetsTheTrim) {
    MicromiteOptions options = MessyOptions(1, 0, 0);
    options.startTrim = 5;
    const std::int64_t runAt = 10 * Second, restartAt = runAt + 5 * Second + 700 * Millisecond;
    options.restartAtNanoseconds = restartAt;
    MicromiteModel model = PoweredUp(options);
    EXPECT_EQ(Exchange(model, "OPTION CLOCKTRIM -3\r"), "OPTION CLOCKTRIM -3\r\n> ");
    const Wire wire = RunAndListen(model, "2", runAt, restartAt + 10 * Second);

    EXPECT_EQ(model.mode, MicromiteMode::Prompt);
    EXPECT_EQ(model.trim, 5);
    const std::vector<MicromiteLine> ticks = TickLines(model);
    ASSERT_EQ(ticks.size(), 3u); // 1, 3, 5
    ASSERT_GE(wire.lines.size(), 4u);
    const WireLine& banner = wire.lines[wire.lines.size() - 4];
    EXPECT_NE(banner.text.find("MMBasic"), std::string::npos);
    EXPECT_EQ(banner.atNanoseconds, restartAt);
    EXPECT_EQ(wire.lines.back().text, "> ");
    for (const WireLine& line : wire.lines)
        EXPECT_TRUE(line.atNanoseconds < restartAt || line.text != "Error : stray");

    // Typed during the run, never read; the stored program still runs.
    MicromiteModel typed = PoweredUp(options);
    RunAndListen(typed, "2", runAt, runAt + Second);
    MicromiteReceive(typed, runAt + 2 * Second, "NEW\r", 4);
    std::string before;
    MicromiteTakeOutput(typed, restartAt + Second, before);
    EXPECT_NE(typed.program, "");
    EXPECT_EQ(Send(typed, restartAt + 2 * Second, "RUN\r", Second + Millisecond), "RUN\r\n 1\r\n");

    options.restartAtNanoseconds = Second / 2;
    MicromiteModel late = PoweredUp(options);
    RunAndListen(late, "2", runAt, runAt + 20 * Second);
    EXPECT_EQ(late.mode, MicromiteMode::Running);
}
} // namespace
