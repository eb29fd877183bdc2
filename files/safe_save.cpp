#include "files/safe_save.h"

#include "files/folder_of_path.h"
#include "platform/clock.h"

#include <cstdint>

namespace {

// The new file lies beside the saved one, so that the replace stays on the same volume, under a
// short name of the program's own, whatever the length of the saved file's name (a name of 255
// bytes, the most a folder takes, leaves no room for a suffix), and one that no user's file is
// likely to have and that says what it is: a fixed prefix and the performance counter's low 32
// bits, plus the attempt, since a name taken all the same is given up for the next.
constexpr int NewFileNameAttempts = 4;
const wchar_t* const NewFilePrefix = L"~tockmeter-";
const wchar_t* const NewFileSuffix = L".tmp";

std::wstring NewFilePath(const std::wstring& target, int attempt) {
    static const wchar_t Digits[] = L"0123456789abcdef";
    auto unique = static_cast<std::uint32_t>(QueryCounter() + attempt);
    std::wstring hex(8, L'0');
    for (auto digit = hex.rbegin(); digit != hex.rend(); ++digit, unique >>= 4)
        *digit = Digits[unique & 0xF];
    return FolderOfPath(target) + NewFilePrefix + hex + NewFileSuffix;
}

// Only a file made new here is ever written, and deleted: what is already at a name (a file of
// the user's, a link to one) is never opened.
FileHandle CreateOwnNewFile(const std::wstring& target, std::wstring& newPath) {
    for (int attempt = 0; attempt < NewFileNameAttempts; ++attempt) {
        newPath = NewFilePath(target, attempt);
        bool nameTaken = false;
        const FileHandle file = CreateNewFile(newPath, nameTaken);
        if (file != 0 || !nameTaken)
            return file;
    }
    return 0;
}

// A virus scanner, an indexer or an editor may hold the file for a moment: the replace is tried
// again a few times, over half a second at most.
constexpr int ReplaceAttempts = 6;
constexpr int ReplaceRetryMilliseconds = 100;

bool ReplaceWithRetries(const std::wstring& source, const std::wstring& target) {
    for (int attempt = 1;; ++attempt) {
        if (ReplaceFileWith(source, target))
            return true;
        if (attempt == ReplaceAttempts)
            return false;
        PauseMilliseconds(ReplaceRetryMilliseconds);
    }
}

SaveOutcome FailedAt(SaveStep step) {
    return {step, LastFileErrorText()};
}

} // namespace

bool BeginSafeSave(const std::wstring& path, bool writingInPlace, SafeSave& save) {
    save = SafeSave();
    // A link is written through: the new file goes beside the file it leads to, and replaces
    // that.
    const std::wstring target = FinalFilePath(path);
    std::wstring newPath;
    FileHandle file = CreateOwnNewFile(target, newPath);
    if (file == 0 && writingInPlace) {
        // A folder where only the file may be written (an administrator granted the user
        // write access to the file alone): the file itself is written, in place.
        newPath.clear();
        file = OpenExistingFile(target, FileAccess::ReadWrite, FileShare::Read);
    }
    if (file == 0)
        return false;
    save.file = file;
    save.path = target;
    save.newPath = newPath;
    return true;
}

SaveOutcome FinishSafeSave(SafeSave& save, const std::string& bytes) {
    SaveOutcome outcome;
    bool written = save.newPath.empty() ? SeekFileStart(save.file) : true;
    if (written && !bytes.empty())
        written = WriteToFile(save.file, bytes.data(), bytes.size());
    written = written && EndFileHere(save.file) && FlushFileToDisk(save.file);
    if (!written)
        outcome = FailedAt(SaveStep::Write);
    CloseFileHandle(save.file);
    save.file = 0;
    if (save.newPath.empty())
        return outcome;
    if (written && !ReplaceWithRetries(save.newPath, save.path))
        outcome = FailedAt(SaveStep::Replace);
    if (outcome.failedAt != SaveStep::Done)
        DeleteFileAt(save.newPath);
    return outcome;
}

SaveOutcome SaveFileSafely(const std::wstring& path, const std::string& bytes) {
    SafeSave save;
    if (!BeginSafeSave(path, false, save))
        return FailedAt(SaveStep::Create);
    return FinishSafeSave(save, bytes);
}
