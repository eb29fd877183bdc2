// The serial ports the system itself lists, which the port list offers beside COM1 up to the
// highest number probed: adapters that a PC which has seen many is given numbers above it.
// Windows and the simulation (platform/shared/com_port_names.cpp).
#pragma once

#include <string>
#include <vector>

// The names the system gives its serial ports, as it writes them, in its own order: on Windows
// the data of the values of the SERIALCOMM device map (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM), such
// as "COM45"; in the simulation the names a test listed. Empty when the system lists none.
std::vector<std::wstring> SystemListedComPorts();
