// The console's reading side: the line editor at the prompt, the commands the tool sends, and
// AUTOSAVE, each byte taken when the firmware reads it.
#include "sim/micromite_parts.h"

#include <vector>

namespace {

constexpr unsigned char ControlC = 3;
constexpr unsigned char Backspace = 8;
constexpr unsigned char ControlZ = 26;
constexpr std::size_t MaxLineLength = 255;
constexpr std::size_t TabWidth = 4; // assumed: the firmware's tab stops were not confirmed
constexpr int MinTrim = -31, MaxTrim = 31;

enum class LineEnd { None, End, Swallowed };

// CR ends a line, and so does a lone LF; the LF of a CR LF pair is part of the CR's line end.
LineEnd TakeLineEnd(MicromiteModel& model, unsigned char byte) {
    const bool afterCarriageReturn = model.afterCarriageReturn;
    model.afterCarriageReturn = byte == '\r';
    if (byte == '\r')
        return LineEnd::End;
    if (byte == '\n')
        return afterCarriageReturn ? LineEnd::Swallowed : LineEnd::End;
    return LineEnd::None;
}

// Bytes above 127 pass: they are letters of the PC's code page.
bool IsPrintable(unsigned char byte) {
    return byte >= 32 && byte != 127;
}

std::vector<std::string> UpperCaseWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : MicromiteUpperCase(text) + ' ') {
        if (c != ' ') {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    return words;
}

void SetClockTrim(MicromiteModel& model, std::int64_t atNanoseconds,
                  const std::vector<std::string>& words) {
    std::int64_t value = 0;
    if (words.size() != 3 || !MicromiteParseInteger(words[2], value))
        MicromiteEmitError(model, atNanoseconds, "Syntax");
    else if (value < MinTrim || value > MaxTrim)
        MicromiteEmitError(model, atNanoseconds,
                           std::to_string(value) + " is invalid (valid is " +
                               std::to_string(MinTrim) + " to " + std::to_string(MaxTrim) + ")");
    else
        MicromiteSetClock(model, atNanoseconds, static_cast<int>(value),
                          model.options.baseErrorPpm);
    MicromiteEmitPrompt(model, atNanoseconds);
}

void Execute(MicromiteModel& model, std::int64_t atNanoseconds) {
    const std::vector<std::string> words = UpperCaseWords(model.line);
    model.line.clear();
    const auto is = [&](const char* command) { return words.size() == 1 && words[0] == command; };
    if (words.empty()) {
        MicromiteEmitPrompt(model, atNanoseconds);
    } else if (is("NEW")) {
        model.program.clear();
        MicromiteEmitPrompt(model, atNanoseconds);
    } else if (is("RUN")) {
        MicromiteStartRun(model, atNanoseconds);
    } else if (is("AUTOSAVE")) {
        model.program.clear();
        model.autoSaveText.clear();
        model.autoSaveOverflow = false;
        model.mode = MicromiteMode::AutoSave;
    } else if (words.size() >= 2 && words[0] == "OPTION" && words[1] == "CLOCKTRIM") {
        SetClockTrim(model, atNanoseconds, words);
    } else {
        MicromiteEmitError(model, atNanoseconds, "Unknown command");
        MicromiteEmitPrompt(model, atNanoseconds);
    }
}

// The editor refuses the whole line, as the firmware does, rather than letting it grow.
void AddToLine(MicromiteModel& model, std::int64_t atNanoseconds, const std::string& text) {
    if (model.line.size() + text.size() > MaxLineLength) {
        model.line.clear();
        MicromiteEmitError(model, atNanoseconds, "Line is too long");
        MicromiteEmitPrompt(model, atNanoseconds);
        return;
    }
    model.line += text;
    MicromiteEmit(model, atNanoseconds, text);
}

void EditLine(MicromiteModel& model, std::int64_t atNanoseconds, unsigned char byte) {
    switch (TakeLineEnd(model, byte)) {
    case LineEnd::Swallowed:
        return;
    case LineEnd::End:
        MicromiteEmit(model, atNanoseconds, "\r\n");
        Execute(model, atNanoseconds);
        return;
    case LineEnd::None:
        break;
    }
    if (byte == Backspace) {
        if (!model.line.empty()) {
            model.line.pop_back();
            MicromiteEmit(model, atNanoseconds, "\b \b");
        }
    } else if (byte == '\t') {
        AddToLine(model, atNanoseconds, std::string(TabWidth - model.line.size() % TabWidth, ' '));
    } else if (IsPrintable(byte)) {
        AddToLine(model, atNanoseconds, std::string(1, static_cast<char>(byte)));
    }
}

// Past the program memory the text is still echoed but no longer kept, and the save fails.
void StoreText(MicromiteModel& model, const std::string& text) {
    const std::size_t room =
        model.options.programMemoryBytes > 0 ? model.options.programMemoryBytes : 0;
    if (model.autoSaveText.size() + text.size() > room)
        model.autoSaveOverflow = true;
    else
        model.autoSaveText += text;
}

void FinishAutoSave(MicromiteModel& model, std::int64_t atNanoseconds) {
    model.waitingInput.clear();
    model.mode = MicromiteMode::Prompt;
    if (!model.autoSaveText.empty() && model.autoSaveText.back() != '\n')
        StoreText(model, "\r\n");
    if (model.autoSaveOverflow) {
        MicromiteEmitError(model, atNanoseconds, "Not enough memory");
    } else {
        model.program = model.autoSaveText;
        MicromiteEmitLineStart(model, atNanoseconds);
        MicromiteEmit(model, atNanoseconds,
                      "Saved " + std::to_string(model.program.size()) + " bytes\r\n");
    }
    model.autoSaveText.clear();
    MicromiteEmitPrompt(model, atNanoseconds);
}

// The stored text keeps every line end as CR LF, so its size is not the typed length.
void AutoSave(MicromiteModel& model, std::int64_t atNanoseconds, unsigned char byte) {
    if (byte == ControlZ) {
        FinishAutoSave(model, atNanoseconds);
        return;
    }
    switch (TakeLineEnd(model, byte)) {
    case LineEnd::Swallowed:
        return;
    case LineEnd::End:
        MicromiteEmit(model, atNanoseconds, "\r\n");
        StoreText(model, "\r\n");
        return;
    case LineEnd::None:
        break;
    }
    if (byte == '\t')
        byte = ' ';
    if (IsPrintable(byte)) {
        const std::string text(1, static_cast<char>(byte));
        MicromiteEmit(model, atNanoseconds, text);
        StoreText(model, text);
    }
}

} // namespace

std::string MicromiteUpperCase(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool MicromiteParseInteger(const std::string& text, std::int64_t& value) {
    const bool hasSign = !text.empty() && (text[0] == '-' || text[0] == '+');
    const std::size_t first = hasSign ? 1 : 0;
    if (first == text.size())
        return false;
    std::int64_t magnitude = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        const int digit = text[i] - '0';
        magnitude = magnitude > (INT64_MAX - digit) / 10 ? INT64_MAX : magnitude * 10 + digit;
    }
    value = text[0] == '-' ? -magnitude : magnitude;
    return true;
}

void MicromiteReadByte(MicromiteModel& model, std::int64_t atNanoseconds, unsigned char byte) {
    // A Ctrl-C did the rest of its work when it arrived; reading it gives the prompt.
    if (byte == ControlC)
        MicromiteEmitPrompt(model, atNanoseconds);
    else if (model.mode == MicromiteMode::AutoSave)
        AutoSave(model, atNanoseconds, byte);
    else
        EditLine(model, atNanoseconds, byte);
}
