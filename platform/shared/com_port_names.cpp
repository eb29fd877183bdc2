// Serial port names as Windows has them (Windows and the simulation): COM1 and up, opened
// through the device namespace.
#include "platform/serial.h"

#include <algorithm>

namespace {

// Windows numbers COM ports from 1 to 256. A larger bound from the settings file would only keep
// the window from opening for days (the scan pauses after every number).
constexpr int HighestComPortNumber = 256;

// Windows names COM ports above COM9 only through the device namespace, so the prefix is always
// added, also before a name that already has it: the configured name is taken as it stands.
const wchar_t* const DevicePrefix = L"\\\\.\\";

} // namespace

std::vector<std::wstring> SerialPortNames(int highestNumber) {
    std::vector<std::wstring> names;
    const int highest = std::min(highestNumber, HighestComPortNumber);
    for (int number = 1; number <= highest; ++number)
        names.push_back(L"COM" + std::to_wstring(number));
    return names;
}

std::wstring SerialDevicePath(const std::wstring& name) {
    return DevicePrefix + name;
}
