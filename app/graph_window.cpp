#include "app/graph_window.h"

#include "app/save_as.h"
#include "calibration/measured_run.h"
#include "graph/graph_picture.h"
#include "platform/event_loop.h"
#include "platform/graph_window.h"
#include "settings/graph_settings.h"
#include "state/app_state.h"
#include "window/control_ids.h"
#include "window/events.h"
#include "window/frame_place.h"
#include "window/main_controls.h"

#include <cstddef>

namespace {

const wchar_t* const GraphTitle = L"Tockmeter graph";
const SaveAsKind GraphFile{L"Save Graph As", L"PNG images", L"png", L"The graph was not saved to",
                           L"The measurements are still kept: try another folder or name."};

// What the graph drawn last showed of the session: while it stays the same, nothing is redrawn.
struct DrawnSession {
    std::size_t runs = 0;
    std::size_t stamps = 0; // of the last run
    bool ended = false;
};
DrawnSession Drawn;

DrawnSession SessionNow() {
    const std::vector<MeasuredRun>& runs = SessionRuns();
    if (runs.empty())
        return DrawnSession{};
    return {runs.size(), runs.back().stamps.size(), runs.back().ended};
}

bool SameSession(const DrawnSession& a, const DrawnSession& b) {
    return a.runs == b.runs && a.stamps == b.stamps && a.ended == b.ended;
}

// The picture the window's graph is drawn on, kept while the window keeps its size: making a
// picture of a whole screen costs more than drawing the graph on it (under Wine some 20 ms).
struct WindowPicture {
    Drawing picture = 0;
    int width = 0, height = 0;
};
WindowPicture Kept;

void LetPictureGo() {
    DeleteDrawing(Kept.picture);
    Kept = WindowPicture{};
}

// The graph of the session drawn on the picture.
void DrawSession(Drawing picture, int width, int height) {
    if (picture)
        DrawGraph(picture, width, height, SessionGraphData(SessionRuns()));
}

void RedrawGraph() {
    const WindowSize size = GraphWindowClientSize();
    if (!GraphWindowIsOpen() || size.width <= 0 || size.height <= 0)
        return; // closed or minimized: drawn when shown again
    if (size.width != Kept.width || size.height != Kept.height) {
        LetPictureGo();
        Kept = {CreateDrawing(size.width, size.height), size.width, size.height};
    }
    DrawSession(Kept.picture, size.width, size.height);
    ShowInGraphWindow(Kept.picture);
    Drawn = SessionNow();
}

} // namespace

void ShowGraphCommand() {
    if (!GraphWindowIsOpen())
        App.GraphPlaceKnown = true;
    const ScreenPoint place = OpeningPlace(App.GraphX, App.GraphY, App.GraphW, App.GraphH);
    OpenGraphWindow(GraphTitle, place.x, place.y, App.GraphW, App.GraphH);
    RedrawGraph();
}

void SaveGraphCommand() {
    if (SessionRuns().empty()) {
        ShowMessage(L"Tockmeter", L"There is no graph to save yet: it shows the tick lines of "
                                  L"this session's timing runs.");
        return;
    }
    const std::wstring path = AskWhereToSave(GraphFile);
    if (path.empty())
        return;
    const WindowSize shown = GraphWindowClientSize();
    const bool open = GraphWindowIsOpen() && shown.width > 0 && shown.height > 0;
    const int width = open ? shown.width : App.GraphW;
    const int height = open ? shown.height : App.GraphH;
    const Drawing picture = CreateDrawing(width, height);
    DrawSession(picture, width, height);
    const std::string png = DrawingAsPng(picture);
    DeleteDrawing(picture);
    if (png.empty()) {
        ShowMessage(L"Tockmeter", std::wstring(GraphFile.notSaved) + L"\n" + path +
                                      L"\n\nThe system could not make the PNG image.");
        return;
    }
    SaveBytesAt(GraphFile, path, png);
}

void RedrawGraphIfChanged() {
    if (GraphWindowIsOpen() && !SameSession(Drawn, SessionNow()))
        RedrawGraph();
}

void OnGraphWindowEvent(int kind) {
    if (kind == EventSize)
        RedrawGraph();
    else if (kind == EventClose)
        CloseGraph();
}

void CloseGraph() {
    if (!GraphWindowIsOpen())
        return;
    RememberGraphPlace();
    CloseGraphWindow();
    LetPictureGo();
    RemoveWindowEvents(GraphWindowNumber);
}
