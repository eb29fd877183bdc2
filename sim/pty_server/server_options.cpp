#include "server_options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>

const char* const ServerUsage =
    "usage: tockmeter-micromite [--error-ppm X] [--trim-step-ppm X] [--trim N] [--baud N]\n"
    "                           [--wander-ppm X] [--wander-period S] [--wander-phase R]\n"
    "                           [--latency-ms X] [--latency-phase-ms X] [--adapter-buffer N]\n"
    "                           [--link PATH] [--record FILE]\n"
    "                           [--flood-after-ticks N | --flood-after-received N]\n"
    "                           [--flood-bytes N] [--stray-every N] [--stray-text T]\n"
    "                           [--stray-at F] [--zero-byte-every N] [--lost-every N]\n"
    "                           [--restart-after S] [--fault-seed N]\n"
    "Serves a simulated Micromite on a new pseudo-terminal and prints the terminal's path.\n"
    "  --error-ppm X      clock error at CLOCKTRIM 0, in ppm, positive runs fast (default 0)\n"
    "  --trim-step-ppm X  clock change per CLOCKTRIM step, in ppm (default 460)\n"
    "  --trim N           CLOCKTRIM at power-up, -31 to 31 (default 0)\n"
    "  --baud N           line speed for the time each character takes; 0: none (default 38400)\n"
    "  --wander-ppm X     amplitude of the clock's slow wander with warmth, in ppm (default 0)\n"
    "  --wander-period S  the wander's period, in seconds (default 600)\n"
    "  --wander-phase R   where the wander's sine starts at the monotonic clock's 0, in radians\n"
    "  --latency-ms X     the USB adapter's latency timer: bytes to the PC wait for its next\n"
    "                     expiry, one every X ms; 0: no wait (default 0)\n"
    "  --latency-phase-ms X  the timer expires at X ms past each multiple of its period\n"
    "  --adapter-buffer N bytes the adapter holds at most; a full buffer goes at once (default "
    "62)\n"
    "  --link PATH        make PATH a symbolic link to the terminal (replacing a link there)\n"
    "  --record FILE      write every byte received and every line sent, with times\n"
    "  --flood-after-ticks N     once N tick lines were printed, flood the line with garbage\n"
    "  --flood-after-received N  once N bytes were received, flood the line with garbage\n"
    "  --flood-bytes N    how many garbage bytes, zero bytes among them (default 1048576)\n"
    "A messy line: each fault hits a tick line by a chance of 1 in N drawn from the seed, so\n"
    "the same seed repeats the same faults; N 0 (the default) is never.\n"
    "  --stray-every N    after 1 tick line in N, a stray line comes later in the interval\n"
    "  --stray-text T     the stray line's text, sent with CR LF (default ?)\n"
    "  --stray-at F       how far into the interval the stray line comes, 0 to below 1\n"
    "                     (default 0.5)\n"
    "  --zero-byte-every N  a zero byte goes just before 1 tick line in N\n"
    "  --lost-every N     1 tick line in N never reaches the PC (record: lost)\n"
    "  --restart-after S  the controller power-cycles S seconds after the server starts:\n"
    "                     banner, prompt, program stopped, CLOCKTRIM back to --trim\n"
    "  --fault-seed N     the seed of the faults' draws (default 1)\n";

namespace {

bool ReadNumber(const char* text, double low, double high, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

template <typename Whole>
bool ReadWholeNumber(const char* text, long long low, long long high, Whole& value) {
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text, &end, 10);
    value = static_cast<Whole>(number);
    return errno == 0 && end != text && *end == '\0' && number >= low && number <= high;
}

// Up to a second, kept in whole nanoseconds.
bool ReadMilliseconds(const char* text, std::int64_t& nanoseconds) {
    double milliseconds = 0.0;
    if (!ReadNumber(text, 0, 1000, milliseconds))
        return false;
    nanoseconds = std::llround(milliseconds * 1e6);
    return true;
}

// Up to a year, kept in whole nanoseconds.
bool ReadSeconds(const char* text, std::int64_t& nanoseconds) {
    double seconds = 0.0;
    if (!ReadNumber(text, 0, 366 * 86400.0, seconds))
        return false;
    nanoseconds = std::llround(seconds * 1e9);
    return true;
}

bool ReadSeed(const char* text, std::uint64_t& seed) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text, &end, 10);
    seed = number;
    return errno == 0 && end != text && *end == '\0' && text[0] != '-';
}

} // namespace

bool ParseServerOptions(int argc, char** argv, ServerOptions& options, std::string& error) {
    static const char* const valued[] = {
        "--error-ppm",         "--trim-step-ppm",        "--trim",         "--baud",
        "--wander-ppm",        "--wander-period",        "--wander-phase", "--latency-ms",
        "--latency-phase-ms",  "--adapter-buffer",       "--link",         "--record",
        "--flood-after-ticks", "--flood-after-received", "--flood-bytes",
        "--stray-every",       "--stray-text",           "--stray-at",     "--zero-byte-every",
        "--lost-every",        "--restart-after",        "--fault-seed"};
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
        else if (name == "--wander-ppm")
            good = ReadNumber(value, 0, 1000, options.model.wanderPpm);
        else if (name == "--wander-period")
            good = ReadNumber(value, 1, 1e6, options.model.wanderPeriodSeconds);
        else if (name == "--wander-phase")
            good = ReadNumber(value, -1e3, 1e3, options.model.wanderPhaseRadians);
        else if (name == "--latency-ms")
            good = ReadMilliseconds(value, options.model.adapterLatencyNanoseconds);
        else if (name == "--latency-phase-ms")
            good = ReadMilliseconds(value, options.model.adapterPhaseNanoseconds);
        else if (name == "--adapter-buffer")
            good = ReadWholeNumber(value, 1, 1 << 20, options.model.adapterBufferBytes);
        else if (name == "--flood-after-ticks")
            good = ReadWholeNumber(value, 0, INT32_MAX, options.flood.afterTicks);
        else if (name == "--flood-after-received")
            good = ReadWholeNumber(value, 0, INT32_MAX, options.flood.afterReceived);
        else if (name == "--flood-bytes")
            good = ReadWholeNumber(value, 1, INT32_MAX, options.flood.bytes);
        else if (name == "--stray-every")
            good = ReadWholeNumber(value, 0, INT32_MAX, options.model.strayLineEvery);
        else if (name == "--stray-text")
            options.model.strayLineText = value;
        else if (name == "--stray-at")
            good = ReadNumber(value, 0, 1, options.model.strayLineAtFraction) &&
                   options.model.strayLineAtFraction < 1;
        else if (name == "--zero-byte-every")
            good = ReadWholeNumber(value, 0, INT32_MAX, options.model.zeroByteEvery);
        else if (name == "--lost-every")
            good = ReadWholeNumber(value, 0, INT32_MAX, options.model.lostLineEvery);
        else if (name == "--restart-after")
            good = ReadSeconds(value, options.restartAfterNanoseconds);
        else if (name == "--fault-seed")
            good = ReadSeed(value, options.model.lineFaultSeed);
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
