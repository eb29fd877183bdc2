#include "serial/port_scan.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "platform/platform.h"
#include "serial/serial_port.h"
#include "text/number_text.h"

#include <algorithm>

namespace {

constexpr std::uint32_t ProbeSpeed = 38400;
constexpr int ProbeQueueSize = 1024;
// The pause after every attempt, whether the port opened or not.
constexpr int ProbePauseMilliseconds = 20;
// Windows numbers COM ports from 1 to 256. A larger bound from the settings file would only keep
// the window from opening for days (20 ms per number); the setting itself stays as it is.
constexpr std::int64_t HighestComPortNumber = 256;

} // namespace

void PortScan() {
    App.FoundPorts.clear();
    const std::int64_t highest = std::min<std::int64_t>(App.MaxPortNo, HighestComPortNumber);
    for (std::int64_t number = 1; number <= highest; ++number) {
        const std::wstring name = L"COM" + IntegerText(number);
        if (OpenPort(ProbePortSlot, name, ProbeSpeed, 0, 8, 1.0f, HandshakeNone, ProbeQueueSize,
                     ProbeQueueSize) != 0) {
            App.FoundPorts.push_back(name);
            ClosePort(ProbePortSlot);
        }
        PauseMilliseconds(ProbePauseMilliseconds);
    }
    if (App.FoundPorts.empty())
        ShowMessage(L"OOPS!", L"No com ports found");
}
