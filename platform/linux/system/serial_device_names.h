// Which entries of /dev are serial devices, and in what order the port list shows them.
#pragma once

#include <string>
#include <vector>

// Of the names of a folder's entries, those of serial devices (ttyUSB*, ttyACM*, ttyAMA*, ttyS*,
// rfcomm*, each followed by a number alone), kind by kind in that order, each kind in the order
// of its numbers (ttyS2 before ttyS10).
std::vector<std::string> SerialDeviceNames(const std::vector<std::string>& entries);
