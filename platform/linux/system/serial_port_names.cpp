// Serial port names on Linux: the serial devices in /dev and the ones the user names.
#include "platform/linux/system/serial_device_names.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>

namespace {

// USB adapters first: a Micromite is nearly always on one. The on-board UARTs (ttyS*) come late,
// as most of the ones listed are not there.
const char* const DeviceKinds[] = {"ttyUSB", "ttyACM", "ttyAMA", "ttyS", "rfcomm"};
constexpr std::size_t DeviceKindCount = sizeof DeviceKinds / sizeof DeviceKinds[0];

// The ports the user names beside the devices found (a pseudo-terminal, a device elsewhere).
const char* const PortsVariable = "TOCKMETER_PORTS";

struct DeviceName {
    std::size_t kind;
    unsigned long number;
    std::string name;
};

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The kind and number of a serial device's name; false for any other name.
bool ParseDeviceName(const std::string& name, DeviceName& device) {
    for (std::size_t kind = 0; kind < DeviceKindCount; ++kind) {
        const std::string prefix = DeviceKinds[kind];
        if (name.compare(0, prefix.size(), prefix) != 0 || !IsNumber(name.substr(prefix.size())))
            continue;
        device = DeviceName{kind, std::stoul(name.substr(prefix.size())), name};
        return true;
    }
    return false;
}

std::vector<std::string> FolderEntries(const char* folder) {
    std::vector<std::string> entries;
    DIR* listing = opendir(folder);
    if (!listing)
        return entries;
    while (const dirent* entry = readdir(listing))
        entries.push_back(entry->d_name);
    closedir(listing);
    return entries;
}

void AddOnce(std::vector<std::wstring>& names, const std::wstring& name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
}

} // namespace

std::vector<std::string> SerialDeviceNames(const std::vector<std::string>& entries) {
    std::vector<DeviceName> devices;
    DeviceName device;
    for (const std::string& entry : entries)
        if (ParseDeviceName(entry, device))
            devices.push_back(device);
    std::sort(devices.begin(), devices.end(), [](const DeviceName& a, const DeviceName& b) {
        return a.kind != b.kind       ? a.kind < b.kind
               : a.number != b.number ? a.number < b.number
                                      : a.name < b.name;
    });
    std::vector<std::string> names;
    for (const DeviceName& found : devices)
        names.push_back(found.name);
    return names;
}

std::vector<std::wstring> SerialPortNames(int) {
    std::vector<std::wstring> names;
    for (const std::string& name : SerialDeviceNames(FolderEntries("/dev")))
        AddOnce(names, WideFromUtf8(name));
    const char* named = std::getenv(PortsVariable);
    const std::string listed = named ? named : "";
    for (std::size_t start = 0; start <= listed.size();) {
        std::size_t end = listed.find(':', start);
        if (end == std::string::npos)
            end = listed.size();
        AddOnce(names, WideFromUtf8(listed.substr(start, end - start)));
        start = end + 1;
    }
    return names;
}

std::wstring SerialDevicePath(const std::wstring& name) {
    return !name.empty() && name[0] == L'/' ? name : L"/dev/" + name;
}
