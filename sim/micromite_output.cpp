// The console's transmit side: bytes put on the wire one character time apart, the USB adapter
// that holds them on their way to the PC, the cursor the prompt rule needs, and the record of
// every line sent.
#include "sim/micromite_parts.h"

#include <algorithm>
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

// The first expiry of the adapter's latency timer at or after the given time.
std::int64_t NextLatencyExpiry(const MicromiteOptions& options, std::int64_t atNanoseconds) {
    const std::int64_t period = options.adapterLatencyNanoseconds;
    const std::int64_t since = atNanoseconds - options.adapterPhaseNanoseconds;
    std::int64_t periods = since / period; // toward zero: rounds up below the phase
    if (periods * period < since)
        ++periods;
    return options.adapterPhaseNanoseconds + periods * period;
}

// The byte goes to the PC at the adapter's next timer expiry, or at once when it fills the
// adapter's buffer, the bytes held going with it.
void QueueOutputByte(MicromiteModel& model, std::int64_t wireNanoseconds, char byte) {
    const MicromiteOptions& options = model.options;
    if (options.adapterLatencyNanoseconds <= 0) {
        model.output.push_back(MicromiteTimedByte{wireNanoseconds, byte});
        return;
    }
    if (model.adapterHeldBytes == 0 || wireNanoseconds > model.adapterReleaseNanoseconds) {
        model.adapterHeldBytes = 0;
        model.adapterReleaseNanoseconds = NextLatencyExpiry(options, wireNanoseconds);
    }
    model.output.push_back(MicromiteTimedByte{model.adapterReleaseNanoseconds, byte});
    if (++model.adapterHeldBytes < std::max(options.adapterBufferBytes, 1))
        return;
    // Held bytes are still queued: the PC takes none of them before their release.
    for (auto held = model.output.rbegin(); held != model.output.rbegin() + model.adapterHeldBytes;
         ++held)
        held->atNanoseconds = wireNanoseconds;
    model.adapterHeldBytes = 0;
}

// The first byte leaves the moment it is printed unless the wire is still busy. Times count from
// the start of the busy stretch so that rounding does not add up along it.
void StartWireStretch(MicromiteModel& model, std::int64_t atNanoseconds) {
    if (atNanoseconds > MicromiteWireFreeTime(model)) {
        model.wireBusySinceNanoseconds = atNanoseconds;
        model.wireBusyBytes = 0;
    }
}

// When the next byte of the stretch leaves, counting it as sent.
std::int64_t NextWireTime(MicromiteModel& model) {
    return model.wireBusySinceNanoseconds +
           std::llround(static_cast<double>(model.wireBusyBytes++) *
                        MicromiteCharacterNanoseconds(model.options));
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
    StartWireStretch(model, atNanoseconds);
    for (const char byte : text) {
        const std::int64_t at = NextWireTime(model);
        QueueOutputByte(model, at, byte);
        RecordByte(model, at, byte, tick);
    }
    model.cursorAtLineStart = text.back() == '\n';
}

void MicromiteEmitZeroByte(MicromiteModel& model, std::int64_t atNanoseconds) {
    StartWireStretch(model, atNanoseconds);
    QueueOutputByte(model, NextWireTime(model), '\0');
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
