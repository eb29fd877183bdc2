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

void NoteTrimReply(const std::wstring& reply) {
    App.RefusedClockTrim.clear();
    const std::size_t error = reply.find(L"Error");
    if (error == std::wstring::npos)
        return;
    const std::size_t end = reply.find_first_of(L"\r\n", error);
    App.RefusedClockTrim = App.ClockTrim;
    AppendLogLine(L"The Micromite refused CLOCKTRIM " + App.ClockTrim + L": " +
                  reply.substr(error, end == std::wstring::npos ? end : end - error) + L".");
}

TrimCommand SendClockTrim() {
    App.UploadedClockTrim.clear();
    if (!Connect()) {
        Disconnect();
        return TrimCommand::NotConfirmed;
    }
    LogReply(SendAndCollect(ControlC, LineDelays(2)));
    const std::wstring command = L"OPTION CLOCKTRIM " + App.ClockTrim;
    const std::wstring reply = SendAndCollect(command + L"\r", App.LineDelay);
    LogReply(reply);
    NoteTrimReply(reply);
    const bool lost = PortLost(LinkPortSlot);
    Disconnect();
    if (!App.RefusedClockTrim.empty())
        return TrimCommand::Refused;
    // The echo then the prompt, as the line editor gives them, and nothing after.
    const std::size_t echo = reply.find(command);
    const bool confirmed = !lost && echo != std::wstring::npos &&
                           reply.size() >= Prompt.size() &&
                           reply.compare(reply.size() - Prompt.size(), Prompt.size(), Prompt) == 0;
    if (!confirmed)
        return TrimCommand::NotConfirmed;
    App.UploadedClockTrim = App.ClockTrim;
    return TrimCommand::Took;
}
