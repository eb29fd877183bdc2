// Files and the program's own path on Windows.
#include <windows.h>

#include <vector>

#include "platform/files.h"
#include "platform/program_paths.h"

namespace {

// ReadFile and WriteFile take 32-bit counts; larger transfers go in pieces of this size.
constexpr std::size_t LargestTransfer = 1u << 30;

HANDLE HandleOf(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

// The error of the latest file call that failed: the calls after it (a delete that cleans up, a
// pause) would overwrite the thread's own last error before the program asks why.
DWORD LatestFileError = ERROR_SUCCESS;

bool Noted(bool succeeded) {
    if (!succeeded)
        LatestFileError = GetLastError();
    return succeeded;
}

FileHandle FileHandleOf(HANDLE handle) {
    Noted(handle != INVALID_HANDLE_VALUE);
    return handle == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(handle);
}

DWORD ShareModeOf(FileShare share) {
    switch (share) {
    case FileShare::Read:
        return FILE_SHARE_READ;
    case FileShare::ReadWrite:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case FileShare::None:
        break;
    }
    return 0;
}

// Beyond MAX_PATH a full path works only in its extended-length form, which Windows takes as it
// stands (no "." or "..", backslashes only): the program's paths are full ones from the system.
std::wstring SystemPath(const std::wstring& path) {
    if (path.size() < MAX_PATH || path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    if (path.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC" + path.substr(1);
    return L"\\\\?\\" + path;
}

} // namespace

FileHandle OpenExistingFile(const std::wstring& path, FileAccess access, FileShare share) {
    const DWORD desired =
        access == FileAccess::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    return FileHandleOf(CreateFileW(SystemPath(path).c_str(), desired, ShareModeOf(share), nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateNewFile(const std::wstring& path, bool& nameTaken) {
    // CREATE_NEW fails on any name that exists; a reparse point (a link) is never followed.
    const FileHandle file = FileHandleOf(CreateFileW(
        SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
        CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    nameTaken = file == 0 &&
                (LatestFileError == ERROR_FILE_EXISTS || LatestFileError == ERROR_ALREADY_EXISTS);
    return file;
}

std::int64_t FileSize(FileHandle file) {
    LARGE_INTEGER size;
    return GetFileSizeEx(HandleOf(file), &size) ? size.QuadPart : -1;
}

std::size_t ReadFromFile(FileHandle file, char* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const std::size_t piece = count - total < LargestTransfer ? count - total : LargestTransfer;
        DWORD got = 0;
        if (!ReadFile(HandleOf(file), buffer + total, static_cast<DWORD>(piece), &got, nullptr) ||
            got == 0)
            break;
        total += got;
    }
    return total;
}

bool SeekFileStart(FileHandle file) {
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return SetFilePointerEx(HandleOf(file), start, nullptr, FILE_BEGIN) != 0;
}

bool WriteToFile(FileHandle file, const char* data, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const std::size_t piece = count - total < LargestTransfer ? count - total : LargestTransfer;
        DWORD written = 0;
        if (!Noted(WriteFile(HandleOf(file), data + total, static_cast<DWORD>(piece), &written,
                             nullptr) &&
                   written != 0))
            return false;
        total += written;
    }
    return true;
}

bool EndFileHere(FileHandle file) {
    return Noted(SetEndOfFile(HandleOf(file)) != 0);
}

bool FlushFileToDisk(FileHandle file) {
    if (FlushFileBuffers(HandleOf(file)))
        return true;
    // Some file systems (network shares, a few drivers) cannot flush; what was written stands.
    const DWORD error = GetLastError();
    return Noted(error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED);
}

void CloseFileHandle(FileHandle file) {
    if (file != 0)
        CloseHandle(HandleOf(file));
}

bool ReplaceFileWith(const std::wstring& source, const std::wstring& target) {
    const std::wstring from = SystemPath(source);
    const std::wstring to = SystemPath(target);
    // ReplaceFileW needs write access to the file it replaces. Asked first, so that a file that
    // may not be written is never tried: Wine's ReplaceFileW would leave a file of its own in
    // the folder.
    HANDLE replaced = CreateFileW(to.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (replaced == INVALID_HANDLE_VALUE) {
        if (!Noted(GetLastError() == ERROR_FILE_NOT_FOUND))
            return false;
        // Nothing to keep: the first save.
        return Noted(MoveFileExW(from.c_str(), to.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0);
    }
    CloseHandle(replaced);
    // Keeps the replaced file's attributes, permissions and creation time. Where they cannot be
    // carried over (no right to change the permissions), the save still counts.
    return Noted(ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                              nullptr, nullptr) != 0);
}

std::wstring FinalFilePath(const std::wstring& path) {
    HANDLE file = CreateFileW(SystemPath(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return path;
    // The answer is in the extended-length form; a buffer too small gives the size needed.
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        length = GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length < buffer.size())
            break;
        buffer.resize(length);
    }
    CloseHandle(file);
    if (length == 0 || length >= buffer.size())
        return path;
    return std::wstring(buffer.data(), length);
}

bool DeleteFileAt(const std::wstring& path) {
    return DeleteFileW(SystemPath(path).c_str()) != 0;
}

std::wstring LastFileErrorText() {
    if (LatestFileError == ERROR_SUCCESS)
        return std::wstring();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, LatestFileError, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words(text ? text : L"", text ? length : 0);
    LocalFree(text);
    // The system's texts end with a line break.
    while (!words.empty() &&
           (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' '))
        words.pop_back();
    return words;
}

std::wstring ProgramFilePath() {
    // Paths may be longer than MAX_PATH; grow the buffer until the whole path fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        if (buffer.size() >= 65536)
            return std::wstring(buffer.data(), length); // beyond any path Windows can hold
        buffer.resize(buffer.size() * 2);
    }
}
