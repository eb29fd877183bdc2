// Any bytes as the settings file beside the program: start-up loads defined settings from it,
// a document read from it is never written back, and a save that fails leaves it as it was.
#include "fuzz/fuzz_check.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "sim/sim.h"
#include "state/app_state.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Beside the simulated program, C:\Tockmeter\tockmeter.exe.
const std::wstring Folder = L"C:\\Tockmeter";
const std::wstring Path = Folder + L"\\Tockmeter.inf";

void RequireFileAsItWas(const std::string& bytes, const char* property) {
    std::string now;
    Require(SimGetFile(Path, now) && now == bytes, property);
    const auto files = SimFilesIn(Folder);
    Require(files.size() == 2 && files.count(L"tockmeter.exe") == 1,
            "nothing but the program and its settings is left in the folder");
    Require(SimOpenFileCount() == 0, "every file handle is closed");
}

void PutFile(const std::string& bytes) {
    SimReset();
    SimPutFile(Path, bytes);
}

void LoadsDefinedSettings(const std::string& bytes) {
    PutFile(bytes);
    App = AppState();
    FindProgramDir();
    LoadSettings();
    Require(App.LineDelay >= 100, "the line delay is at least its floor");
    RequireFileAsItWas(bytes, "loading leaves the file as it was");
}

// Writes into a read document, into a group it has and one it lacks, change it in memory only.
void ReadDocumentIsNeverWrittenBack(const std::string& bytes, bool readOnlyFile) {
    PutFile(bytes);
    SimSetFileReadOnly(Path, readOnlyFile);
    Require(OpenForReading(Path, GroupSpacing), "an existing file opens for reading");
    SelectGroup(L"micromite");
    WriteText(L"uM comport", L"COM1");
    WriteInteger(L"LineDelay", 1);
    SelectGroup(L"Fuzz");
    WriteComment(L"written in memory");
    CloseFile();
    RequireFileAsItWas(bytes, "a read document is never written back");
}

void FailedSaveKeepsTheFile(const std::string& bytes, void (*injectFault)()) {
    PutFile(bytes);
    injectFault();
    if (CreateForWriting(Path, GroupSpacing)) {
        SelectGroup(L"Windows");
        WriteComment(L"Main Window");
        WriteInteger(L"MainX", 1);
        CloseFile();
    }
    RequireFileAsItWas(bytes, "a failed save leaves the previous file as it was");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    LoadsDefinedSettings(bytes);
    ReadDocumentIsNeverWrittenBack(bytes, false);
    ReadDocumentIsNeverWrittenBack(bytes, true);
    FailedSaveKeepsTheFile(bytes, [] { SimSetFileReadOnly(Path, true); });
    FailedSaveKeepsTheFile(bytes, [] { SimFailWritesFrom(1); });
    FailedSaveKeepsTheFile(bytes, [] { SimFailReplaces(true); });
    return 0;
}
