#include "calibration/trim_command.h"

#include "serial/command_exchange.h"
#include "serial/serial_port.h"
#include "state/app_state.h"
#include "window/log_view.h"

namespace {

const std::wstring ControlC(1, L'\x03');
const std::wstring Prompt = L"> ";

void LogReply(const std::wstring& reply) {
    AppendLogLine(reply);
    ScrollToNewest();
}

} // namespace

std::wstring ClockTrimCommand() {
    return L"OPTION CLOCKTRIM " + App.ClockTrim;
}

TrimCommand NoteTrimReply(const std::wstring& reply) {
    App.RefusedClockTrim.clear();
    App.UnconfirmedClockTrim.clear();
    const std::size_t error = reply.find(L"Error");
    if (error != std::wstring::npos) {
        const std::size_t end = reply.find_first_of(L"\r\n", error);
        App.RefusedClockTrim = App.ClockTrim;
        AppendLogLine(L"The Micromite refused CLOCKTRIM " + App.ClockTrim + L": " +
                      reply.substr(error, end == std::wstring::npos ? end : end - error) + L".");
        return TrimCommand::Refused;
    }
    // The echo then the prompt, as the line editor gives them, and nothing after.
    const bool confirmed = reply.find(ClockTrimCommand()) != std::wstring::npos &&
                           reply.size() >= Prompt.size() &&
                           reply.compare(reply.size() - Prompt.size(), Prompt.size(), Prompt) == 0;
    if (confirmed)
        return TrimCommand::Took;
    App.UnconfirmedClockTrim = App.ClockTrim;
    return TrimCommand::NotConfirmed;
}

TrimCommand SendClockTrim() {
    App.UploadedClockTrim.clear();
    if (!Connect()) {
        Disconnect();
        return TrimCommand::NotConfirmed;
    }
    LogReply(SendAndCollect(ControlC, LineDelays(2)));
    const std::wstring reply = SendAndCollect(ClockTrimCommand() + L"\r", App.LineDelay);
    LogReply(reply);
    const TrimCommand outcome = NoteTrimReply(reply);
    const bool lost = PortLost(LinkPortSlot);
    Disconnect();
    if (outcome != TrimCommand::Took)
        return outcome;
    if (lost) {
        App.UnconfirmedClockTrim = App.ClockTrim;
        return TrimCommand::NotConfirmed;
    }
    App.UploadedClockTrim = App.ClockTrim;
    return TrimCommand::Took;
}
