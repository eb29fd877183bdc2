// Reading what the graph drew on a simulated picture: its panels, its markers and its texts.
#pragma once

#include "graph/graph_style.h"
#include "sim/sim_drawing.h"

#include <algorithm>
#include <string>
#include <vector>

// The frames of the panels, upper first: outlines larger than any marker or swatch.
inline std::vector<DrawRect> PanelFrames(const SimPicture& picture) {
    std::vector<DrawRect> frames;
    for (const SimDrawOp& op : picture.ops)
        if (op.kind == SimDrawKind::OutlinedRect && op.rect.right - op.rect.left > 20)
            frames.push_back(op.rect);
    return frames;
}

inline bool Sized(const DrawRect& rect, int side) {
    return rect.right - rect.left == side && rect.bottom - rect.top == side;
}

inline DrawPoint Centre(const DrawRect& rect) {
    return {(rect.left + rect.right - 1) / 2, (rect.top + rect.bottom - 1) / 2};
}

// The intervals' markers: a filled square of 3 pixels for an interval the estimate takes, an
// outlined one of 5 for one it leaves out.
struct IntervalMarker {
    DrawPoint at;
    DrawColour colour;
    bool hollow;
};

inline std::vector<IntervalMarker> IntervalMarkers(const SimPicture& picture) {
    std::vector<IntervalMarker> markers;
    DrawColour pen{0, 0, 0};
    for (const SimDrawOp& op : picture.ops) {
        if (op.kind == SimDrawKind::Pen)
            pen = op.colour;
        else if (op.kind == SimDrawKind::FilledRect && Sized(op.rect, 3))
            markers.push_back({Centre(op.rect), op.colour, false});
        else if (op.kind == SimDrawKind::OutlinedRect && Sized(op.rect, 5))
            markers.push_back({Centre(op.rect), pen, true});
    }
    return markers;
}

// The runs' rates in the lower panel: filled squares of 5 pixels.
inline std::vector<DrawPoint> RateMarkers(const SimPicture& picture) {
    std::vector<DrawPoint> markers;
    for (const SimDrawOp& op : picture.ops)
        if (op.kind == SimDrawKind::FilledRect && Sized(op.rect, 5))
            markers.push_back(Centre(op.rect));
    return markers;
}

inline std::vector<std::wstring> Texts(const SimPicture& picture) {
    std::vector<std::wstring> texts;
    for (const SimDrawOp& op : picture.ops)
        if (op.kind == SimDrawKind::Text)
            texts.push_back(op.text);
    return texts;
}

inline bool HasText(const SimPicture& picture, const std::wstring& text) {
    const std::vector<std::wstring> texts = Texts(picture);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The legend's entries, in their order: the text beside each swatch of 8 pixels.
inline std::vector<std::wstring> LegendEntries(const SimPicture& picture) {
    std::vector<std::wstring> entries;
    for (std::size_t i = 1; i < picture.ops.size(); ++i) {
        const SimDrawOp& op = picture.ops[i];
        const bool swatch = (op.kind == SimDrawKind::FilledRect ||
                             op.kind == SimDrawKind::OutlinedRect) && Sized(op.rect, 8);
        const SimDrawOp& before = picture.ops[i - 1].kind == SimDrawKind::Pen ? picture.ops[i - 2]
                                                                               : picture.ops[i - 1];
        if (swatch && before.kind == SimDrawKind::Text)
            entries.insert(entries.begin(), before.text);
    }
    return entries;
}

inline bool Inside(DrawPoint point, const DrawRect& rect) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

inline bool SameColour(DrawColour a, DrawColour b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}
