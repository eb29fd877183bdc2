// The one simulated world of the test process, and its reset.
#include "platform/program_paths.h"
#include "sim/sim_state.h"

SimWorld& Sim() {
    static SimWorld world;
    return world;
}

void SimReset() {
    Sim() = SimWorld{};
    SimSetLocalDateTime({2026, 12, 10, 12, 0, 0});
    SimSetProgramFilePath(L"C:\\Tockmeter\\tockmeter.exe");
}

void SimSetProgramFilePath(const std::wstring& path) {
    Sim().programFilePath = path;
    SimPutFile(path, "MZ"); // the program file, and with it its folder, exist
}

std::wstring ProgramFilePath() {
    return Sim().programFilePath;
}
