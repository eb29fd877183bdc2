// The wait for the controller's next tick line: a poll without sleep, so that the arrival stamp
// is taken within one poll of the line's first byte, with a bound so that a silent controller
// cannot hang the window.
#pragma once

#include <cstdint>
#include <string>

enum class TickWait { LineArrived, LinkClosed, PortGone, TimedOut };

// How long a wait may last, in whole seconds: the longest interval the controller may be
// printing at, plus 5 % for a clock trimmed far off, plus 2 s for the first line, which comes a
// second after RUN. That interval is the chosen one, or the last upload's if longer; without an
// upload in this session the controller may still hold a program from an earlier one, so the
// longest interval the list offers stands in for it.
std::int64_t TickWaitBoundSeconds();

// Polls the link until a non-empty text arrives (App.ArrivalStamp then holds the stamp of the
// call that found it), the link is closed or its device stops answering, or boundSeconds pass.
// App.LineWaitingAtFirstPoll says whether the very first poll found the text.
TickWait WaitForTickLine(std::int64_t boundSeconds);

// The log line that says why no tick line came.
std::wstring NoTickLineText(TickWait outcome, std::int64_t boundSeconds);
