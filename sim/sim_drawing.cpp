// The simulated pictures: each drawing call is recorded with what it was given.
#include "sim/sim_state.h"

#include <algorithm>

namespace {

constexpr int LargestSide = 16384;

SimDrawingWorld& World() {
    return Sim().drawing;
}

SimPicture* Picture(Drawing drawing) {
    auto found = World().pictures.find(drawing);
    return found == World().pictures.end() ? nullptr : &found->second;
}

void Record(Drawing drawing, SimDrawOp op) {
    if (SimPicture* picture = Picture(drawing))
        picture->ops.push_back(std::move(op));
}

void AppendBigEndian(std::string& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
}

std::uint32_t Crc32(const std::string& bytes, std::size_t from) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        crc ^= static_cast<std::uint8_t>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void AppendChunk(std::string& bytes, const char* type, const std::string& data) {
    AppendBigEndian(bytes, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = bytes.size();
    bytes += type;
    bytes += data;
    AppendBigEndian(bytes, Crc32(bytes, typeAt));
}

} // namespace

Drawing CreateDrawing(int width, int height) {
    SimDrawingWorld& world = World();
    const Drawing drawing = world.nextDrawing++;
    SimPicture& picture = world.pictures[drawing];
    picture.width = std::clamp(width, 1, LargestSide);
    picture.height = std::clamp(height, 1, LargestSide);
    return drawing;
}

void DeleteDrawing(Drawing drawing) {
    World().pictures.erase(drawing);
}

void SetDrawPen(Drawing drawing, DrawColour colour, int width, bool dashed) {
    SimDrawOp op;
    op.kind = SimDrawKind::Pen;
    op.colour = colour;
    op.penWidth = std::max(width, 1);
    op.dashed = dashed;
    Record(drawing, op);
}

void DrawLine(Drawing drawing, DrawPoint from, DrawPoint to) {
    SimDrawOp op;
    op.kind = SimDrawKind::Line;
    op.points = {from, to};
    Record(drawing, op);
}

void DrawPolyline(Drawing drawing, const DrawPoint* points, std::size_t count) {
    SimDrawOp op;
    op.kind = SimDrawKind::Polyline;
    op.points.assign(points, points + count);
    Record(drawing, op);
}

void DrawFilledRect(Drawing drawing, const DrawRect& rect, DrawColour colour) {
    SimPicture* picture = Picture(drawing);
    if (picture && rect.left <= 0 && rect.top <= 0 && rect.right >= picture->width &&
        rect.bottom >= picture->height)
        picture->ops.clear(); // nothing drawn before shows
    SimDrawOp op;
    op.kind = SimDrawKind::FilledRect;
    op.rect = rect;
    op.colour = colour;
    Record(drawing, op);
}

// Recorded as one FilledRect each, as DrawFilledRect records them.
void DrawFilledRects(Drawing drawing, const DrawRect* rects, std::size_t count, DrawColour colour) {
    for (std::size_t i = 0; i < count; ++i)
        DrawFilledRect(drawing, rects[i], colour);
}

void DrawOutlinedRect(Drawing drawing, const DrawRect& rect) {
    SimDrawOp op;
    op.kind = SimDrawKind::OutlinedRect;
    op.rect = rect;
    Record(drawing, op);
}

void DrawTextAt(Drawing drawing, int x, int y, TextAnchor anchor, const std::wstring& text,
                int height, DrawColour colour) {
    SimDrawOp op;
    op.kind = SimDrawKind::Text;
    op.points = {{x, y}};
    op.anchor = anchor;
    op.text = text;
    op.textHeight = height;
    op.colour = colour;
    Record(drawing, op);
}

int DrawTextWidth(Drawing drawing, const std::wstring& text, int height) {
    if (!Picture(drawing))
        return 0;
    return static_cast<int>(text.size()) * height * SimCharacterWidthPercent / 100;
}

void ClipDrawing(Drawing drawing, const DrawRect& rect) {
    SimDrawOp op;
    op.kind = SimDrawKind::Clip;
    op.rect = rect;
    Record(drawing, op);
}

void UnclipDrawing(Drawing drawing) {
    SimDrawOp op;
    op.kind = SimDrawKind::Unclip;
    Record(drawing, op);
}

std::string DrawingAsPng(Drawing drawing) {
    const SimPicture* picture = Picture(drawing);
    if (!picture)
        return std::string();
    World().encoded.push_back(*picture);
    std::string bytes = "\x89PNG\r\n\x1A\n";
    std::string header;
    AppendBigEndian(header, static_cast<std::uint32_t>(picture->width));
    AppendBigEndian(header, static_cast<std::uint32_t>(picture->height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, no interlace
    AppendChunk(bytes, "IHDR", header);
    AppendChunk(bytes, "IEND", std::string());
    return bytes;
}

const std::vector<SimPicture>& SimEncodedPictures() {
    return World().encoded;
}
