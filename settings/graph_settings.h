// The graph window's place and size in the settings file, in a group of their own after the
// program's other settings, so that a file of a program that never showed the graph stays as it
// was, byte for byte.
#pragma once

// Reads the group from the document open for reading, when it has one.
void LoadGraphSettings();
// Takes the open graph window's place and inner size as the ones to keep.
void RememberGraphPlace();
// Writes the group into the document open for writing, when the place is known; the place of a
// graph window that is open is read from the window first.
void SaveGraphSettings();
