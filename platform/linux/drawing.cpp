// Pictures over cairo: an RGB image surface in memory, shown by the graph window's drawing area
// and written as PNG by cairo itself.
#include <algorithm>
#include <string>

#include "platform/drawing.h"
#include "platform/linux/drawing_internal.h"
#include "platform/text_encoding.h"

namespace {

constexpr int LargestSide = 16384;
constexpr double DashPixels = 4.0;
const char* const UserInterfaceFace = "Sans";

void SetColour(cairo_t* cairo, DrawColour colour) {
    cairo_set_source_rgb(cairo, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
}

// A line of odd width lies on pixel centres, so that a 1-pixel line covers one row of pixels
// rather than two halves.
double Centre(const Picture& picture, int coordinate) {
    const int width = static_cast<int>(picture.penWidth);
    return coordinate + (width % 2 == 1 ? 0.5 : 0.0);
}

void SelectFont(cairo_t* cairo, int height) {
    cairo_select_font_face(cairo, UserInterfaceFace, CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cairo, height);
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

Picture* PictureOf(Drawing drawing) {
    return reinterpret_cast<Picture*>(drawing);
}

Drawing CreateDrawing(int width, int height) {
    auto* picture = new Picture;
    picture->width = std::clamp(width, 1, LargestSide);
    picture->height = std::clamp(height, 1, LargestSide);
    picture->surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture->width, picture->height);
    picture->cairo = cairo_create(picture->surface);
    if (cairo_status(picture->cairo) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(picture->cairo);
        cairo_surface_destroy(picture->surface);
        delete picture;
        return 0;
    }
    cairo_set_source_rgb(picture->cairo, 1.0, 1.0, 1.0);
    cairo_paint(picture->cairo);
    cairo_set_source_rgb(picture->cairo, 0.0, 0.0, 0.0);
    cairo_set_line_width(picture->cairo, 1.0);
    cairo_set_line_cap(picture->cairo, CAIRO_LINE_CAP_SQUARE);
    return reinterpret_cast<Drawing>(picture);
}

void DeleteDrawing(Drawing drawing) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    cairo_destroy(picture->cairo);
    cairo_surface_destroy(picture->surface);
    delete picture;
}

void SetDrawPen(Drawing drawing, DrawColour colour, int width, bool dashed) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    picture->penWidth = std::max(width, 1);
    cairo_set_line_width(picture->cairo, picture->penWidth);
    const double dash = DashPixels * picture->penWidth;
    cairo_set_dash(picture->cairo, &dash, dashed ? 1 : 0, 0.0);
    // Dashes end where they are cut; a solid line covers its end pixels.
    cairo_set_line_cap(picture->cairo, dashed ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_SQUARE);
    SetColour(picture->cairo, colour);
}

void DrawLine(Drawing drawing, DrawPoint from, DrawPoint to) {
    DrawPoint points[] = {from, to};
    DrawPolyline(drawing, points, 2);
}

void DrawPolyline(Drawing drawing, const DrawPoint* points, std::size_t count) {
    Picture* picture = PictureOf(drawing);
    if (!picture || count < 2)
        return;
    cairo_t* cairo = picture->cairo;
    cairo_move_to(cairo, Centre(*picture, points[0].x), Centre(*picture, points[0].y));
    for (std::size_t i = 1; i < count; ++i)
        cairo_line_to(cairo, Centre(*picture, points[i].x), Centre(*picture, points[i].y));
    cairo_stroke(cairo);
}

void DrawFilledRect(Drawing drawing, const DrawRect& rect, DrawColour colour) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    cairo_t* cairo = picture->cairo;
    cairo_save(cairo);
    SetColour(cairo, colour);
    cairo_rectangle(cairo, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    cairo_fill(cairo);
    cairo_restore(cairo);
}

void DrawFilledRects(Drawing drawing, const DrawRect* rects, std::size_t count, DrawColour colour) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    cairo_t* cairo = picture->cairo;
    cairo_save(cairo);
    SetColour(cairo, colour);
    for (std::size_t i = 0; i < count; ++i)
        cairo_rectangle(cairo, rects[i].left, rects[i].top, rects[i].right - rects[i].left,
                        rects[i].bottom - rects[i].top);
    cairo_fill(cairo);
    cairo_restore(cairo);
}

void DrawOutlinedRect(Drawing drawing, const DrawRect& rect) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    // The pen's middle runs half its width inside the edge, so that it stays within the pixels.
    const double half = picture->penWidth / 2.0;
    cairo_rectangle(picture->cairo, rect.left + half, rect.top + half,
                    rect.right - rect.left - picture->penWidth,
                    rect.bottom - rect.top - picture->penWidth);
    cairo_stroke(picture->cairo);
}

void DrawTextAt(Drawing drawing, int x, int y, TextAnchor anchor, const std::wstring& text,
                int height, DrawColour colour) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    cairo_t* cairo = picture->cairo;
    const std::string utf8 = Utf8FromWide(text);
    cairo_save(cairo);
    SelectFont(cairo, height);
    cairo_font_extents_t font{};
    cairo_font_extents(cairo, &font);
    cairo_text_extents_t extents{};
    cairo_text_extents(cairo, utf8.c_str(), &extents);
    const double left = anchor == TextAnchor::Centre  ? x - extents.x_advance / 2.0
                        : anchor == TextAnchor::Right ? x - extents.x_advance
                                                      : x;
    SetColour(cairo, colour);
    cairo_move_to(cairo, left, y + font.ascent);
    cairo_show_text(cairo, utf8.c_str());
    cairo_restore(cairo);
}

int DrawTextWidth(Drawing drawing, const std::wstring& text, int height) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return 0;
    cairo_t* cairo = picture->cairo;
    cairo_save(cairo);
    SelectFont(cairo, height);
    cairo_text_extents_t extents{};
    cairo_text_extents(cairo, Utf8FromWide(text).c_str(), &extents);
    cairo_restore(cairo);
    return static_cast<int>(extents.x_advance + 0.5);
}

void ClipDrawing(Drawing drawing, const DrawRect& rect) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    cairo_reset_clip(picture->cairo);
    cairo_rectangle(picture->cairo, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top);
    cairo_clip(picture->cairo);
}

void UnclipDrawing(Drawing drawing) {
    if (Picture* picture = PictureOf(drawing))
        cairo_reset_clip(picture->cairo);
}

std::string DrawingAsPng(Drawing drawing) {
    Picture* picture = PictureOf(drawing);
    std::string bytes;
    if (!picture)
        return bytes;
    cairo_surface_flush(picture->surface);
    if (cairo_surface_write_to_png_stream(picture->surface, AppendBytes, &bytes) !=
        CAIRO_STATUS_SUCCESS)
        bytes.clear();
    return bytes;
}
