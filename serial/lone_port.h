// The port to choose at start-up when the stored one names none of the ports found: on Linux a
// first start would otherwise show an empty port list although the choice is plain.
#pragma once

#include <string>
#include <vector>

// The one port of those found that is a USB serial adapter (ttyUSB<n>, ttyACM<n>) or the run
// command's simulated Micromite (ttyMicromite); empty when there are none or several, as the
// user must then say which. On-board serial ports (ttyS*, ttyAMA*) and the rest do not count:
// most of them lead to no Micromite.
std::wstring LonePortToChoose(const std::vector<std::wstring>& found);
