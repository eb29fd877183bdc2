// Files on Linux: file descriptors, with advisory locks standing in for Windows' sharing modes.
#include "platform/files.h"
#include "platform/text_encoding.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The error of the latest file call of this thread that failed: the calls after it (a delete
// that cleans up, a pause) may change errno before the program asks why.
thread_local int LatestFileError = 0;

bool Noted(bool succeeded) {
    if (!succeeded)
        LatestFileError = errno;
    return succeeded;
}

// A handle is the descriptor plus one, so that descriptor 0 is a file and 0 stays "no file".
FileHandle HandleOf(int descriptor) {
    return static_cast<FileHandle>(descriptor) + 1;
}

int DescriptorOf(FileHandle file) {
    return static_cast<int>(file - 1);
}

std::string SystemPath(const std::wstring& path) {
    return Utf8FromWide(path);
}

// flock has a shared and an exclusive lock where Windows has an access and a sharing mode per
// opener, and only openers that lock (other Tockmeters) meet them. The locks are chosen so that
// Windows' answers hold among the program's openers: a writer that lets others only read (the
// settings reader's first try, a new file) or an opener that shares nothing takes the exclusive
// lock, a reader that lets others only read a shared one, a reader that lets others write none.
int LockFor(FileAccess access, FileShare share) {
    const bool writes = access == FileAccess::ReadWrite;
    const bool keepsWritersOut = share != FileShare::ReadWrite;
    if (share == FileShare::None || (writes && keepsWritersOut))
        return LOCK_EX;
    return writes || keepsWritersOut ? LOCK_SH : 0;
}

// Takes the lock without waiting; a file another holder locks is refused, as a sharing
// violation is on Windows.
bool Locked(int descriptor, int lock) {
    return lock == 0 || Noted(flock(descriptor, lock | LOCK_NB) == 0);
}

// Only files: a folder would open and then fail every read, a pipe or a device would hang.
bool IsRegularFile(int descriptor) {
    struct stat status {};
    if (!Noted(fstat(descriptor, &status) == 0))
        return false;
    if (S_ISREG(status.st_mode))
        return true;
    errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    return Noted(false);
}

FileHandle Opened(int descriptor, int lock) {
    if (!Noted(descriptor >= 0))
        return 0;
    if (!IsRegularFile(descriptor) || !Locked(descriptor, lock)) {
        close(descriptor);
        return 0;
    }
    // Opened without waiting (a pipe would block the open itself); reads and writes wait.
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return HandleOf(descriptor);
}

// The folder part of a path, for syncing the folder after a rename.
std::string FolderOf(const std::string& path) {
    const std::size_t separator = path.find_last_of('/');
    if (separator == std::string::npos)
        return ".";
    return separator == 0 ? "/" : path.substr(0, separator);
}

// A rename is on disk only once its folder is; a folder that cannot be synced still holds it.
void SyncFolderOf(const std::string& path) {
    const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    fsync(folder);
    close(folder);
}

// The new file takes the replaced one's owner and group, or its group alone, where the user may
// give them, and then its permissions (a change of owner drops set-user-ID bits). Where they
// cannot be carried over, the save still counts.
void CarryOverOwnerAndMode(const std::string& path, const struct stat& replaced) {
    if (chown(path.c_str(), replaced.st_uid, replaced.st_gid) != 0)
        static_cast<void>(chown(path.c_str(), static_cast<uid_t>(-1), replaced.st_gid) == 0);
    static_cast<void>(chmod(path.c_str(), replaced.st_mode & 07777) == 0);
}

// The two variants of strerror_r: the GNU one gives the text, the POSIX one fills the buffer.
[[maybe_unused]] const char* ErrorWords(int result, const char* buffer) {
    return result == 0 ? buffer : "";
}
[[maybe_unused]] const char* ErrorWords(const char* result, const char*) {
    return result;
}

} // namespace

FileHandle OpenExistingFile(const std::wstring& path, FileAccess access, FileShare share) {
    const int mode = access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY;
    return Opened(open(SystemPath(path).c_str(), mode | O_NONBLOCK | O_NOCTTY | O_CLOEXEC),
                  LockFor(access, share));
}

FileHandle CreateNewFile(const std::wstring& path, bool& nameTaken) {
    // O_EXCL fails on any name that exists, a link included, whatever it leads to; O_NOFOLLOW
    // says so once more.
    const std::string systemPath = SystemPath(path);
    const int descriptor = open(
        systemPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    nameTaken = descriptor < 0 && errno == EEXIST;
    const FileHandle file = Opened(descriptor, LockFor(FileAccess::ReadWrite, FileShare::Read));
    // Made here but not held: the file is this call's own, so it goes again.
    if (file == 0 && descriptor >= 0)
        unlink(systemPath.c_str());
    return file;
}

std::int64_t FileSize(FileHandle file) {
    struct stat status {};
    return fstat(DescriptorOf(file), &status) == 0 ? static_cast<std::int64_t>(status.st_size) : -1;
}

std::size_t ReadFromFile(FileHandle file, char* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const ssize_t got = read(DescriptorOf(file), buffer + total, count - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

bool SeekFileStart(FileHandle file) {
    return lseek(DescriptorOf(file), 0, SEEK_SET) == 0;
}

bool WriteToFile(FileHandle file, const char* data, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const ssize_t written = write(DescriptorOf(file), data + total, count - total);
        if (written < 0 && errno == EINTR)
            continue;
        if (!Noted(written > 0))
            return false;
        total += static_cast<std::size_t>(written);
    }
    return true;
}

bool EndFileHere(FileHandle file) {
    const off_t here = lseek(DescriptorOf(file), 0, SEEK_CUR);
    return Noted(here >= 0 && ftruncate(DescriptorOf(file), here) == 0);
}

bool FlushFileToDisk(FileHandle file) {
    if (fsync(DescriptorOf(file)) == 0)
        return true;
    // A file system that cannot sync says so; what was written stands.
    return Noted(errno == EINVAL || errno == EROFS);
}

void CloseFileHandle(FileHandle file) {
    if (file != 0)
        close(DescriptorOf(file));
}

bool ReplaceFileWith(const std::wstring& source, const std::wstring& target) {
    const std::string from = SystemPath(source);
    const std::string to = SystemPath(target);
    // A file that may not be written now is not replaced, though its folder would allow the
    // rename: opened for writing (not emptied) and locked as another writer would lock it.
    const int replaced = open(to.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (replaced < 0) {
        if (!Noted(errno == ENOENT))
            return false;
        // Nothing to keep: the first save.
        if (!Noted(rename(from.c_str(), to.c_str()) == 0))
            return false;
        SyncFolderOf(to);
        return true;
    }
    struct stat status {};
    const bool mayReplace = Noted(fstat(replaced, &status) == 0) &&
                            Locked(replaced, LockFor(FileAccess::ReadWrite, FileShare::Read));
    if (mayReplace)
        CarryOverOwnerAndMode(from, status);
    const bool renamed = mayReplace && Noted(rename(from.c_str(), to.c_str()) == 0);
    close(replaced);
    if (renamed)
        SyncFolderOf(to);
    return renamed;
}

std::wstring FinalFilePath(const std::wstring& path) {
    char* final = realpath(SystemPath(path).c_str(), nullptr);
    if (!final)
        return path;
    const std::wstring finalPath = WideFromUtf8(final);
    free(final);
    return finalPath;
}

bool DeleteFileAt(const std::wstring& path) {
    return unlink(SystemPath(path).c_str()) == 0;
}

std::wstring LastFileErrorText() {
    if (LatestFileError == 0)
        return std::wstring();
    char buffer[256] = "";
    std::string words = ErrorWords(strerror_r(LatestFileError, buffer, sizeof buffer), buffer);
    if (words.empty())
        return std::wstring();
    // The system's words are a phrase ("Permission denied"); the program shows sentences.
    if (words.back() != '.')
        words += '.';
    return WideFromUtf8(words);
}
