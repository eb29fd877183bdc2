// The console's transmit side: bytes put on the wire one character time apart, the cursor the
// prompt rule needs, and the record of every line sent.
#include "sim/micromite_parts.h"

#include <cmath>

namespace {

constexpr double NanosecondsPerSecond = 1e9;
constexpr int BitsPerCharacter = 10; // start bit, 8 data bits, stop bit
// A line that never ends (a flood in AUTOSAVE) is cut in the record, not in the output.
constexpr std::size_t RecordedLineLimit = 4096;

void RecordByte(MicromiteModel& model, std::int64_t atNanoseconds, char byte, bool tick) {
    if (!model.lineOpen) {
        model.openLine = MicromiteLine{atNanoseconds, std::string(), tick};
        model.lineOpen = true;
    }
    if (byte == '\n') {
        model.record.lines.push_back(model.openLine);
        model.lineOpen = false;
    } else if (byte != '\r' && model.openLine.text.size() < RecordedLineLimit) {
        model.openLine.text += byte;
    }
}

} // namespace

double MicromiteCharacterNanoseconds(const MicromiteOptions& options) {
    return options.baud > 0 ? BitsPerCharacter * NanosecondsPerSecond / options.baud : 0.0;
}

std::int64_t MicromiteWireFreeTime(const MicromiteModel& model) {
    return model.wireBusySinceNanoseconds +
           std::llround(static_cast<double>(model.wireBusyBytes) *
                        MicromiteCharacterNanoseconds(model.options));
}

void MicromiteEmit(MicromiteModel& model, std::int64_t atNanoseconds, const std::string& text,
                   bool tick) {
    if (text.empty())
        return;
    // The first byte leaves the moment it is printed unless the wire is still busy. Times count
    // from the start of the busy stretch so that rounding does not add up along it.
    if (atNanoseconds > MicromiteWireFreeTime(model)) {
        model.wireBusySinceNanoseconds = atNanoseconds;
        model.wireBusyBytes = 0;
    }
    const double characterNanoseconds = MicromiteCharacterNanoseconds(model.options);
    for (const char byte : text) {
        const std::int64_t at =
            model.wireBusySinceNanoseconds +
            std::llround(static_cast<double>(model.wireBusyBytes++) * characterNanoseconds);
        model.output.push_back(MicromiteTimedByte{at, byte});
        RecordByte(model, at, byte, tick);
    }
    model.cursorAtLineStart = text.back() == '\n';
}

void MicromiteEmitLineStart(MicromiteModel& model, std::int64_t atNanoseconds) {
    if (!model.cursorAtLineStart)
        MicromiteEmit(model, atNanoseconds, "\r\n");
}

void MicromiteEmitPrompt(MicromiteModel& model, std::int64_t atNanoseconds) {
    MicromiteEmitLineStart(model, atNanoseconds);
    MicromiteEmit(model, atNanoseconds, "> ");
}

void MicromiteEmitError(MicromiteModel& model, std::int64_t atNanoseconds,
                        const std::string& message) {
    MicromiteEmitLineStart(model, atNanoseconds);
    MicromiteEmit(model, atNanoseconds, "Error : " + message + "\r\n");
}
