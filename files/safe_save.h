// The safe save: a file's new text goes to a new file beside it, forced to disk, which then takes
// the old file's place in one step. A full disk, a crash or a refusal midway leaves the old file
// exactly as it was.
#pragma once

#include "platform/files.h"

#include <string>

// A save under way, from BeginSafeSave to FinishSafeSave.
struct SafeSave {
    FileHandle file = 0;  // the new file (or, written in place, the file itself)
    std::wstring path;    // the file saved: the file a link leads to, not the link
    std::wstring newPath; // the new file, made by the save, in the same folder:
                          // "~tockmeter-<8 hex digits>.tmp"; empty when written in place
};

// The step at which a save failed, and the system's words for why.
enum class SaveStep { Done, Create, Write, Replace };
struct SaveOutcome {
    SaveStep failedAt = SaveStep::Done;
    std::wstring why; // LastFileErrorText at the failure; empty when the save was done
};

// Creates the new file beside the file at path (through any link), always under a name of its
// own that did not exist: a file or link already at a name tried is never opened, emptied or
// deleted. When no new file can be made (a folder the user may not add to) and writingInPlace
// allows it, opens the file itself to be written over instead. False, and nothing held, when
// neither can be done.
bool BeginSafeSave(const std::wstring& path, bool writingInPlace, SafeSave& save);

// Writes the bytes, forces them to disk, releases the file and puts the new file in the old
// one's place, tried again a few times over half a second while someone holds the file for a
// moment. On failure the new file, the save's own, is deleted; nothing else ever is.
SaveOutcome FinishSafeSave(SafeSave& save, const std::string& bytes);

// Both steps for a text at hand, never in place: a file of that name is replaced only by a
// complete new one.
SaveOutcome SaveFileSafely(const std::wstring& path, const std::string& bytes);
