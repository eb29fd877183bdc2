// A simulated Micromite: its serial console and its clock, as plain state driven by explicit
// times. Every time is in nanoseconds on the PC's own time line ("true" time); nothing here reads
// a clock, so the same model serves the virtual-time tests and the real-time pseudo-terminal
// server. It understands the console commands the tool sends and runs exactly the tool's tick
// program, nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// The time of an output that will never come.
constexpr std::int64_t MicromiteNever = INT64_MAX;

struct MicromiteOptions {
    double baseErrorPpm = 0.0; // clock error at CLOCKTRIM 0; positive runs fast
    double trimStepPpm = 460.0;
    int startTrim = 0; // CLOCKTRIM after power-up: the firmware does not keep it
    // Line speed: each character takes 10 bit times on the wire, so a line's bytes come out
    // spread. 0: every byte of a reply at once.
    int baud = 38400;
    // Time the firmware spends on each byte it reads before its reply comes out.
    std::int64_t readDelayNanoseconds = 0;
    int inputBufferBytes = 128;    // input waiting while the firmware is busy; oldest lost
    int transmitBufferBytes = 256; // output not yet on the wire; when full, reading stalls
    int programMemoryBytes = 51200;
    // The oscillator wanders with warmth: wanderPpm × sin(2π t / wanderPeriodSeconds +
    // wanderPhaseRadians) beside the base error, t on the true time line. 0: no wander.
    double wanderPpm = 0.0;
    double wanderPeriodSeconds = 600.0;
    double wanderPhaseRadians = 0.0;
    // The USB serial adapter holds the bytes it receives until its latency timer expires (every
    // adapterLatencyNanoseconds, at adapterPhaseNanoseconds + k × the latency) or until
    // adapterBufferBytes of them fill its buffer, whichever comes first. 0: no adapter delay.
    std::int64_t adapterLatencyNanoseconds = 0;
    std::int64_t adapterPhaseNanoseconds = 0;
    int adapterBufferBytes = 62;
    // A messy line, each fault off at 0. "1 in N" is a chance of 1/N for each tick line, drawn
    // from lineFaultSeed and the tick line's number since MicromiteReset (lost lines counted), so
    // that faults fall at no fixed place in a run and the same seed repeats them exactly.
    // After 1 tick line in strayLineEvery, a line of strayLineText (CR LF added) comes
    // strayLineAtFraction (0 to below 1) of the interval later, while the program still runs.
    int strayLineEvery = 0;
    std::string strayLineText = "?";
    double strayLineAtFraction = 0.5;
    // A zero byte goes on the wire before 1 tick line in zeroByteEvery, in the character time
    // just before the line's first byte, so that the line keeps its time.
    int zeroByteEvery = 0;
    // 1 tick line in lostLineEvery never reaches the PC: nothing of it is sent, n still counts.
    int lostLineEvery = 0;
    // Noise on the wire changes the tick line of the count garbledCount: the PC receives
    // garbledCountAs in its place (one digit changed, say). The record keeps the line sent.
    std::int64_t garbledCount = 0;
    std::int64_t garbledCountAs = 0;
    // The controller power-cycles once at this time: banner and prompt as at power-up, the
    // program stopped (it stays stored: it is in flash), CLOCKTRIM back to startTrim. Input
    // waiting is gone; bytes already on their way to the PC still come.
    std::int64_t restartAtNanoseconds = MicromiteNever;
    // What the PC sends from lostInputFromNanoseconds until before lostInputUntilNanoseconds never
    // reaches the firmware (a loose transmit wire): no echo, no effect. Off while they are equal.
    std::int64_t lostInputFromNanoseconds = 0;
    std::int64_t lostInputUntilNanoseconds = 0;
    std::uint64_t lineFaultSeed = 1;
};

enum class MicromiteMode { Prompt, AutoSave, Running };

struct MicromiteTimedByte {
    std::int64_t atNanoseconds = 0;
    char byte = 0;
};

// One call of MicromiteReceive.
struct MicromiteReceived {
    std::int64_t atNanoseconds = 0;
    std::string bytes;
    bool lost = false; // sent while the input was lost: the firmware never saw it
};

// One line the console sent: its text without the CR LF, the time its first byte left the
// controller (the adapter may pass it on later), and whether the running program printed it (a
// tick line). A lost tick line is kept at the time it would have left, though nothing of it was
// sent; a zero byte before a line is in no line's text.
struct MicromiteLine {
    std::int64_t atNanoseconds = 0;
    std::string text;
    bool tick = false;
    bool lost = false;
    bool zeroByteBefore = false;
    bool garbled = false; // the PC received another counter
};

// The ground truth of a session. The model only appends to it; a user may empty it.
struct MicromiteRecord {
    std::vector<MicromiteReceived> received;
    std::vector<MicromiteLine> lines;
};

// The stored program as the model runs it.
struct MicromiteTickProgram {
    std::int64_t interval = 0;
    int modLineNumber = 0; // the line whose MOD fails when the interval is 0
    std::string modLine;
};

// The whole controller. Tests may read any field (trim, mode, program and record above all);
// only the functions below change it.
struct MicromiteModel {
    MicromiteOptions options;
    std::int64_t nowNanoseconds = 0; // the model has run up to here
    int trim = 0;
    MicromiteMode mode = MicromiteMode::Prompt;
    std::string program; // the stored program, every line ended by CR LF; empty: none

    // Reading input: what has arrived but not been read, the line being edited, AUTOSAVE text.
    std::deque<MicromiteTimedByte> waitingInput;
    std::int64_t busyUntilNanoseconds = 0; // the next byte is read no earlier
    bool afterCarriageReturn = false;
    std::string line;
    std::string autoSaveText;
    bool autoSaveOverflow = false;

    // The running program. Without wander, tick k (counted from RUN) comes at
    // tickBaseNanoseconds + round(tickPhaseNanoseconds + (k - tickBaseCount) * 1e9 / rate),
    // re-based when the rate changes, so that a day of ticks gathers no rounding error. The
    // wander's integral since the base, in closed form, shifts that time by a little.
    MicromiteTickProgram running;
    std::int64_t ticks = 0; // the program's n
    std::int64_t tickBaseNanoseconds = 0;
    std::int64_t tickBaseCount = 0;
    double tickPhaseNanoseconds = 0.0;

    // Output, each byte at the time it can be read at the PC's end (after the adapter), in time
    // order. The record keeps the times the bytes left the controller.
    std::deque<MicromiteTimedByte> output;
    int adapterHeldBytes = 0; // the newest output bytes, held until adapterReleaseNanoseconds
    std::int64_t adapterReleaseNanoseconds = 0;
    std::int64_t wireBusySinceNanoseconds = 0;
    std::int64_t wireBusyBytes = 0; // sent or queued since then
    bool cursorAtLineStart = true;
    MicromiteLine openLine; // the line being sent, recorded once its LF is out
    bool lineOpen = false;

    // The messy line's faults.
    std::int64_t tickLines = 0; // tick lines printed since MicromiteReset, lost ones too
    std::int64_t strayLineAtNanoseconds = MicromiteNever; // due in the running interval
    bool zeroByteSent = false; // the next tick line's zero byte is on the wire
    bool restarted = false;

    MicromiteRecord record;
};

// Power-up at nowNanoseconds: the banner, a copyright line, an empty line and the prompt.
void MicromiteReset(MicromiteModel& model, const MicromiteOptions& options,
                    std::int64_t nowNanoseconds);

// Bytes from the PC arrive at atNanoseconds (a time before the model's own is taken as its own).
// Ctrl-C acts at once; everything else is read when the firmware gets to it.
void MicromiteReceive(MicromiteModel& model, std::int64_t atNanoseconds, const char* bytes,
                      std::size_t count);

// Runs the controller up to untilNanoseconds: ticks, and the reading of waiting input. Output
// stays queued. untilNanoseconds must be a real time, not MicromiteNever, while a program runs.
void MicromiteRunUntil(MicromiteModel& model, std::int64_t untilNanoseconds);

// The earliest time at which output may appear (nothing appears before it), or MicromiteNever.
// It may be in the past while output is waiting to be taken.
std::int64_t MicromiteNextOutputTime(const MicromiteModel& model);

// Runs up to untilNanoseconds and appends to bytes every output byte due by then.
void MicromiteTakeOutput(MicromiteModel& model, std::int64_t untilNanoseconds, std::string& bytes);

// The oscillator drifts (warmth, supply): the base error changes at atNanoseconds. A running
// program's next tick keeps the part of its second already counted.
void MicromiteSetBaseError(MicromiteModel& model, std::int64_t atNanoseconds, double ppm);

// Controller seconds per true second at the present trim, without the wander.
double MicromiteClockRate(const MicromiteModel& model);

// The clock's whole error at atNanoseconds, in ppm: base error, trim and wander.
double MicromiteErrorPpmAt(const MicromiteModel& model, std::int64_t atNanoseconds);
