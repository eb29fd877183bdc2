#include "calibration/tick_program.h"

#include "app/app_state.h"
#include "app/log_view.h"
#include "serial/command_exchange.h"
#include "text/number_text.h"

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

// Sends a command, waits its delay in line delays, and logs the reply exactly as it came.
void SendCommandAndLog(const std::wstring& command, int lineDelays) {
    AppendLogLine(SendAndCollect(command, lineDelays * App.LineDelay));
    ScrollToNewest();
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
    AppendLogLine(L"Program stage 1 started");
    if (Connect()) {
        SendCommandAndLog(ControlC, 2);
        SendCommandAndLog(L"OPTION CLOCKTRIM " + App.ClockTrim + CarriageReturn, 1);
        SendCommandAndLog(L"NEW" + CarriageReturn, 15);
        // The controller only acknowledges AUTOSAVE; its reply is not worth a log line.
        SendAndCollect(L"AUTOSAVE" + CarriageReturn, 15 * App.LineDelay);
        ScrollToNewest();
        SendProgramLine(L"interval = " + App.TimeInterval);
        for (const wchar_t* line : FixedProgramLines)
            SendProgramLine(line);
        AppendLogLine(SendAndCollect(ControlZ, 10 * App.LineDelay));
        AppendLogLine(L"Program uM completed");
        ScrollToNewest();
        App.UploadedInterval = ParseInteger(App.TimeInterval);
    }
    Disconnect();
}
