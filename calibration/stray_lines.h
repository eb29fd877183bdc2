// Lines of a run that are not tick lines (noise, "?", an error, a banner after a restart): never
// stamped, each text said once in the log, repeats only counted so that a noisy line cannot
// flood the log.
#pragma once

#include <string>

// A run begins: nothing seen yet.
void ResetStrayLines();

// A wait found a line that is not a tick line; it is logged later, outside the wait.
void NoteStrayLine(const std::string& text);

// Logs the texts noted for the first time since the last call.
void LogStrayLines();

// At a run's end: how many stray lines there were, when the log does not show each of them.
void LogStrayLineCount();

// The log line for a stray text.
std::wstring StrayLineText(const std::string& text);

// A line's text as the log shows it: decoded, and cut short when long.
std::wstring ShownLineText(const std::string& text);
