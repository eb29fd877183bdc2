// The stable names of the ports found, for the port list's tooltip: with several adapters
// plugged in, ttyUSB0 and ttyUSB1 alone do not say which is the Micromite.
#pragma once

#include <string>
#include <vector>

// The tooltip followed by a line "<port>: <stable name>" for each port that has a stable name;
// empty when none has one, so that the tooltip stays as it is.
std::wstring TooltipWithStableNames(const std::wstring& tooltip,
                                   const std::vector<std::wstring>& ports);
