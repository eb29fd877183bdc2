#include "settings/graph_settings.h"

#include "platform/graph_window.h"
#include "settings/settings_file.h"
#include "state/app_state.h"
#include "window/frame_place.h"

namespace {

const wchar_t* const GraphGroup = L"Graph";

} // namespace

void LoadGraphSettings() {
    const AppState defaults;
    App.GraphPlaceKnown = SelectGroup(GraphGroup);
    App.GraphX = ReadInteger(L"GraphX", defaults.GraphX);
    App.GraphY = ReadInteger(L"GraphY", defaults.GraphY);
    App.GraphW = ReadInteger(L"GraphW", defaults.GraphW);
    App.GraphH = ReadInteger(L"GraphH", defaults.GraphH);
}

void RememberGraphPlace() {
    if (!GraphWindowIsOpen())
        return;
    const ScreenPoint position = GraphFramePosition();
    const PixelSize inner = GraphInnerSize();
    App.GraphX = position.x;
    App.GraphY = position.y;
    App.GraphW = inner.width;
    App.GraphH = inner.height;
    App.GraphPlaceKnown = true;
}

void SaveGraphSettings() {
    RememberGraphPlace();
    if (!App.GraphPlaceKnown)
        return;
    SelectGroup(GraphGroup);
    WriteInteger(L"GraphX", App.GraphX);
    WriteInteger(L"GraphY", App.GraphY);
    WriteInteger(L"GraphW", App.GraphW);
    WriteInteger(L"GraphH", App.GraphH);
}
