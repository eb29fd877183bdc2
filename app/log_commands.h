// The commands of the log's right-click menu: the text field's own (copy, select all, clear) and
// the two records the user can keep as files, the log and the measurements.
#pragma once

void CopyLogCommand();
void SelectAllCommand();
void ClearLogCommand();
// The log as UTF-8 text with CR LF line ends (with a byte order mark, so that every Notepad
// reads it as UTF-8).
void SaveLogCommand();
// The session's tick records as comma-separated values.
void SaveMeasurementsCommand();
