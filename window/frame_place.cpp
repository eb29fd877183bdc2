#include "window/frame_place.h"

#include "platform/graph_window.h"
#include "platform/platform.h"

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
