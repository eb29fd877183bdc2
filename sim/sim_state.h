// The simulated world's state, shared by the files of sim/. Tests reach it through sim/sim.h.
#pragma once

#include "platform/files.h"
#include "sim/sim.h"
#include "sim/sim_drawing_state.h"
#include "sim/sim_serial_state.h"
#include "sim/sim_window_state.h"

#include <map>
#include <set>
#include <string>

struct SimFile {
    std::string bytes;
    bool readOnly = false;
};

struct SimOpenFile {
    std::wstring path;
    FileAccess access = FileAccess::Read;
    FileShare share = FileShare::None;
    std::size_t position = 0;
};

struct SimWorld {
    std::int64_t nowNanoseconds = 0;
    std::int64_t counterFrequency = 10000000;
    std::int64_t wallClockAtZero = 0;
    bool timerResolutionRaised = false;

    std::map<std::wstring, SimFile> files;
    std::set<std::wstring> folders;
    std::set<std::wstring> readOnlyFolders;
    std::map<FileHandle, SimOpenFile> openFiles;
    FileHandle nextFileHandle = 1;
    int writesUntilFailure = 0; // 0: writes never fail
    bool replacesFail = false;
    int replacesFailingNext = 0;
    int replaceCount = 0;
    int takenNewFileNames = 0;  // CreateNewFile finds this many more names taken by the user
    std::string takenNameBytes; // what the user's files at those names hold
    std::wstring lastFileError; // the system's words for the latest file call that failed

    std::wstring programFilePath;

    SimDesktop desktop;
    SimSerialWorld serial;
    SimDrawingWorld drawing;
};

SimWorld& Sim();
