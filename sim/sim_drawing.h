// The simulated pictures and graph window (platform/drawing.h, platform/graph_window.h), for
// tests: every drawing call is recorded, so that a test reads what the program drew.
#pragma once

#include "platform/drawing.h"
#include "platform/graph_window.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class SimDrawKind { Pen, Line, Polyline, FilledRect, OutlinedRect, Text, Clip, Unclip };

// One drawing call, with what it was given.
struct SimDrawOp {
    SimDrawKind kind = SimDrawKind::Line;
    DrawColour colour{0, 0, 0};    // Pen, FilledRect, Text
    int penWidth = 0;              // Pen
    bool dashed = false;           // Pen
    std::vector<DrawPoint> points; // Line (two), Polyline
    DrawRect rect{0, 0, 0, 0};     // FilledRect, OutlinedRect, Clip
    std::wstring text;             // Text, at points[0]
    int textHeight = 0;
    TextAnchor anchor = TextAnchor::Left;
};

// A picture's record: a fill that covers the whole picture starts it anew, as nothing drawn
// before it shows.
struct SimPicture {
    int width = 0, height = 0;
    std::vector<SimDrawOp> ops;
};

// Text is as wide as half its height for each character.
constexpr int SimCharacterWidthPercent = 50;

struct SimGraphWindow {
    bool open = false;
    int opens = 0; // times it was opened
    std::wstring title;
    WindowRect frame{};
    WindowRect normalFrame{};
    WindowSize client{};
    bool minimized = false;
    SimPicture shown;   // the picture it shows now
    int pictures = 0;   // pictures given to it
};

const SimGraphWindow& SimGraph();
// The pictures DrawingAsPng encoded, in order. The simulation's PNG is the signature and the
// header chunk of the picture's size and an end chunk: no pixels are drawn.
const std::vector<SimPicture>& SimEncodedPictures();
// Runs at every ShowInGraphWindow, after the window took the picture (for a test to look at the
// program's state at that moment).
void SimOnGraphPicture(std::function<void()> look);

// The user's actions on the graph window, scripted as those on the main window (sim/sim.h):
// dropped while the graph window is not open.
void SimScheduleGraphResize(std::int64_t atNanoseconds, int clientWidth, int clientHeight);
void SimScheduleGraphMove(std::int64_t atNanoseconds, int left, int top);
void SimScheduleGraphMinimize(std::int64_t atNanoseconds);
void SimScheduleGraphClose(std::int64_t atNanoseconds);
