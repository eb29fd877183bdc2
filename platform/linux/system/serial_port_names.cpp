// Serial port names on Linux: the serial devices in /dev and the ones the user names.
#include "platform/linux/system/serial_device_names.h"
#include "platform/serial.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>

namespace {

// USB adapters first: a Micromite is nearly always on one. The on-board UARTs (ttyS*) come late,
// as most of the ones listed are not there.
const char* const DeviceKinds[] = {"ttyUSB", "ttyACM", "ttyAMA", "ttyS", "rfcomm"};
constexpr std::size_t DeviceKindCount = sizeof DeviceKinds / sizeof DeviceKinds[0];

// The ports the user names beside the devices found (a pseudo-terminal, a device elsewhere).
const char* const PortsVariable = "TOCKMETER_PORTS";

// Where the kernel describes each terminal device.
const char* const TtyClassFolder = "/sys/class/tty";

// udev's links named after each USB adapter's maker, model and serial number.
const char* const StableNamesFolder = "/dev/serial/by-id";

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

// A port the list offers: the name it shows and the device path that opens it.
struct PortEntry {
    std::wstring name;
    std::wstring path;
};

bool Listed(const std::vector<PortEntry>& ports, const std::wstring& name) {
    return std::any_of(ports.begin(), ports.end(),
                       [&](const PortEntry& port) { return port.name == name; });
}

std::wstring PathOfName(const std::wstring& name) {
    return !name.empty() && name[0] == L'/' ? name : L"/dev/" + name;
}

void AddNamedPort(std::vector<PortEntry>& ports, const std::wstring& named) {
    const std::wstring path = PathOfName(named);
    for (const PortEntry& port : ports)
        if (port.path == path)
            return;
    // The list is narrow: a path is shown by its file name while no other port has that name.
    const std::wstring fileName = named.substr(named.find_last_of(L'/') + 1);
    ports.push_back({fileName.empty() || Listed(ports, fileName) ? named : fileName, path});
}

// The serial devices found in /dev, then each port named in the variable.
std::vector<PortEntry> PortEntries() {
    std::vector<PortEntry> ports;
    const std::vector<std::string> devices = SerialDeviceNames(FolderEntries("/dev"));
    for (const std::string& device : WithoutAbsentUarts(devices, TtyClassFolder)) {
        const std::wstring name = WideFromUtf8(device);
        ports.push_back({name, PathOfName(name)});
    }
    const char* named = std::getenv(PortsVariable);
    const std::string listed = named ? named : "";
    for (std::size_t start = 0; start <= listed.size();) {
        std::size_t end = listed.find(':', start);
        if (end == std::string::npos)
            end = listed.size();
        if (end > start)
            AddNamedPort(ports, WideFromUtf8(listed.substr(start, end - start)));
        start = end + 1;
    }
    return ports;
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

std::vector<std::string> WithoutAbsentUarts(const std::vector<std::string>& names,
                                            const std::string& ttyClassFolder) {
    std::vector<std::string> present;
    for (const std::string& name : names) {
        // The kernel makes ttyS0 to ttyS31 whether or not a UART answers there; "type" 0 says
        // none does. Other kinds, and a type that cannot be read, are kept.
        std::ifstream type(ttyClassFolder + "/" + name + "/type");
        int uart = -1;
        const bool absent = name.compare(0, 4, "ttyS") == 0 && (type >> uart) && uart == 0;
        if (!absent)
            present.push_back(name);
    }
    return present;
}

std::string EntryLeadingTo(const std::string& folder, const std::string& devicePath) {
    struct stat device {};
    if (stat(devicePath.c_str(), &device) != 0)
        return std::string();
    std::vector<std::string> entries = FolderEntries(folder.c_str());
    std::sort(entries.begin(), entries.end());
    for (const std::string& entry : entries) {
        struct stat target {};
        if (entry != "." && entry != ".." && stat((folder + "/" + entry).c_str(), &target) == 0 &&
            target.st_dev == device.st_dev && target.st_ino == device.st_ino)
            return entry;
    }
    return std::string();
}

std::wstring SerialPortStableName(const std::wstring& name) {
    const std::string entry =
        EntryLeadingTo(StableNamesFolder, Utf8FromWide(SerialDevicePath(name)));
    // udev writes these names in ASCII, escaping every other byte; anything else is not its.
    const bool ascii = std::all_of(entry.begin(), entry.end(),
                                   [](char c) { return c > 0x20 && c < 0x7F; });
    return ascii ? WideFromUtf8(entry) : std::wstring();
}

std::vector<std::wstring> SerialPortNames(int) {
    std::vector<std::wstring> names;
    for (const PortEntry& port : PortEntries())
        names.push_back(port.name);
    return names;
}

std::wstring SerialDevicePath(const std::wstring& name) {
    for (const PortEntry& port : PortEntries())
        if (port.name == name)
            return port.path;
    return PathOfName(name);
}
