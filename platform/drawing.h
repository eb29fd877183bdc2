// Drawing, a part of the seam: an off-screen picture that the program
// paints with pens, fills and text, then shows in the graph window (platform/graph_window.h)
// or encodes as a PNG file. Painting the whole picture off the screen first and showing it in
// one step keeps the window from flickering.
//
// Coordinates are pixels from the picture's top-left corner, x to the right and y downwards. A
// call on picture 0 does nothing and gives 0 or an empty text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct DrawColour {
    std::uint8_t red, green, blue;
};

struct DrawPoint {
    int x, y;
};

// A rectangle of pixels from left, top up to, but not including, right, bottom.
struct DrawRect {
    int left, top, right, bottom;
};

// An off-screen picture; 0 is none.
using Drawing = std::intptr_t;

// A new picture of width x height pixels (each held to 1 .. 16384), all white, with a black
// solid pen 1 pixel wide and no clipping. 0 when the system cannot make one.
Drawing CreateDrawing(int width, int height);
// Releases the picture; 0 is ignored.
void DeleteDrawing(Drawing drawing);

// The pen that lines, polylines and outlines are drawn with: its colour, its width in pixels
// (at least 1) and whether it is dashed.
void SetDrawPen(Drawing drawing, DrawColour colour, int width, bool dashed);

// A straight line from one pixel to another.
void DrawLine(Drawing drawing, DrawPoint from, DrawPoint to);
// Lines joining the points in order.
void DrawPolyline(Drawing drawing, const DrawPoint* points, std::size_t count);
// The rectangle's pixels filled with the colour; no outline.
void DrawFilledRect(Drawing drawing, const DrawRect& rect, DrawColour colour);
// Many rectangles filled with one colour, in one step (thousands of markers of a graph).
void DrawFilledRects(Drawing drawing, const DrawRect* rects, std::size_t count, DrawColour colour);
// The rectangle's outline with the pen, along its outermost pixels; its inside left as it is.
void DrawOutlinedRect(Drawing drawing, const DrawRect& rect);

enum class TextAnchor { Left, Centre, Right };

// One line of text in the system's user-interface face, its characters height pixels high (the
// cell a little more), its cell's top at y and its left edge, middle or right edge at x, in the
// colour, on the picture as it is (no background).
void DrawTextAt(Drawing drawing, int x, int y, TextAnchor anchor, const std::wstring& text,
                int height, DrawColour colour);
// The width in pixels that DrawTextAt gives the text at that height.
int DrawTextWidth(Drawing drawing, const std::wstring& text, int height);

// From now on drawing reaches only the pixels inside the rectangle, until it is clipped anew or
// unclipped.
void ClipDrawing(Drawing drawing, const DrawRect& rect);
void UnclipDrawing(Drawing drawing);

// The picture as the bytes of a PNG file of its size (8 bits of red, green and blue a pixel);
// empty when the system cannot encode it.
std::string DrawingAsPng(Drawing drawing);
