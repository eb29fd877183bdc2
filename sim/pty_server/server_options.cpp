#include "server_options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iterator>

const char* const ServerUsage =
    "usage: tockmeter-micromite [--error-ppm X] [--trim-step-ppm X] [--trim N] [--baud N]\n"
    "                           [--link PATH] [--record FILE]\n"
    "Serves a simulated Micromite on a new pseudo-terminal and prints the terminal's path.\n"
    "  --error-ppm X      clock error at CLOCKTRIM 0, in ppm, positive runs fast (default 0)\n"
    "  --trim-step-ppm X  clock change per CLOCKTRIM step, in ppm (default 460)\n"
    "  --trim N           CLOCKTRIM at power-up, -31 to 31 (default 0)\n"
    "  --baud N           line speed for the time each character takes; 0: none (default 38400)\n"
    "  --link PATH        make PATH a symbolic link to the terminal (replacing a link there)\n"
    "  --record FILE      write every byte received and every line sent, with times\n";

namespace {

bool ReadNumber(const char* text, double low, double high, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

bool ReadWholeNumber(const char* text, long low, long high, int& value) {
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text, &end, 10);
    value = static_cast<int>(number);
    return errno == 0 && end != text && *end == '\0' && number >= low && number <= high;
}

} // namespace

bool ParseServerOptions(int argc, char** argv, ServerOptions& options, std::string& error) {
    static const char* const valued[] = {"--error-ppm", "--trim-step-ppm", "--trim",
                                         "--baud",      "--link",          "--record"};
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (std::find(std::begin(valued), std::end(valued), name) == std::end(valued)) {
            error = "unknown option " + name;
            return false;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            error = name + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        // The bounds keep the clock rate well above zero whatever the trim.
        bool good = true;
        if (name == "--error-ppm")
            good = ReadNumber(value, -100000, 100000, options.model.baseErrorPpm);
        else if (name == "--trim-step-ppm")
            good = ReadNumber(value, 0, 10000, options.model.trimStepPpm);
        else if (name == "--trim")
            good = ReadWholeNumber(value, -31, 31, options.model.startTrim);
        else if (name == "--baud")
            good = ReadWholeNumber(value, 0, 4000000, options.model.baud);
        else if (name == "--link")
            options.linkPath = value;
        else
            options.recordPath = value;
        if (!good) {
            error = "bad value for " + name + ": " + value;
            return false;
        }
    }
    return true;
}
