// The log view: the program's output, one line at a time, in a rich text field the user can
// also edit. Lines are numbered from 0.
#pragma once

#include <string>

// Creates the log control at its place under the row of lists and buttons.
void CreateLogView(int left, int top, int width, int height);

// Adds the text as the new last line (its own line breaks start further lines).
void AppendLogLine(const std::wstring& text);

// Brings the end of the log into view, then drains pending events.
void ScrollToNewest();
// Brings the end of the log into view and leaves pending events to the event loop.
void ShowNewest();

int LogLineCount();
// The line's text without its line break; empty for a line that does not exist.
std::wstring LogLineText(int line);
// Selects a line and its line break, or clears the selection for a line that does not exist.
void SelectLogLine(int line);

// The whole log as the lines of a text file: each line followed by a CR LF.
std::wstring LogTextAsLines();
// The log's own commands, as a text field offers them.
void SelectWholeLog();
void CopyLogSelection();
// Empties the log (the user can undo it).
void ClearLog();
