// An in-memory file system with the sharing rules of Windows and injectable faults.
#include "platform/files.h"
#include "sim/sim_state.h"

#include <algorithm>

namespace {

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

bool FolderExists(const std::wstring& folder) {
    return folder.empty() || Sim().folders.count(folder) != 0;
}

bool FolderWritable(const std::wstring& folder) {
    return FolderExists(folder) && Sim().readOnlyFolders.count(folder) == 0;
}

bool ShareAllows(FileShare share, FileAccess access) {
    if (share == FileShare::ReadWrite)
        return true;
    return share == FileShare::Read && access == FileAccess::Read;
}

// Windows refuses an open when an existing holder's sharing does not allow the new access, or
// the new sharing does not allow an existing holder's access.
bool SharingAllows(const std::wstring& path, FileAccess access, FileShare share) {
    for (const auto& entry : Sim().openFiles) {
        const SimOpenFile& held = entry.second;
        if (held.path != path)
            continue;
        if (!ShareAllows(held.share, access) || !ShareAllows(share, held.access))
            return false;
    }
    return true;
}

bool IsOpen(const std::wstring& path) {
    return std::any_of(Sim().openFiles.begin(), Sim().openFiles.end(),
                       [&](const auto& entry) { return entry.second.path == path; });
}

FileHandle AddHandle(const std::wstring& path, FileAccess access, FileShare share) {
    const FileHandle handle = Sim().nextFileHandle++;
    Sim().openFiles[handle] = SimOpenFile{path, access, share, 0};
    return handle;
}

SimOpenFile* Held(FileHandle file) {
    auto found = Sim().openFiles.find(file);
    return found == Sim().openFiles.end() ? nullptr : &found->second;
}

// The words Windows gives for the failures the simulated file system has.
const wchar_t* const NotFound = L"The system cannot find the file specified.";
const wchar_t* const PathNotFound = L"The system cannot find the path specified.";
const wchar_t* const AccessDenied = L"Access is denied.";
const wchar_t* const SharingViolation =
    L"The process cannot access the file because it is being used by another process.";
const wchar_t* const DiskFull = L"There is not enough space on the disk.";
const wchar_t* const FileExists = L"The file exists.";

// Notes why a call failed, for LastFileErrorText; gives what the failed call returns.
template <typename Result> Result Failed(const wchar_t* why, Result result) {
    Sim().lastFileError = why;
    return result;
}

// Why a file may not be created or replaced in its folder, or null when it may.
const wchar_t* FolderRefusal(const std::wstring& folder) {
    if (!FolderExists(folder))
        return PathNotFound;
    return FolderWritable(folder) ? nullptr : AccessDenied;
}

// Counts down the injected write failure; true when this write is to fail.
bool WriteFaultDue() {
    int& countdown = Sim().writesUntilFailure;
    if (countdown == 0)
        return false;
    if (countdown > 1) {
        --countdown;
        return false;
    }
    return true; // stays at 1: every later write fails too
}

} // namespace

void SimMakeFolder(const std::wstring& folder) {
    for (std::wstring f = folder; !f.empty(); f = FolderOf(f))
        Sim().folders.insert(f);
}

void SimPutFile(const std::wstring& path, const std::string& bytes) {
    SimMakeFolder(FolderOf(path));
    Sim().files[path].bytes = bytes;
}

bool SimGetFile(const std::wstring& path, std::string& bytes) {
    auto found = Sim().files.find(path);
    if (found == Sim().files.end())
        return false;
    bytes = found->second.bytes;
    return true;
}

bool SimFileExists(const std::wstring& path) {
    return Sim().files.count(path) != 0;
}

std::map<std::wstring, std::string> SimFilesIn(const std::wstring& folder) {
    std::map<std::wstring, std::string> found;
    for (const auto& entry : Sim().files) {
        if (FolderOf(entry.first) == folder)
            found[entry.first.substr(folder.size() + 1)] = entry.second.bytes;
    }
    return found;
}

void SimSetFileReadOnly(const std::wstring& path, bool readOnly) {
    auto found = Sim().files.find(path);
    if (found != Sim().files.end())
        found->second.readOnly = readOnly;
}

void SimSetFolderReadOnly(const std::wstring& folder, bool readOnly) {
    if (readOnly)
        Sim().readOnlyFolders.insert(folder);
    else
        Sim().readOnlyFolders.erase(folder);
}

void SimFailWritesFrom(int nthWrite) {
    Sim().writesUntilFailure = nthWrite > 0 ? nthWrite : 0;
}

void SimFailReplaces(bool fail) {
    Sim().replacesFail = fail;
}

void SimFailNextReplaces(int count) {
    Sim().replacesFailingNext = count;
}

void SimTakeNextNewFileNames(int count, const std::string& bytes) {
    Sim().takenNewFileNames = count > 0 ? count : 0;
    Sim().takenNameBytes = bytes;
}

int SimReplaceCount() {
    return Sim().replaceCount;
}

int SimOpenFileCount() {
    return static_cast<int>(Sim().openFiles.size());
}

FileHandle OpenExistingFile(const std::wstring& path, FileAccess access, FileShare share) {
    auto found = Sim().files.find(path);
    if (found == Sim().files.end())
        return Failed(NotFound, FileHandle{0});
    if (access == FileAccess::ReadWrite && found->second.readOnly)
        return Failed(AccessDenied, FileHandle{0});
    if (!SharingAllows(path, access, share))
        return Failed(SharingViolation, FileHandle{0});
    return AddHandle(path, access, share);
}

FileHandle CreateNewFile(const std::wstring& path, bool& nameTaken) {
    nameTaken = false;
    if (const wchar_t* refusal = FolderRefusal(FolderOf(path)))
        return Failed(refusal, FileHandle{0});
    if (Sim().takenNewFileNames > 0) {
        --Sim().takenNewFileNames;
        Sim().files[path].bytes = Sim().takenNameBytes;
    }
    if (Sim().files.count(path) != 0 || Sim().folders.count(path) != 0) {
        nameTaken = true;
        return Failed(FileExists, FileHandle{0});
    }
    Sim().files[path] = SimFile();
    return AddHandle(path, FileAccess::ReadWrite, FileShare::Read);
}

std::int64_t FileSize(FileHandle file) {
    const SimOpenFile* held = Held(file);
    return held ? static_cast<std::int64_t>(Sim().files[held->path].bytes.size()) : -1;
}

std::size_t ReadFromFile(FileHandle file, char* buffer, std::size_t count) {
    SimOpenFile* held = Held(file);
    if (!held)
        return 0;
    const std::string& bytes = Sim().files[held->path].bytes;
    if (held->position >= bytes.size())
        return 0;
    const std::size_t got = std::min(count, bytes.size() - held->position);
    std::copy_n(bytes.data() + held->position, got, buffer);
    held->position += got;
    return got;
}

bool SeekFileStart(FileHandle file) {
    SimOpenFile* held = Held(file);
    if (!held)
        return false;
    held->position = 0;
    return true;
}

bool WriteToFile(FileHandle file, const char* data, std::size_t count) {
    SimOpenFile* held = Held(file);
    if (!held || held->access != FileAccess::ReadWrite)
        return Failed(AccessDenied, false);
    if (WriteFaultDue())
        return Failed(DiskFull, false);
    std::string& bytes = Sim().files[held->path].bytes;
    if (bytes.size() < held->position + count)
        bytes.resize(held->position + count);
    std::copy_n(data, count, &bytes[held->position]);
    held->position += count;
    return true;
}

bool EndFileHere(FileHandle file) {
    SimOpenFile* held = Held(file);
    if (!held || held->access != FileAccess::ReadWrite)
        return false;
    Sim().files[held->path].bytes.resize(held->position);
    return true;
}

bool FlushFileToDisk(FileHandle file) {
    return Held(file) != nullptr;
}

void CloseFileHandle(FileHandle file) {
    Sim().openFiles.erase(file);
}

bool ReplaceFileWith(const std::wstring& source, const std::wstring& target) {
    auto from = Sim().files.find(source);
    ++Sim().replaceCount;
    if (Sim().replacesFailingNext > 0) {
        --Sim().replacesFailingNext;
        return Failed(SharingViolation, false);
    }
    if (Sim().replacesFail || IsOpen(source) || IsOpen(target))
        return Failed(SharingViolation, false);
    if (from == Sim().files.end())
        return Failed(NotFound, false);
    if (const wchar_t* refusal = FolderRefusal(FolderOf(source)))
        return Failed(refusal, false);
    if (const wchar_t* refusal = FolderRefusal(FolderOf(target)))
        return Failed(refusal, false);
    auto to = Sim().files.find(target);
    if (to != Sim().files.end() && to->second.readOnly)
        return Failed(AccessDenied, false);
    SimFile moved = from->second;
    Sim().files.erase(from);
    Sim().files[target] = moved;
    return true;
}

// The simulated file system has no links.
std::wstring FinalFilePath(const std::wstring& path) {
    return path;
}

std::wstring LastFileErrorText() {
    return Sim().lastFileError;
}

bool DeleteFileAt(const std::wstring& path) {
    auto found = Sim().files.find(path);
    if (found == Sim().files.end() || found->second.readOnly || IsOpen(path) ||
        !FolderWritable(FolderOf(path)))
        return false;
    Sim().files.erase(found);
    return true;
}
