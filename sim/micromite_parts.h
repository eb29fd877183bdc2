// What the files of the Micromite model share among themselves; users include micromite_model.h.
#pragma once

#include "sim/micromite_model.h"

#include <string>

// Output (micromite_output.cpp).
void MicromiteEmit(MicromiteModel& model, std::int64_t atNanoseconds, const std::string& text,
                   bool tick = false);
void MicromiteEmitLineStart(MicromiteModel& model, std::int64_t atNanoseconds);
void MicromiteEmitPrompt(MicromiteModel& model, std::int64_t atNanoseconds);
void MicromiteEmitError(MicromiteModel& model, std::int64_t atNanoseconds,
                        const std::string& message);
// Line noise, not console output: on the wire to the PC, but in no recorded line.
void MicromiteEmitZeroByte(MicromiteModel& model, std::int64_t atNanoseconds);
// When the last byte queued so far has left.
std::int64_t MicromiteWireFreeTime(const MicromiteModel& model);
// Nanoseconds one character takes on the wire; 0 without wire time.
double MicromiteCharacterNanoseconds(const MicromiteOptions& options);

// The console (micromite_console.cpp): the firmware reads one byte of waiting input.
void MicromiteReadByte(MicromiteModel& model, std::int64_t atNanoseconds, unsigned char byte);
// ASCII letters only: the firmware's keywords and names are ASCII, and no locale may change that.
std::string MicromiteUpperCase(const std::string& text);
// Reads an optionally signed decimal integer that fills the whole text; saturates.
bool MicromiteParseInteger(const std::string& text, std::int64_t& value);

// The tick program (micromite_tick_program.cpp).
void MicromiteStartRun(MicromiteModel& model, std::int64_t atNanoseconds);
void MicromiteRunTick(MicromiteModel& model, std::int64_t atNanoseconds);
// The next tick that prints or fails, or MicromiteNever.
std::int64_t MicromiteNextTickOutputTime(const MicromiteModel& model);

// The messy line (micromite_line_faults.cpp).
// Prints the tick line of the count n, or records it lost, and draws what follows it.
void MicromitePrintTickLine(MicromiteModel& model, std::int64_t atNanoseconds, std::int64_t n);
// When the next fault acts (a stray line, a zero byte, the power cycle), or MicromiteNever.
std::int64_t MicromiteNextLineFaultTime(const MicromiteModel& model);
void MicromiteRunLineFault(MicromiteModel& model, std::int64_t atNanoseconds);

// Power (micromite_model.cpp): the firmware starts afresh, the stored program kept.
void MicromitePowerUp(MicromiteModel& model, std::int64_t atNanoseconds);

// The clock (micromite_clock.cpp).
std::int64_t MicromiteTickTime(const MicromiteModel& model, std::int64_t tick);
void MicromiteStartTicks(MicromiteModel& model, std::int64_t atNanoseconds);
// Sets trim and base error at atNanoseconds, re-basing a running program's ticks.
void MicromiteSetClock(MicromiteModel& model, std::int64_t atNanoseconds, int trim,
                       double baseErrorPpm);
