// Tick lines set aside as garbled (line noise changed a digit of the counter): never stamped nor
// counted, the first of a run said in the log with why, the others only counted, as stray lines
// are.
#pragma once

#include <string>

// A run begins: none set aside yet.
void ResetGarbledLines();

// Sets a tick line aside; why says what its counter does not fit ("does not fit the 10 s since
// the last tick line").
void SetAsideGarbledLine(const std::string& text, const std::wstring& why);

// At a run's end: how many were set aside, when the log does not show each of them.
void LogGarbledLineCount();
