// Files: open, create, read, write, replace in one step and delete, and the system's words for
// why a file call failed. A part of the seam to the operating system (platform/platform.h).
//
// File paths may be longer than 260 characters; the Windows side then uses their extended-length
// form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// An open file; 0 is no file.
using FileHandle = std::intptr_t;

enum class FileAccess { Read, ReadWrite };
enum class FileShare { None, Read, ReadWrite };

// Opens an existing file (never creates one) with the access asked for, letting other openers
// share it as given. Returns 0 when the file is missing or the OS refuses the access or sharing.
FileHandle OpenExistingFile(const std::wstring& path, FileAccess access, FileShare share);

// Creates a new, empty file for reading and writing, letting others only read it while it is
// held. Never opens what is already at path: it fails when anything exists there (a file, a
// folder, a link, also one that leads nowhere, which is never followed), and sets nameTaken.
// Returns 0 on failure; nameTaken is false for every other one (folder missing or not writable).
FileHandle CreateNewFile(const std::wstring& path, bool& nameTaken);

// Size of the open file in bytes, or -1 when it cannot be told.
std::int64_t FileSize(FileHandle file);

// Reads up to count bytes at the file position into buffer; returns the number read (0 at the
// end of the file or on failure).
std::size_t ReadFromFile(FileHandle file, char* buffer, std::size_t count);

// Moves the file position to the start. Returns false on failure.
bool SeekFileStart(FileHandle file);

// Writes count bytes at the file position. Returns true only when every byte was written.
bool WriteToFile(FileHandle file, const char* data, std::size_t count);

// Ends the file at the file position. Returns false on failure.
bool EndFileHere(FileHandle file);

// Forces what was written through to the disk. Returns false on failure; a file system that
// cannot flush at all counts as flushed.
bool FlushFileToDisk(FileHandle file);

// Releases the handle; 0 is ignored.
void CloseFileHandle(FileHandle file);

// Puts the file at source in the place of the file at target in one step, replacing target when
// it exists. A replaced file keeps its attributes and permissions (on Windows, where the system
// can carry them over). The caller has forced source to disk first. Returns false, with both
// files as they were, when it cannot; also when target cannot be written now (read-only, or held
// by another program).
bool ReplaceFileWith(const std::wstring& source, const std::wstring& target);

// Full path of the file that path names, through any links, so that a file behind a link is
// replaced, not the link; path itself when there is no such file.
std::wstring FinalFilePath(const std::wstring& path);

// Deletes a file. Returns false when it cannot.
bool DeleteFileAt(const std::wstring& path);

// Why the latest file call of this thread that failed did fail, worded by the system for the
// user (for instance "Access is denied."); empty when the system gives no words.
std::wstring LastFileErrorText();
