// The record of a served session, written as text lines as things happen, so that a test can
// read it while the server runs. Every time is CLOCK_MONOTONIC in nanoseconds. The lines:
//   start <ns> error-ppm <X> trim-step-ppm <X> trim <N> baud <N> terminal <path>
//   rx <ns> <hex bytes>               bytes read from the client, at the time they were read
//   tx <due ns> <written ns> <hex>    bytes written to the client: when due, when written
//   line <ns> <text>                  a console line sent, at the time its first byte was due
//   tick <ns> <text>                  a line printed by the running program (a tick line)
//   lost <ns> <text>                  a tick line that never reached the terminal (--lost-every)
//   dropped <ns> <count>              output the client's side had no room for
//   flood <ns> <count>                garbage bytes written (see line_flood.h), when written
//   stop <ns> <reason>
// A line's text is without its CR LF; bytes outside printable ASCII, and the backslash, are
// written as \xHH.
#pragma once

#include "sim/micromite_model.h"

#include <cstdint>
#include <cstdio>
#include <string>

struct RecordWriter {
    std::FILE* file = nullptr; // none: nothing is written
};

// False, with the reason in error, when the file cannot be made.
bool OpenRecord(RecordWriter& writer, const std::string& path, std::string& error);
void CloseRecord(RecordWriter& writer);
void WriteRecordStart(RecordWriter& writer, std::int64_t atNanoseconds,
                      const MicromiteOptions& options, const std::string& terminalPath);
// Writes the model's record so far and empties it, so that it never grows.
void WriteModelRecord(RecordWriter& writer, MicromiteRecord& record);
void WriteRecordSent(RecordWriter& writer, std::int64_t dueNanoseconds,
                     std::int64_t writtenNanoseconds, const std::string& bytes);
void WriteRecordDropped(RecordWriter& writer, std::int64_t atNanoseconds, std::size_t count);
void WriteRecordFlood(RecordWriter& writer, std::int64_t atNanoseconds, std::size_t count);
void WriteRecordStop(RecordWriter& writer, std::int64_t atNanoseconds, const std::string& reason);
