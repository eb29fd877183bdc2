// Where the settings live and where Save As opens first on Windows and in the simulation: the
// program's own folder.
#include "platform/program_paths.h"

namespace {

std::wstring ProgramFolder() {
    const std::wstring program = ProgramFilePath();
    const std::size_t separator = program.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : program.substr(0, separator + 1);
}

} // namespace

std::wstring SettingsFolderPath() {
    return ProgramFolder();
}

std::wstring FirstSaveFolderPath() {
    return ProgramFolder();
}
