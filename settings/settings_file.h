// SettingsFile: a small grouped key/value text file, read whole into an ordered list of entries
// (the document), answered and changed in memory, and written back whole when it is closed.
// There is one document per process; opening or creating another first closes the current one.
#pragma once

#include <cstdint>
#include <string>

// Format flags, summed; they act only on writing.
enum SettingsFormatFlag {
    CompactSeparator = 1, // "key=value" instead of "key = value"
    GroupSpacing = 2,     // an empty line before every group header but the first
};

// Reads and parses the file, which stays open (others may read it) until CloseFile. False, and
// an empty document, when it cannot be opened or is larger than 16 MiB, far beyond any settings
// file.
bool OpenForReading(const std::wstring& path, int formatFlags);

// Starts an empty document that CloseFile writes to path. The text goes first to a new file of
// the save's own beside it (files/safe_save.h: what is already at a name it tries stays as it
// is), created here and held open; CloseFile then puts it in the place of path in one
// step, tried again a few times over half a second when someone holds the file for a moment.
// The previous file stays untouched until CloseFile has written the whole new text; when any step
// of the save fails, it stays exactly as it was and the new file is deleted. When the new file
// cannot be created (a folder the user may not add to) but the file at path can be written, the
// document holds that file and CloseFile writes the text over it. False, and no document, when
// neither can be done.
bool CreateForWriting(const std::wstring& path, int formatFlags);

// Makes the named group current; the empty name is the top section. False when there is no
// such group: it is then pending, and the first write creates it at the end of the document.
bool SelectGroup(const std::wstring& name);

// Values of a key in the current group, or the default when the key is not there (or while a
// group is pending). ReadInteger reads an optional sign and decimal digits up to the first
// non-digit: no digits give 0, values beyond 32 bits stop at the nearest bound. ReadText gives
// the value without blanks at either end; bytes that are not valid UTF-8 read as U+FFFD.
std::int32_t ReadInteger(const std::wstring& key, std::int32_t defaultValue);
std::wstring ReadText(const std::wstring& key, const std::wstring& defaultValue);

// Writes into the document. Without one (after a failed CreateForWriting) nothing is stored and
// WriteComment gives false. A CR or LF in any text given becomes a blank, so that every entry
// stays one line. A document begun with OpenForReading takes writes in memory only.
bool WriteComment(const std::wstring& text);
void WriteInteger(const std::wstring& key, std::int32_t value);
void WriteText(const std::wstring& key, const std::wstring& text);

// Ends the document and releases its file: a created document is saved (one without any write as
// an empty file of length 0), a read one is never written back.
void CloseFile();
