#include "calibration/tick_program.h"

#include "calibration/timing_run.h"
#include "calibration/trim_command.h"
#include "serial/command_exchange.h"
#include "serial/kept_port.h"
#include "serial/serial_port.h"
#include "state/app_state.h"
#include "text/number_text.h"
#include "window/log_view.h"

#include <vector>

namespace {

const std::wstring ControlC(1, L'\x03');
const std::wstring ControlZ(1, L'\x1A');
const std::wstring CarriageReturn(1, L'\r');

// Counts to the interval on the controller's own one-second interrupt and prints the count at
// 1, interval + 1, 2 x interval + 1, ...
const wchar_t* const FixedProgramLines[] = {
    L"SETTICK 1000, ticker",       L"DO:LOOP", L"END",    L"SUB ticker", L"n = n + 1",
    L"IF n MOD interval = 1 THEN", L"PRINT n", L"END IF", L"END SUB",
};

enum class ReplyLog {
    AsItCame,
    TrimReply,     // as it came, then read: the controller may refuse or not confirm the value
    AsItCameLater, // the last reply: the completion line follows it before the log scrolls
    NotLogged,     // AUTOSAVE only acknowledges; its reply is not worth a log line
    ProgramLine,
};

struct UploadStep {
    std::wstring text;
    int lineDelays;
    ReplyLog log;
};

std::vector<UploadStep> UploadSteps() {
    std::vector<UploadStep> steps = {
        {ControlC, 2, ReplyLog::AsItCame},
        {ClockTrimCommand() + CarriageReturn, 1, ReplyLog::TrimReply},
        {L"NEW" + CarriageReturn, 15, ReplyLog::AsItCame},
        {L"AUTOSAVE" + CarriageReturn, 15, ReplyLog::NotLogged},
        {L"interval = " + App.TimeInterval, 1, ReplyLog::ProgramLine},
    };
    for (const wchar_t* line : FixedProgramLines)
        steps.push_back({line, 1, ReplyLog::ProgramLine});
    steps.push_back({ControlZ, 10, ReplyLog::AsItCameLater});
    return steps;
}

void RunStep(const UploadStep& step) {
    if (step.log == ReplyLog::ProgramLine) {
        SendProgramLine(step.text);
        return;
    }
    const std::wstring reply = SendAndCollect(step.text, LineDelays(step.lineDelays));
    if (step.log == ReplyLog::AsItCameLater) {
        AppendLogLine(reply);
        return;
    }
    if (step.log == ReplyLog::AsItCame || step.log == ReplyLog::TrimReply)
        AppendLogLine(reply);
    if (step.log == ReplyLog::TrimReply && NoteTrimReply(reply) == TrimCommand::NotConfirmed)
        AppendLogLine(L"The Micromite did not confirm CLOCKTRIM " + App.ClockTrim +
                      L": the runs that follow are credited to no CLOCKTRIM value.");
    ScrollToNewest();
}

// Sends the tick program over the open link; false when the device stopped answering (it was
// unplugged), since nothing more would reach it.
bool SendTickProgram() {
    for (const UploadStep& step : UploadSteps()) {
        RunStep(step);
        if (PortLost(LinkPortSlot)) {
            AppendLogLine(L"Upload abandoned: the Micromite's port no longer answers.");
            ScrollToNewest();
            return false;
        }
    }
    return true;
}

} // namespace

std::wstring WithoutLineEnds(std::wstring reply) {
    for (int removed = 0; removed < 2 && !reply.empty(); ++removed) {
        if (reply.back() != L'\r' && reply.back() != L'\n')
            break;
        reply.pop_back();
    }
    return reply;
}

void SendProgramLine(const std::wstring& line) {
    AppendLogLine(WithoutLineEnds(SendAndCollect(line + CarriageReturn, App.LineDelay)));
    ScrollToNewest();
}

void UploadTickProgram() {
    if (RefuseUntimedInterval())
        return;
    AppendLogLine(L"Program stage 1 started");
    if (Connect()) {
        // An upload over a port chosen for the user makes it the user's own.
        KeepPortInUse();
        if (SendTickProgram()) {
            AppendLogLine(L"Program uM completed");
            ScrollToNewest();
            App.UploadedInterval = ParseInteger(App.TimeInterval);
            const bool trimTook = App.RefusedClockTrim.empty() && App.UnconfirmedClockTrim.empty();
            App.UploadedClockTrim = trimTook ? App.ClockTrim : std::wstring();
        }
    }
    Disconnect();
}
