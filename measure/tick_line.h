// The controller's output during a run, read as lines: each line is known by what it says. The
// tick program prints its counter (" 11" CR LF); any other line (noise, "?", an error, a banner
// after a restart) is not a tick line. Bytes that no line of the controller holds (zero bytes,
// other control bytes, noise above ASCII) are set aside, so that they cannot lose the line they
// stand in; but noise above ASCII from the counter's blank on may stand for a digit it replaced,
// so such a line is not a tick line.
//
// Pure bookkeeping over the bytes handed in: no clock, no I/O, no state beyond the reader.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// How a piece of input was found: the counter value read when it was found, and whether that
// moment is the bytes' arrival within one poll (the poll before it had read everything waiting)
// or only an upper bound (the first look of a wait, a read after a pause).
struct InputFound {
    std::int64_t stamp = 0;
    bool exact = false;
};

struct ReceivedLine {
    std::string text;         // the line's printable ASCII, without its line end
    bool isTick = false;      // its last word is the tick program's counter
    std::int64_t counter = 0; // that counter
    InputFound counterFound;  // when the counter's first byte (the blank PRINT puts before it) came
};

// The longest line kept: the controller's console takes no longer ones, and a flood without line
// ends keeps only its newest bytes.
constexpr std::size_t LongestReceivedLine = 255;

struct TickLineReader {
    std::string text;               // the line being read
    std::vector<InputFound> found;  // for each byte of text
    // The length of text when the line's latest byte above ASCII came; npos: none came.
    std::size_t noiseAt = std::string::npos;
    std::deque<ReceivedLine> lines; // complete lines not yet taken, oldest first
};

// Adds what one read gave. A CR or an LF ends a line; empty lines are dropped.
void FeedTickLineReader(TickLineReader& reader, const std::string& bytes, InputFound found);

// Takes the oldest complete line; false when none is complete.
bool TakeReceivedLine(TickLineReader& reader, ReceivedLine& line);

// Forgets everything read so far.
void ResetTickLineReader(TickLineReader& reader);

// The tick program's counter in a line: its last word, all digits, after a blank or at the
// line's start. False for any other line.
bool ParseTickCounter(const std::string& text, std::int64_t& counter, std::size_t& wordStart);
