// Pictures over GDI: a DIB section in a memory device context, so that the graph window shows
// it with one BitBlt and the PNG encoder reads its pixels directly.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <map>
#include <vector>

#include "platform/drawing.h"
#include "platform/win32/drawing_internal.h"

namespace {

constexpr int LargestSide = 16384;

COLORREF ColourRef(DrawColour colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

void ReplacePen(Picture& picture, HPEN pen) {
    if (!pen)
        return;
    SelectObject(picture.dc, pen);
    if (picture.pen)
        DeleteObject(picture.pen);
    picture.pen = pen;
}

// The user-interface face at the character height, made once per height for the life of the
// process: a font is costly to make (under Wine some milliseconds), and the graph makes a
// picture at every tick.
HFONT FontOf(int height) {
    static std::map<int, HFONT> fonts;
    const auto found = fonts.find(height);
    if (found != fonts.end())
        return found->second;
    LOGFONTW face{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(face), &face);
    face.lfHeight = -height;
    face.lfWidth = 0;
    face.lfQuality = ANTIALIASED_QUALITY;
    HFONT font = CreateFontIndirectW(&face);
    if (font)
        fonts[height] = font;
    return font;
}

} // namespace

Picture* PictureOf(Drawing drawing) {
    return reinterpret_cast<Picture*>(drawing);
}

Drawing CreateDrawing(int width, int height) {
    auto* picture = new Picture;
    picture->width = std::clamp(width, 1, LargestSide);
    picture->height = std::clamp(height, 1, LargestSide);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture->width;
    info.bmiHeader.biHeight = -picture->height; // rows from the top down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    picture->dc = CreateCompatibleDC(nullptr);
    picture->bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!picture->dc || !picture->bitmap) {
        if (picture->bitmap)
            DeleteObject(picture->bitmap);
        if (picture->dc)
            DeleteDC(picture->dc);
        delete picture;
        return 0;
    }
    picture->bits = static_cast<const unsigned char*>(bits);
    picture->originalBitmap = SelectObject(picture->dc, picture->bitmap);
    picture->originalPen = SelectObject(picture->dc, GetStockObject(BLACK_PEN));
    picture->originalFont = SelectObject(picture->dc, GetStockObject(DEFAULT_GUI_FONT));
    SelectObject(picture->dc, GetStockObject(NULL_BRUSH));
    SetBkMode(picture->dc, TRANSPARENT);
    PatBlt(picture->dc, 0, 0, picture->width, picture->height, WHITENESS);
    return reinterpret_cast<Drawing>(picture);
}

void DeleteDrawing(Drawing drawing) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    SelectObject(picture->dc, picture->originalBitmap);
    SelectObject(picture->dc, picture->originalPen);
    SelectObject(picture->dc, picture->originalFont);
    DeleteDC(picture->dc);
    DeleteObject(picture->bitmap);
    if (picture->pen)
        DeleteObject(picture->pen);
    delete picture;
}

void SetDrawPen(Drawing drawing, DrawColour colour, int width, bool dashed) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    // A geometric pen: a cosmetic one is dashed only 1 pixel wide.
    const LOGBRUSH brush{BS_SOLID, ColourRef(colour), 0};
    const DWORD style = PS_GEOMETRIC | (dashed ? PS_DASH : PS_SOLID) | PS_ENDCAP_FLAT |
                        PS_JOIN_MITER;
    picture->penWidth = std::max(width, 1);
    ReplacePen(*picture,
               ExtCreatePen(style, static_cast<DWORD>(picture->penWidth), &brush, 0, nullptr));
}

void DrawLine(Drawing drawing, DrawPoint from, DrawPoint to) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    MoveToEx(picture->dc, from.x, from.y, nullptr);
    LineTo(picture->dc, to.x, to.y);
}

void DrawPolyline(Drawing drawing, const DrawPoint* points, std::size_t count) {
    Picture* picture = PictureOf(drawing);
    if (!picture || count < 2)
        return;
    std::vector<POINT> corners(count);
    for (std::size_t i = 0; i < count; ++i)
        corners[i] = POINT{points[i].x, points[i].y};
    Polyline(picture->dc, corners.data(), static_cast<int>(count));
}

void DrawFilledRect(Drawing drawing, const DrawRect& rect, DrawColour colour) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    SetDCBrushColor(picture->dc, ColourRef(colour));
    const RECT area{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(picture->dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void DrawFilledRects(Drawing drawing, const DrawRect* rects, std::size_t count, DrawColour colour) {
    Picture* picture = PictureOf(drawing);
    if (!picture || count == 0)
        return;
    // One region of all of them, filled in one call: under Wine each drawing call costs some
    // microseconds on its own.
    std::vector<unsigned char> data(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
    auto* region = reinterpret_cast<RGNDATA*>(data.data());
    region->rdh.dwSize = sizeof(RGNDATAHEADER);
    region->rdh.iType = RDH_RECTANGLES;
    region->rdh.nCount = static_cast<DWORD>(count);
    region->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    RECT bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    auto* corners = reinterpret_cast<RECT*>(region->Buffer);
    for (std::size_t i = 0; i < count; ++i) {
        corners[i] = RECT{rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
        bounds = RECT{std::min<LONG>(bounds.left, rects[i].left),
                      std::min<LONG>(bounds.top, rects[i].top),
                      std::max<LONG>(bounds.right, rects[i].right),
                      std::max<LONG>(bounds.bottom, rects[i].bottom)};
    }
    region->rdh.rcBound = bounds;
    HRGN filled = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region);
    if (!filled)
        return;
    SetDCBrushColor(picture->dc, ColourRef(colour));
    FillRgn(picture->dc, filled, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    DeleteObject(filled);
}

void DrawOutlinedRect(Drawing drawing, const DrawRect& rect) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    // The pen's middle runs half its width inside the edge, so that it stays within the pixels.
    const int width = picture->penWidth;
    const int inset = width / 2;
    Rectangle(picture->dc, rect.left + inset, rect.top + inset, rect.right - (width - 1 - inset),
              rect.bottom - (width - 1 - inset));
}

void DrawTextAt(Drawing drawing, int x, int y, TextAnchor anchor, const std::wstring& text,
                int height, DrawColour colour) {
    Picture* picture = PictureOf(drawing);
    HFONT font = picture ? FontOf(height) : nullptr;
    if (!font)
        return;
    SelectObject(picture->dc, font);
    SetTextColor(picture->dc, ColourRef(colour));
    const UINT align = anchor == TextAnchor::Centre  ? TA_CENTER
                       : anchor == TextAnchor::Right ? TA_RIGHT
                                                     : TA_LEFT;
    SetTextAlign(picture->dc, TA_TOP | TA_NOUPDATECP | align);
    TextOutW(picture->dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

int DrawTextWidth(Drawing drawing, const std::wstring& text, int height) {
    Picture* picture = PictureOf(drawing);
    HFONT font = picture ? FontOf(height) : nullptr;
    if (!font)
        return 0;
    SelectObject(picture->dc, font);
    SIZE size{};
    GetTextExtentPoint32W(picture->dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void ClipDrawing(Drawing drawing, const DrawRect& rect) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return;
    HRGN region = CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
    SelectClipRgn(picture->dc, region); // the device context keeps a copy
    DeleteObject(region);
}

void UnclipDrawing(Drawing drawing) {
    if (Picture* picture = PictureOf(drawing))
        SelectClipRgn(picture->dc, nullptr);
}

std::string DrawingAsPng(Drawing drawing) {
    Picture* picture = PictureOf(drawing);
    if (!picture)
        return std::string();
    GdiFlush(); // the DIB's bits hold every drawing call made so far
    return EncodePng(*picture);
}
