// A tick whose line was already waiting when the program began to look for it: the program woke
// late (a held-back timer event, a longer interval chosen during a run), so the line's stamp is
// the moment of looking, not its arrival.
#pragma once

#include <string>

// The log line beside such a tick's line.
extern const std::wstring LateStampText;

// After the tick handler has returned: says so in the log when its line was waiting.
void ReportLateWake();

// After a start that began a run: says so when its first line was waiting (a line delay of
// 300 ms or more lets the first line, due a second after RUN, come before the poll).
extern const std::wstring LateFirstStampText;
void ReportLateStart();
