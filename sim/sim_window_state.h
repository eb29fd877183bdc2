// The simulated window layer's state, and what its two files (the window and its controls, and
// the messages that reach it) share.
#pragma once

#include "platform/dialogs.h"
#include "platform/window.h"
#include "sim/sim.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

struct SimDesktop {
    int displayDpi = 96;
    bool visualStyles = true;
    bool composes = false;
    bool layerReleased = false;
    std::vector<WindowRect> workAreas{{0, 0, 1920, 1040}};
    std::map<int, SimFont> fonts;
    std::vector<SimMenuCommand> menuCommands; // AddMenuCommand's, in order
    std::wstring clipboard;
    std::vector<SaveFileQuestion> saveQuestions;
    std::function<std::wstring(const SaveFileQuestion&)> saveAnswer;
    SimWindow window;
    // Beside window.armedTimers: when each armed timer next expires.
    std::map<int, std::int64_t> timerDueNanoseconds;
    // Scripted actions by due time; equal times keep the order in which they were scheduled.
    // Each gives the message number it stands for, or 0 when it was dropped.
    std::multimap<std::int64_t, std::function<unsigned()>> actions;
    std::vector<SimMessageBox> messageBoxes;
    std::int64_t messageBoxReadingNanoseconds = 0;
};

// The outer frame around a client area whose frame starts at left, top.
WindowRect SimFrameAround(int left, int top, WindowSize client);
// The value held to the range of int.
int SimSaturated(std::int64_t value);
