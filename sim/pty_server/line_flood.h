// A controller gone wild: once a set number of tick lines has been printed, or of bytes received
// from the client, a run of garbage bytes (zero bytes among them) written to the terminal as fast
// as it takes them, alongside the console's own output.
#pragma once

#include "sim/micromite_model.h"

#include <cstddef>
#include <cstdint>

struct LineFloodOptions {
    std::int64_t afterTicks = -1;    // start once this many tick lines were printed; -1: never
    std::int64_t afterReceived = -1; // start once this many bytes were received; -1: never
    std::size_t bytes = std::size_t{1} << 20;
};

struct LineFlood {
    LineFloodOptions options;
    std::int64_t ticksSeen = 0;
    std::int64_t receivedSeen = 0;
    bool started = false;
    std::size_t written = 0;
};

// Counts what the model's record holds so far (call before the record is emptied) and starts
// the flood when its trigger is reached.
void NoteModelRecord(LineFlood& flood, const MicromiteRecord& record);

// Whether flood bytes are still to be written.
bool FloodPending(const LineFlood& flood);

// Writes as many of the bytes still to come as the non-blocking descriptor takes; returns how
// many it took (0 also when none is pending or the descriptor is full).
std::size_t WriteFlood(LineFlood& flood, int descriptor);
