// Serial port names as Windows has them (Windows and the simulation): COM1 and up, and the ports
// the system lists, opened through the device namespace.
#include "platform/serial.h"
#include "platform/shared/listed_com_ports.h"

#include <algorithm>
#include <cwctype>

namespace {

// Windows numbers COM ports from 1 to 256. A larger bound from the settings file would only keep
// the window from opening for days (the scan pauses after every number).
constexpr int HighestComPortNumber = 256;

// Windows names COM ports above COM9 only through the device namespace, so the prefix is always
// added, also before a name that already has it: the configured name is taken as it stands.
const wchar_t* const DevicePrefix = L"\\\\.\\";

const std::wstring ComPrefix = L"COM";

// The number of a name "COM<digits>" in any letter case; -1 for a name of another form.
int ComPortNumber(const std::wstring& name) {
    if (name.size() <= ComPrefix.size() || name.size() > ComPrefix.size() + 4)
        return -1;
    int number = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        if (i < ComPrefix.size()) {
            if (static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))) != ComPrefix[i])
                return -1;
        } else if (c >= L'0' && c <= L'9') {
            number = number * 10 + (c - L'0');
        } else {
            return -1;
        }
    }
    return number;
}

} // namespace

std::vector<std::wstring> SerialPortNames(int highestNumber) {
    std::vector<bool> offered(HighestComPortNumber + 1, false);
    for (int number = 1; number <= std::min(highestNumber, HighestComPortNumber); ++number)
        offered[number] = true;
    // A listed port of another form (a virtual port's own name) follows the COM ports.
    std::vector<std::wstring> otherNames;
    for (const std::wstring& listed : SystemListedComPorts()) {
        const int number = ComPortNumber(listed);
        if (number >= 1 && number <= HighestComPortNumber)
            offered[number] = true;
        else if (number < 0 && !listed.empty() &&
                 std::find(otherNames.begin(), otherNames.end(), listed) == otherNames.end())
            otherNames.push_back(listed);
    }
    std::sort(otherNames.begin(), otherNames.end());

    std::vector<std::wstring> names;
    for (int number = 1; number <= HighestComPortNumber; ++number)
        if (offered[number])
            names.push_back(ComPrefix + std::to_wstring(number));
    names.insert(names.end(), otherNames.begin(), otherNames.end());
    return names;
}

std::wstring SerialDevicePath(const std::wstring& name) {
    return DevicePrefix + name;
}
