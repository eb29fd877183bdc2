#include "window/frame_place.h"

#include "platform/window.h"

#include <algorithm>

namespace {

constexpr int ComposedFrameShift = 5;

} // namespace

int Saturated(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

int ComposedShift() {
    return DesktopComposes() ? ComposedFrameShift : 0;
}

ScreenPoint FramePosition() {
    const WindowRect frame = MainWindowIsNormal() ? MainWindowFrame() : MainWindowNormalFrame();
    return {Saturated(std::int64_t{frame.left} + ComposedShift()), frame.top};
}

PixelSize InnerSize() {
    if (MainWindowIsNormal()) {
        const WindowSize client = MainWindowClientSize();
        return {client.width, client.height};
    }
    const WindowRect frame = MainWindowNormalFrame();
    const WindowSize client =
        ClientSizeOfFrame({frame.right - frame.left, frame.bottom - frame.top});
    return {client.width, client.height};
}
