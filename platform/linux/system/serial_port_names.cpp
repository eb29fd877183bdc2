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
// A stable name is kept as the path of its link, which also opens the port while the list
// does not show it.
const std::string KeptNamePrefix = std::string(StableNamesFolder) + "/";

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

bool Listed(const std::vector<SerialPortEntry>& ports, const std::wstring& name) {
    return std::any_of(ports.begin(), ports.end(),
                       [&](const SerialPortEntry& port) { return port.name == name; });
}

std::wstring PathOfName(const std::wstring& name) {
    return !name.empty() && name[0] == L'/' ? name : L"/dev/" + name;
}

void AddNamedPort(std::vector<SerialPortEntry>& ports, const std::wstring& named) {
    const std::wstring path = PathOfName(named);
    for (const SerialPortEntry& port : ports)
        if (port.path == path)
            return;
    // The list is narrow: a path is shown by its file name while no other port has that name.
    const std::wstring fileName = named.substr(named.find_last_of(L'/') + 1);
    ports.push_back({fileName.empty() || Listed(ports, fileName) ? named : fileName, path});
}

// The serial devices found in /dev, then each port named in the variable.
std::vector<SerialPortEntry> PortEntries() {
    std::vector<SerialPortEntry> ports;
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

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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

std::wstring PortLeadingFrom(const std::string& linkPath,
                             const std::vector<SerialPortEntry>& ports) {
    struct stat device {};
    if (stat(linkPath.c_str(), &device) != 0)
        return std::wstring();
    for (const SerialPortEntry& port : ports) {
        struct stat listed {};
        if (stat(Utf8FromWide(port.path).c_str(), &listed) == 0 && SameFile(listed, device))
            return port.name;
    }
    return std::wstring();
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
            SameFile(target, device))
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

std::wstring SerialPortKeptName(const std::wstring& name) {
    const std::wstring stableName = SerialPortStableName(name);
    return stableName.empty() ? name : WideFromUtf8(KeptNamePrefix) + stableName;
}

std::wstring SerialPortOfKeptName(const std::wstring& kept) {
    const std::string path = Utf8FromWide(kept);
    if (path.compare(0, KeptNamePrefix.size(), KeptNamePrefix) != 0)
        return kept;
    return PortLeadingFrom(path, PortEntries());
}

std::vector<std::wstring> SerialPortNames(int) {
    std::vector<std::wstring> names;
    for (const SerialPortEntry& port : PortEntries())
        names.push_back(port.name);
    return names;
}

std::wstring SerialDevicePath(const std::wstring& name) {
    for (const SerialPortEntry& port : PortEntries())
        if (port.name == name)
            return port.path;
    return PathOfName(name);
}
