#include "window/frame_place.h"

#include "platform/graph_window.h"
#include "platform/window.h"

#include <algorithm>

namespace {

constexpr int ComposedFrameShift = 5;

// What the place and size are read from: the main window's geometry or the graph window's.
struct TopLevelGeometry {
    bool (*isNormal)();
    WindowRect (*frame)();
    WindowRect (*normalFrame)();
    WindowSize (*clientSize)();
};
constexpr TopLevelGeometry MainWindowGeometry{MainWindowIsNormal, MainWindowFrame,
                                              MainWindowNormalFrame, MainWindowClientSize};
constexpr TopLevelGeometry GraphWindowGeometry{GraphWindowIsNormal, GraphWindowFrame,
                                               GraphWindowNormalFrame, GraphWindowClientSize};

ScreenPoint PositionOf(const TopLevelGeometry& window) {
    const WindowRect frame = window.isNormal() ? window.frame() : window.normalFrame();
    return {Saturated(std::int64_t{frame.left} + ComposedShift()), frame.top};
}

PixelSize InnerSizeOf(const TopLevelGeometry& window) {
    if (window.isNormal()) {
        const WindowSize client = window.clientSize();
        return {client.width, client.height};
    }
    const WindowRect frame = window.normalFrame();
    const WindowSize client =
        ClientSizeOfFrame({frame.right - frame.left, frame.bottom - frame.top});
    return {client.width, client.height};
}

// The nearest value from low to high; low when the range is empty.
std::int64_t Within(std::int64_t value, std::int64_t low, std::int64_t high) {
    return std::max(low, std::min(value, high));
}

} // namespace

int Saturated(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

int ComposedShift() {
    return DesktopComposes() ? ComposedFrameShift : 0;
}

ScreenPoint FramePosition() {
    return PositionOf(MainWindowGeometry);
}

PixelSize InnerSize() {
    return InnerSizeOf(MainWindowGeometry);
}

ScreenPoint GraphFramePosition() {
    return PositionOf(GraphWindowGeometry);
}

PixelSize GraphInnerSize() {
    return InnerSizeOf(GraphWindowGeometry);
}

ScreenPoint OpeningPlace(std::int32_t storedLeft, std::int32_t storedTop, std::int32_t innerWidth,
                         std::int32_t innerHeight) {
    const std::int64_t left = std::int64_t{storedLeft} - ComposedShift();
    const std::int64_t top = storedTop;
    // A frame without a size (stored by hand) counts as one pixel here.
    const WindowSize frameSize = FrameSizeOfClient({innerWidth, innerHeight});
    const WindowSize size{std::max(frameSize.width, 1), std::max(frameSize.height, 1)};
    const WindowRect frame{Saturated(left), Saturated(top), Saturated(left + size.width),
                           Saturated(top + size.height)};
    bool onAMonitor = true;
    const WindowRect area = WorkAreaNear(frame, onAMonitor);
    if (onAMonitor)
        return {frame.left, frame.top};
    return {Saturated(Within(left, area.left, std::int64_t{area.right} - size.width)),
            Saturated(Within(top, area.top, std::int64_t{area.bottom} - size.height))};
}
