// tockmeter-micromite: serves the simulated Micromite on a pseudo-terminal in real time, so that
// the real program under Wine can talk to it through a COM port. The model's time line is
// CLOCK_MONOTONIC in nanoseconds. The server prints the terminal's path on stdout and runs until
// SIGTERM, SIGINT or SIGHUP; record_writer.h gives the format of its record.
#include "line_flood.h"
#include "pseudo_terminal.h"
#include "record_writer.h"
#include "server_options.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr std::int64_t NanosecondsPerSecond = 1000000000;
// The kernel lets a poll's timeout run late by about a thousandth of its length (slack that the
// timer-slack setting does not remove), so a poll ends early by twice that.
constexpr std::int64_t PollSlackDivisor = 500;
// A poll also wakes some tens of microseconds late on a virtual machine, so the last part of a
// wait for output is spun through on the clock. Input arriving then waits at most that long.
constexpr std::int64_t SpinNanoseconds = 100000;
constexpr std::size_t ReadChunk = 4096;
const int StopSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
}

std::int64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * NanosecondsPerSecond + now.tv_nsec;
}

timespec ToTimespec(std::int64_t nanoseconds) {
    timespec time{};
    time.tv_sec = static_cast<time_t>(nanoseconds / NanosecondsPerSecond);
    time.tv_nsec = static_cast<long>(nanoseconds % NanosecondsPerSecond);
    return time;
}

struct Server {
    ServerOptions options;
    MicromiteModel model;
    PseudoTerminal terminal;
    RecordWriter record;
    LineFlood flood;
    std::string failure; // why the loop stopped, when not by a signal
};

// Signals stay blocked except inside the poll, so that one arriving between the loop's check
// and the poll still ends the wait. Returns the mask to poll with.
sigset_t CatchStopSignals() {
    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : StopSignals) {
        sigaddset(&blocked, signal);
        sigaction(signal, &action, nullptr);
    }
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    for (const int signal : StopSignals)
        sigdelset(&waitMask, signal);
    return waitMask;
}

void SendDueOutput(Server& server) {
    const std::int64_t now = MonotonicNanoseconds();
    MicromiteRunUntil(server.model, now);
    if (server.model.output.empty() || server.model.output.front().atNanoseconds > now)
        return;
    const std::int64_t due = server.model.output.front().atNanoseconds;
    std::string bytes;
    MicromiteTakeOutput(server.model, now, bytes);
    const ssize_t written = write(server.terminal.master, bytes.data(), bytes.size());
    const std::int64_t writtenAt = MonotonicNanoseconds();
    const std::size_t sent = written > 0 ? static_cast<std::size_t>(written) : 0;
    if (sent > 0)
        WriteRecordSent(server.record, due, writtenAt, bytes.substr(0, sent));
    // The terminal is full when no client has been reading; a wire would lose the bytes too.
    if (sent < bytes.size())
        WriteRecordDropped(server.record, writtenAt, bytes.size() - sent);
}

void SendFlood(Server& server) {
    const std::size_t written = WriteFlood(server.flood, server.terminal.master);
    if (written > 0)
        WriteRecordFlood(server.record, MonotonicNanoseconds(), written);
}

bool ReceiveInput(Server& server) {
    char buffer[ReadChunk];
    const std::int64_t at = MonotonicNanoseconds();
    const ssize_t count = read(server.terminal.master, buffer, sizeof buffer);
    if (count > 0)
        MicromiteReceive(server.model, at, buffer, static_cast<std::size_t>(count));
    if (count >= 0 || errno == EAGAIN || errno == EINTR)
        return true;
    server.failure = std::string("reading the terminal: ") + std::strerror(errno);
    return false;
}

// Waits until input arrives, the next output is due or, during a flood, the terminal has room;
// false when the terminal failed.
bool WaitForInputOrOutput(Server& server, const sigset_t& waitMask) {
    const std::int64_t due = MicromiteNextOutputTime(server.model);
    const std::int64_t waitFor = due - MonotonicNanoseconds();
    const std::int64_t pollFor = waitFor - SpinNanoseconds - waitFor / PollSlackDivisor;
    if (due != MicromiteNever && pollFor <= 0) {
        while (MonotonicNanoseconds() < due) {
            // spin
        }
        return true;
    }
    const short events = FloodPending(server.flood) ? POLLIN | POLLOUT : POLLIN;
    pollfd watched{server.terminal.master, events, 0};
    const timespec timeout = ToTimespec(pollFor);
    const int ready = ppoll(&watched, 1, due == MicromiteNever ? nullptr : &timeout, &waitMask);
    if (ready < 0 && errno != EINTR) {
        server.failure = std::string("waiting: ") + std::strerror(errno);
        return false;
    }
    // A hang-up cannot come while the slave is held; should it come, the read fails and says so.
    return ready <= 0 || ReceiveInput(server);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "tockmeter-micromite: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    Server server;
    std::string error;
    if (!ParseServerOptions(argc, argv, server.options, error)) {
        std::fprintf(stderr, "tockmeter-micromite: %s\n%s", error.c_str(), ServerUsage);
        return 2;
    }
    if (server.options.help) {
        std::fputs(ServerUsage, stdout);
        return 0;
    }
    // Deadlines are met to the microsecond only without the kernel's default timer slack.
    prctl(PR_SET_TIMERSLACK, 1UL);
    const sigset_t waitMask = CatchStopSignals();
    if (!OpenPseudoTerminal(server.terminal, error))
        return Fail(error);
    const ServerOptions& options = server.options;
    server.flood.options = options.flood;
    if (!options.recordPath.empty() && !OpenRecord(server.record, options.recordPath, error))
        return Fail(error);
    if (!options.linkPath.empty() && !MakeLink(options.linkPath, server.terminal.slavePath, error))
        return Fail(error);

    const std::int64_t start = MonotonicNanoseconds();
    MicromiteOptions model = options.model;
    if (options.restartAfterNanoseconds >= 0)
        model.restartAtNanoseconds = start + options.restartAfterNanoseconds;
    // The controller was switched on a while before anyone listened: its banner went nowhere.
    MicromiteReset(server.model, model, start - NanosecondsPerSecond);
    std::string unheard;
    MicromiteTakeOutput(server.model, start, unheard);
    WriteRecordStart(server.record, start, options.model, server.terminal.slavePath);
    std::printf("%s\n", server.terminal.slavePath.c_str());
    std::fflush(stdout);

    while (stopSignal == 0) {
        SendDueOutput(server);
        NoteModelRecord(server.flood, server.model.record);
        WriteModelRecord(server.record, server.model.record);
        SendFlood(server);
        if (!WaitForInputOrOutput(server, waitMask))
            break;
    }
    WriteModelRecord(server.record, server.model.record);
    WriteRecordStop(server.record, MonotonicNanoseconds(),
                    stopSignal != 0 ? std::string("signal ") + strsignal(stopSignal)
                                    : server.failure);
    if (!options.linkPath.empty())
        RemoveLink(options.linkPath, server.terminal.slavePath);
    CloseRecord(server.record);
    ClosePseudoTerminal(server.terminal);
    if (stopSignal == 0)
        return Fail(server.failure);
    return 0;
}
