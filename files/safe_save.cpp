#include "files/safe_save.h"

namespace {

const wchar_t* const NewFileSuffix = L".new";

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
    std::wstring newPath = target + NewFileSuffix;
    FileHandle file = CreateEmptyFile(newPath);
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
