// The messy line: stray lines between the tick lines, zero bytes before them, tick lines lost on
// the way or with a counter changed by noise, and a power cycle at a set time. Each tick line's faults are drawn from the seed and
// its number alone, so that the next line's zero byte is known before the line comes.
#include "sim/micromite_parts.h"

#include <algorithm>
#include <cmath>

namespace {

enum class Fault : std::uint64_t { StrayLine = 1, ZeroByte, LostLine };

// SplitMix64's mixing: neighbouring numbers give unrelated draws.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15u;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9u;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebu;
    return x ^ (x >> 31);
}

// True for 1 tick line in every (a chance of 1/every); never when every is 0.
bool Drawn(const MicromiteModel& model, Fault fault, int every, std::int64_t tickLine) {
    if (every <= 0)
        return false;
    const std::uint64_t draw =
        Mix(Mix(model.options.lineFaultSeed + static_cast<std::uint64_t>(fault)) +
            static_cast<std::uint64_t>(tickLine));
    return draw % static_cast<std::uint64_t>(every) == 0;
}

bool Running(const MicromiteModel& model) {
    return model.mode == MicromiteMode::Running;
}

std::int64_t NextZeroByteTime(const MicromiteModel& model) {
    // A program that fails at its first tick prints no line to put it before.
    if (!Running(model) || model.running.interval == 0 || model.zeroByteSent ||
        !Drawn(model, Fault::ZeroByte, model.options.zeroByteEvery, model.tickLines))
        return MicromiteNever;
    const std::int64_t line = MicromiteNextTickOutputTime(model);
    if (line == MicromiteNever)
        return MicromiteNever;
    const std::int64_t before = line - std::llround(MicromiteCharacterNanoseconds(model.options));
    return std::max(before, model.nowNanoseconds);
}

// Some way into the interval that the tick line at atNanoseconds begins.
void ScheduleStrayLine(MicromiteModel& model, std::int64_t atNanoseconds) {
    const std::int64_t interval = model.running.interval;
    const std::int64_t ticks = interval < 0 ? -interval : interval;
    if (ticks > INT64_MAX - model.ticks)
        return;
    const std::int64_t next = MicromiteTickTime(model, model.ticks + ticks);
    if (next == MicromiteNever)
        return;
    const double fraction = std::clamp(model.options.strayLineAtFraction, 0.0, 1.0);
    model.strayLineAtNanoseconds =
        atNanoseconds + std::llround(fraction * static_cast<double>(next - atNanoseconds));
}

} // namespace

void MicromitePrintTickLine(MicromiteModel& model, std::int64_t atNanoseconds, std::int64_t n) {
    const std::int64_t tickLine = model.tickLines++;
    const std::string text = " " + std::to_string(n);
    const bool garbled = model.options.garbledCount != 0 && n == model.options.garbledCount;
    if (Drawn(model, Fault::LostLine, model.options.lostLineEvery, tickLine)) {
        MicromiteLine lost{atNanoseconds, text, true};
        lost.lost = true;
        lost.zeroByteBefore = model.zeroByteSent;
        model.record.lines.push_back(lost);
    } else {
        const std::string sent = garbled ? " " + std::to_string(model.options.garbledCountAs) : text;
        MicromiteEmit(model, atNanoseconds, sent + "\r\n", true);
        MicromiteLine& line = model.record.lines.back();
        line.zeroByteBefore = model.zeroByteSent;
        line.text = text;
        line.garbled = garbled;
    }
    model.zeroByteSent = false;
    if (Drawn(model, Fault::StrayLine, model.options.strayLineEvery, tickLine))
        ScheduleStrayLine(model, atNanoseconds);
}

std::int64_t MicromiteNextLineFaultTime(const MicromiteModel& model) {
    std::int64_t next = NextZeroByteTime(model);
    if (Running(model))
        next = std::min(next, model.strayLineAtNanoseconds);
    if (!model.restarted)
        next = std::min(next, model.options.restartAtNanoseconds);
    return next;
}

void MicromiteRunLineFault(MicromiteModel& model, std::int64_t atNanoseconds) {
    if (!model.restarted && model.options.restartAtNanoseconds <= atNanoseconds) {
        model.restarted = true;
        MicromitePowerUp(model, atNanoseconds);
    } else if (Running(model) && model.strayLineAtNanoseconds <= atNanoseconds) {
        model.strayLineAtNanoseconds = MicromiteNever;
        MicromiteEmit(model, atNanoseconds, model.options.strayLineText + "\r\n");
    } else {
        model.zeroByteSent = true;
        MicromiteEmitZeroByte(model, atNanoseconds);
    }
}
