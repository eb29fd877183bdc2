// A tick whose stamp the rate cannot trust: the line was already waiting when the program began
// to look for it (a held-back timer event, a longer interval chosen during a run before any
// upload), so its stamp is the moment of looking. The log says so beside the tick's line, in the
// terms of what was measured.
#pragma once

#include <string>

// Every such line begins with this.
extern const std::wstring LateStampPrefix;

// The line for a tick whose interval measured intervalSeconds where the controller's count says
// nominalSeconds.
std::wstring LateStampText(double intervalSeconds, double nominalSeconds);

// After the tick handler has returned: logs that line for the latest tick.
void ReportLateStamp(double intervalSeconds, double nominalSeconds);

// After a start that began a run: says so when its first line was waiting (a line delay of
// 300 ms or more lets the first line, due a second after RUN, come before the poll).
extern const std::wstring LateFirstStampText;
void ReportLateStart();
