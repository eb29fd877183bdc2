#include "serial/port_scan.h"

#include "platform/clock.h"
#include "platform/serial.h"
#include "serial/serial_port.h"
#include "state/app_state.h"
#include "window/main_controls.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t ProbeSpeed = 38400;
constexpr int ProbeQueueSize = 1024;
// The pause after every attempt, whether the port opened or not.
constexpr int ProbePauseMilliseconds = 20;

// Ports that are there but that the user may not open, with the system's reason; one reason
// usually stands for them all (the user is not in the device's group).
struct RefusedPorts {
    std::wstring reason;
    std::vector<std::wstring> names;
};

void NoteRefusal(std::vector<RefusedPorts>& refused, const std::wstring& name,
                 const std::wstring& reason) {
    auto same = std::find_if(refused.begin(), refused.end(),
                             [&](const RefusedPorts& ports) { return ports.reason == reason; });
    if (same == refused.end())
        refused.push_back(RefusedPorts{reason, {name}});
    else
        same->names.push_back(name);
}

std::wstring RefusalMessage(const std::vector<RefusedPorts>& refused) {
    std::wstring text = L"Some serial ports are there but could not be opened.";
    for (const RefusedPorts& ports : refused) {
        text += L"\n\n";
        for (std::size_t i = 0; i < ports.names.size(); ++i)
            text += (i == 0 ? L"" : L", ") + ports.names[i];
        text += L":\n" + ports.reason;
    }
    return text;
}

} // namespace

void PortScan() {
    App.FoundPorts.clear();
    std::vector<RefusedPorts> refused;
    for (const std::wstring& name : SerialPortNames(App.MaxPortNo)) {
        if (OpenPort(ProbePortSlot, name, ProbeSpeed, 0, 8, 1.0f, HandshakeNone, ProbeQueueSize,
                     ProbeQueueSize) != 0) {
            App.FoundPorts.push_back(name);
            ClosePort(ProbePortSlot);
        } else if (const std::wstring reason = LastComOpenRefusal(); !reason.empty()) {
            NoteRefusal(refused, name, reason);
        }
        PauseMilliseconds(ProbePauseMilliseconds);
    }
    if (!refused.empty())
        ShowMessage(L"Tockmeter", RefusalMessage(refused));
    if (App.FoundPorts.empty())
        ShowMessage(L"OOPS!", L"No com ports found");
}
