// The one program the model runs: the tool's tick program, recognised line by line with letter
// case and blanks set aside, its interval taken from the first line.
#include "sim/micromite_parts.h"

#include <cstring>
#include <iterator>
#include <vector>

namespace {

// The program's lines in upper case without blanks; the first one goes on with the interval.
const char* const TickProgramLines[] = {
    "INTERVAL=", "SETTICK1000,TICKER",   "DO:LOOP", "END",   "SUBTICKER",
    "N=N+1",     "IFNMODINTERVAL=1THEN", "PRINTN",  "ENDIF", "ENDSUB"};
constexpr std::size_t IntervalLine = 0;
constexpr std::size_t ModLine = 6;

struct SourceLine {
    int number = 0;
    std::string text;
    std::string bare; // upper case, no blanks
};

std::vector<SourceLine> StatementLines(const std::string& program) {
    std::vector<SourceLine> lines;
    int number = 0;
    for (std::size_t start = 0; start < program.size();) {
        std::size_t end = program.find("\r\n", start);
        if (end == std::string::npos)
            end = program.size();
        SourceLine line{++number, program.substr(start, end - start), std::string()};
        for (const char c : MicromiteUpperCase(line.text))
            if (c != ' ')
                line.bare += c;
        if (!line.bare.empty())
            lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

bool Matches(const SourceLine& line, std::size_t index) {
    const char* const expected = TickProgramLines[index];
    if (index == IntervalLine)
        return line.bare.compare(0, std::strlen(expected), expected) == 0;
    return line.bare == expected;
}

// An interval that is not a whole number reads as 0, as an unset variable would, so that the
// program fails at its first tick.
std::int64_t IntervalOf(const SourceLine& line) {
    std::int64_t interval = 0;
    const std::string text = line.bare.substr(std::strlen(TickProgramLines[IntervalLine]));
    return MicromiteParseInteger(text, interval) ? interval : 0;
}

void ReportProgramError(MicromiteModel& model, std::int64_t atNanoseconds, int lineNumber,
                        const std::string& lineText, const std::string& message) {
    MicromiteEmitLineStart(model, atNanoseconds);
    MicromiteEmit(model, atNanoseconds,
                  "[" + std::to_string(lineNumber) + "] " + lineText + "\r\n");
    MicromiteEmitError(model, atNanoseconds, message);
    MicromiteEmitPrompt(model, atNanoseconds);
}

} // namespace

void MicromiteStartRun(MicromiteModel& model, std::int64_t atNanoseconds) {
    const std::vector<SourceLine> lines = StatementLines(model.program);
    if (lines.empty()) {
        MicromiteEmitPrompt(model, atNanoseconds);
        return;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i >= std::size(TickProgramLines) || !Matches(lines[i], i)) {
            ReportProgramError(model, atNanoseconds, lines[i].number, lines[i].text,
                               "Unknown command");
            return;
        }
    }
    if (lines.size() < std::size(TickProgramLines)) {
        ReportProgramError(model, atNanoseconds, lines.back().number, lines.back().text,
                           "Unexpected end of program");
        return;
    }
    model.running = MicromiteTickProgram{IntervalOf(lines[IntervalLine]), lines[ModLine].number,
                                         lines[ModLine].text};
    model.mode = MicromiteMode::Running;
    model.strayLineAtNanoseconds = MicromiteNever;
    model.zeroByteSent = false;
    MicromiteStartTicks(model, atNanoseconds);
}

void MicromiteRunTick(MicromiteModel& model, std::int64_t atNanoseconds) {
    ++model.ticks;
    const std::int64_t interval = model.running.interval;
    if (interval == 0) {
        model.mode = MicromiteMode::Prompt;
        ReportProgramError(model, atNanoseconds, model.running.modLineNumber, model.running.modLine,
                           "Divide by zero");
    } else if (model.ticks % interval == 1) {
        MicromitePrintTickLine(model, atNanoseconds, model.ticks);
    }
}

std::int64_t MicromiteNextTickOutputTime(const MicromiteModel& model) {
    if (model.mode != MicromiteMode::Running)
        return MicromiteNever;
    std::int64_t tick = model.ticks + 1;
    const std::int64_t interval = model.running.interval;
    if (interval != 0) {
        // n MOD interval = 1 comes round once every |interval| ticks, and never for 1.
        const std::uint64_t period = interval < 0 ? 0 - static_cast<std::uint64_t>(interval)
                                                  : static_cast<std::uint64_t>(interval);
        if (period == 1)
            return MicromiteNever;
        const std::uint64_t wait =
            (period + 1 - static_cast<std::uint64_t>(tick) % period) % period;
        if (wait > static_cast<std::uint64_t>(INT64_MAX - tick))
            return MicromiteNever;
        tick += static_cast<std::int64_t>(wait);
    }
    return MicromiteTickTime(model, tick);
}
