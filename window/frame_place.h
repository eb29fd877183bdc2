// Where the main window stands and how large it is, in the terms the settings keep.
#pragma once

#include <cstdint>

struct ScreenPoint {
    int x, y;
};
struct PixelSize {
    int width, height;
};

// Geometry is computed in 64 bits from the stored values, which may be any int, and held to the
// range of int.
int Saturated(std::int64_t value);

// The frame of a sizable window on a composing desktop reaches this many invisible pixels further
// left than it looks; the stored left edge is the visible one.
int ComposedShift();

// Where the window's outer frame stands and how large its client area is, as the settings keep
// them. A minimized or maximized window gives the place and size it has when restored.
ScreenPoint FramePosition();
PixelSize InnerSize();
// Where a top-level window opens whose place and inner size the settings stored (the left edge
// the visible one): there, unless that lies on no monitor attached now (stored while another
// was attached); then on the nearest work area, keeping its size as far as the area holds it.
// The settings keep the stored place until the next save.
ScreenPoint OpeningPlace(std::int32_t left, std::int32_t top, std::int32_t innerWidth,
                         std::int32_t innerHeight);

// The same of the graph window, while it is open.
ScreenPoint GraphFramePosition();
PixelSize GraphInnerSize();
