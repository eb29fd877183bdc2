// The record of every stamped line of the session's runs, one per line the log shows for it (the
// first line of a run and each tick line), kept for the measurements file.
#pragma once

#include "text/clock_text.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct TickRecord {
    int run = 0;  // counting from 1 within the session
    int chip = 1; // the run's chip, counting from 1 within the session
    bool trimKnown = false;
    int trim = 0;            // the CLOCKTRIM of the run's upload, when known
    int tick = 0;            // 0 for the run's first line, then the log's count of tick lines
    DateValue time = NoDate; // the wall-clock time the line shows
    double stampMicroseconds = 0.0; // from the run's first line
    bool hasInterval = false;       // false on the run's first line
    double intervalSeconds = 0.0;   // as the line shows them
    double averageSeconds = 0.0;
    bool rateKnown = false; // the running estimate after this stamp
    double ppm = 0.0;
    double boundPpm = 0.0;
    bool late = false; // the stamp was taken after the line had come
};

// A day of ticks at the shortest interval is 17,280 records; beyond this many (some six days at
// 5 s) the oldest records are let go, so that a run left for weeks keeps memory bounded.
constexpr std::size_t MostTickRecords = 100000;

// The records kept, in a ring once it is full: a full ring's oldest record is at oldest.
struct TickRecords {
    std::vector<TickRecord> ring;
    std::size_t oldest = 0;
    std::int64_t dropped = 0; // how many older records were let go
};

// Adds the record as the newest, letting the oldest go beyond MostTickRecords.
void KeepTickRecord(TickRecords& records, const TickRecord& record);

// The records kept, oldest first: how many, and the one at an index below that.
std::size_t TickRecordCount(const TickRecords& records);
const TickRecord& TickRecordAt(const TickRecords& records, std::size_t index);
