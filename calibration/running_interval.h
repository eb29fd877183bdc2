// The interval the controller prints at: that of the tick program it holds.
#pragma once

#include <cstdint>

// In seconds: the interval of this session's last completed upload; before any upload the
// chosen one, the best guess, since the controller keeps its program from an earlier session.
// A choice in the list after an upload changes nothing the controller does until the next one.
std::int64_t RunningIntervalSeconds();
