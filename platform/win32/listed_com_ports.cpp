// The serial ports Windows lists: the SERIALCOMM device map, which every serial port driver
// writes its ports' names into.
#include <windows.h>

#include "platform/shared/listed_com_ports.h"

#include <cwchar>

namespace {

const wchar_t* const SerialCommKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
// A value's name (the driver's device, "\Device\VCP0") may be long; its data, a port's name,
// is short: anything longer is no name the port list could use.
constexpr DWORD LongestValueName = 16384;
constexpr DWORD LongestPortName = 64;

} // namespace

std::vector<std::wstring> SystemListedComPorts() {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SerialCommKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return names;
    std::wstring valueName(LongestValueName, L'\0');
    for (DWORD index = 0;; ++index) {
        wchar_t data[LongestPortName + 1] = {};
        DWORD valueNameLength = LongestValueName;
        DWORD dataBytes = LongestPortName * sizeof(wchar_t); // leaves room for an end
        DWORD type = 0;
        const LONG result = RegEnumValueW(key, index, &valueName[0], &valueNameLength, nullptr,
                                          &type, reinterpret_cast<BYTE*>(data), &dataBytes);
        // A value too long for a port's name is passed over; any other failure ends the list.
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
            break;
        if (result == ERROR_SUCCESS && type == REG_SZ)
            names.emplace_back(data, wcsnlen(data, dataBytes / sizeof(wchar_t)));
    }
    RegCloseKey(key);
    return names;
}
