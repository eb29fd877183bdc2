#include "serial/port_stable_names.h"

#include "platform/serial.h"

std::wstring TooltipWithStableNames(const std::wstring& tooltip,
                                   const std::vector<std::wstring>& ports) {
    std::wstring lines;
    for (const std::wstring& port : ports) {
        const std::wstring stableName = SerialPortStableName(port);
        if (!stableName.empty())
            lines += L"\n" + port + L": " + stableName;
    }
    return lines.empty() ? std::wstring() : tooltip + lines;
}
