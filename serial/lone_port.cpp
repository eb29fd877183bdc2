#include "serial/lone_port.h"

#include <algorithm>

namespace {

// The name scripts/run_native.py gives the link to its simulated Micromite.
const wchar_t* const SimulatedMicromitePort = L"ttyMicromite";
const wchar_t* const UsbAdapterKinds[] = {L"ttyUSB", L"ttyACM"};

bool IsUsbAdapter(const std::wstring& name) {
    for (const std::wstring kind : UsbAdapterKinds) {
        if (name.size() > kind.size() && name.compare(0, kind.size(), kind) == 0 &&
            std::all_of(name.begin() + kind.size(), name.end(),
                        [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
            return true;
    }
    return false;
}

} // namespace

std::wstring LonePortToChoose(const std::vector<std::wstring>& found) {
    std::wstring lone;
    for (const std::wstring& port : found) {
        if (!IsUsbAdapter(port) && port != SimulatedMicromitePort)
            continue;
        if (!lone.empty())
            return std::wstring();
        lone = port;
    }
    return lone;
}
