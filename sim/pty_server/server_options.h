// The command line of tockmeter-micromite.
#pragma once

#include "line_flood.h"
#include "sim/micromite_model.h"

#include <cstdint>
#include <string>

struct ServerOptions {
    MicromiteOptions model;
    LineFloodOptions flood;
    std::string linkPath;   // empty: no link
    std::string recordPath; // empty: no record
    // The power cycle comes this long after the server starts serving; -1: never.
    std::int64_t restartAfterNanoseconds = -1;
    bool help = false;
};

// False, with the reason in error, when the command line cannot be used.
bool ParseServerOptions(int argc, char** argv, ServerOptions& options, std::string& error);
extern const char* const ServerUsage;
