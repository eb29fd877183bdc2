// Which entries of /dev are serial devices, and in what order the port list shows them.
#pragma once

#include <string>
#include <vector>

// Of the names of a folder's entries, those of serial devices (ttyUSB*, ttyACM*, ttyAMA*, ttyS*,
// rfcomm*, each followed by a number alone), kind by kind in that order, each kind in the order
// of its numbers (ttyS2 before ttyS10).
std::vector<std::string> SerialDeviceNames(const std::vector<std::string>& entries);

// The names without the on-board serial ports (ttyS*) that the kernel's description in the
// folder (/sys/class/tty) shows to have no UART; every other name stays, in its order.
std::vector<std::string> WithoutAbsentUarts(const std::vector<std::string>& names,
                                            const std::string& ttyClassFolder);

// A port the list offers: the name it shows and the device path that opens it.
struct SerialPortEntry {
    std::wstring name;
    std::wstring path;
};

// The name of the port whose device the link (or file) at the path leads to; empty when it
// leads nowhere or to none of the ports.
std::wstring PortLeadingFrom(const std::string& linkPath,
                             const std::vector<SerialPortEntry>& ports);

// The name of the first entry (in name order) of the folder that leads to the same device as the
// path; empty when none does or the path leads nowhere.
std::string EntryLeadingTo(const std::string& folder, const std::string& devicePath);
