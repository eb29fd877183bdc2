// The wait for the controller's next tick line: a poll without sleep, so that the arrival stamp
// is taken within one poll of the line's first byte, with a bound so that a silent controller
// cannot hang the window.
#pragma once

#include "measure/tick_line.h"

#include <cstdint>
#include <string>

enum class TickWait { LineArrived, LinkClosed, PortGone, TimedOut, Stopped, Closing };

// How long a wait may last, in whole seconds: four times the longest interval the controller
// may be printing at, so that up to three tick lines lost in a row do not end the run, plus 5 %
// for a clock trimmed far off, plus 2 s for the first line, which comes a second after RUN. That
// interval is the chosen one, or the last upload's if longer; without an upload in this session
// the controller may still hold a program from an earlier one, so the longest interval the list
// offers stands in for it. Stop and the close request end a wait at any time.
std::int64_t TickWaitBoundSeconds();

// How long a wait polls the link alone, in milliseconds. The period timer wakes the program
// 300 ms before a line is due (the start's poll begins a little before the first line too); once
// a clock trimmed far off (5 % of the interval the controller prints at) and a second more have
// passed beyond that, the line is overdue.
std::int64_t TickWaitOverdueMilliseconds();

// What a wait that ended with a tick line found: the newest tick line complete, and how many
// older tick lines were complete beside it (read together with it, not lost).
struct TickLineFound {
    ReceivedLine line;
    int olderTickLines = 0;
};

// Polls the link, reading its bytes into App.TickLines, until a tick line is complete, the link
// is closed or its device stops answering, or boundSeconds pass. Lines that are not tick lines
// are noted (NoteStrayLine), never stamped. A tick line's stamp is the moment its counter's
// first byte was found; it is exact when the poll before had read everything waiting and no long
// drain came between, so a line that came before the wait began looking is known by its stamp
// being inexact. Once
// overdueMilliseconds have passed, each poll also takes one pending event, so that the window
// stays alive: Stop and the close request end the wait, other events are kept or discarded as a
// drain does. Before that nothing but the link is looked at, so a line in time is stamped within
// one poll of its arrival.
TickWait WaitForTickLine(std::int64_t boundSeconds, std::int64_t overdueMilliseconds,
                         TickLineFound& found);

// The log line that says why no tick line came.
std::wstring NoTickLineText(TickWait outcome, std::int64_t boundSeconds);
