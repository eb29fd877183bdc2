// The controller's life on the time line: power-up, input arriving, and the order in which
// ticks, the line's faults and the reading of waiting input take place.
#include "sim/micromite_parts.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr unsigned char ControlC = 3;
const char* const Banner = "Simulated Micromite MMBasic Ver 5.05\r\n"
                           "Copyright 2026 the Tockmeter developers, a model for tests\r\n"
                           "\r\n";

// The firmware reads the next waiting byte once it is free, and not while its transmit buffer
// is full: a reply it cannot send yet holds it up.
std::int64_t NextReadTime(const MicromiteModel& model) {
    if (model.mode == MicromiteMode::Running || model.waitingInput.empty())
        return MicromiteNever;
    const std::int64_t transmitFree =
        MicromiteWireFreeTime(model) - std::llround(model.options.transmitBufferBytes *
                                                    MicromiteCharacterNanoseconds(model.options));
    return std::max({model.waitingInput.front().atNanoseconds, model.busyUntilNanoseconds,
                     transmitFree}) +
           model.options.readDelayNanoseconds;
}

void Interrupt(MicromiteModel& model) {
    model.waitingInput.clear();
    model.mode = MicromiteMode::Prompt;
    model.line.clear();
    model.autoSaveText.clear();
    model.afterCarriageReturn = false;
}

void Wait(MicromiteModel& model, const MicromiteTimedByte& byte) {
    const std::size_t room = static_cast<std::size_t>(std::max(model.options.inputBufferBytes, 1));
    if (model.waitingInput.size() >= room)
        model.waitingInput.pop_front();
    model.waitingInput.push_back(byte);
}

} // namespace

void MicromitePowerUp(MicromiteModel& model, std::int64_t atNanoseconds) {
    Interrupt(model);
    model.autoSaveOverflow = false;
    model.trim = model.options.startTrim;
    model.busyUntilNanoseconds = atNanoseconds;
    MicromiteEmit(model, atNanoseconds, Banner);
    MicromiteEmitPrompt(model, atNanoseconds);
}

void MicromiteReset(MicromiteModel& model, const MicromiteOptions& options,
                    std::int64_t nowNanoseconds) {
    model = MicromiteModel{};
    model.options = options;
    model.nowNanoseconds = nowNanoseconds;
    model.wireBusySinceNanoseconds = nowNanoseconds;
    model.restarted = options.restartAtNanoseconds <= nowNanoseconds;
    MicromitePowerUp(model, nowNanoseconds);
}

void MicromiteReceive(MicromiteModel& model, std::int64_t atNanoseconds, const char* bytes,
                      std::size_t count) {
    if (count == 0)
        return;
    atNanoseconds = std::max(atNanoseconds, model.nowNanoseconds);
    MicromiteRunUntil(model, atNanoseconds);
    const bool lost = atNanoseconds >= model.options.lostInputFromNanoseconds &&
                      atNanoseconds < model.options.lostInputUntilNanoseconds;
    model.record.received.push_back(
        MicromiteReceived{atNanoseconds, std::string(bytes, count), lost});
    if (lost)
        return;
    for (std::size_t i = 0; i < count; ++i) {
        // Ctrl-C is caught as it arrives, whatever the firmware is busy with; the prompt comes
        // when the firmware reads it.
        if (static_cast<unsigned char>(bytes[i]) == ControlC)
            Interrupt(model);
        Wait(model, MicromiteTimedByte{atNanoseconds, bytes[i]});
        MicromiteRunUntil(model, atNanoseconds);
    }
}

void MicromiteRunUntil(MicromiteModel& model, std::int64_t untilNanoseconds) {
    for (;;) {
        const bool running = model.mode == MicromiteMode::Running;
        const std::int64_t next =
            running ? MicromiteTickTime(model, model.ticks + 1) : NextReadTime(model);
        // A fault due with a tick comes first: a zero byte goes before its line.
        const std::int64_t fault = MicromiteNextLineFaultTime(model);
        if (fault != MicromiteNever && fault <= next && fault <= untilNanoseconds) {
            MicromiteRunLineFault(model, fault);
            continue;
        }
        if (next == MicromiteNever || next > untilNanoseconds)
            break;
        if (running) {
            MicromiteRunTick(model, next);
        } else {
            const MicromiteTimedByte waiting = model.waitingInput.front();
            model.waitingInput.pop_front();
            model.busyUntilNanoseconds = next;
            MicromiteReadByte(model, next, static_cast<unsigned char>(waiting.byte));
        }
    }
    model.nowNanoseconds = std::max(model.nowNanoseconds, untilNanoseconds);
}

std::int64_t MicromiteNextOutputTime(const MicromiteModel& model) {
    std::int64_t next = std::min({NextReadTime(model), MicromiteNextTickOutputTime(model),
                                  MicromiteNextLineFaultTime(model)});
    if (!model.output.empty())
        next = std::min(next, model.output.front().atNanoseconds);
    return next;
}

void MicromiteTakeOutput(MicromiteModel& model, std::int64_t untilNanoseconds, std::string& bytes) {
    MicromiteRunUntil(model, untilNanoseconds);
    while (!model.output.empty() && model.output.front().atNanoseconds <= untilNanoseconds) {
        bytes += model.output.front().byte;
        model.output.pop_front();
    }
}

void MicromiteSetBaseError(MicromiteModel& model, std::int64_t atNanoseconds, double ppm) {
    atNanoseconds = std::max(atNanoseconds, model.nowNanoseconds);
    MicromiteRunUntil(model, atNanoseconds);
    MicromiteSetClock(model, atNanoseconds, model.trim, ppm);
}
