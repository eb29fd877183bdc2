// The simulated graph window: its place and size, the picture it shows, and the user's actions
// on it in virtual time.
#include "platform/event_loop.h"
#include "sim/sim_state.h"

#include <utility>

namespace {

constexpr unsigned MessageMove = 0x0003;       // WM_MOVE
constexpr unsigned MessageSize = 0x0005;       // WM_SIZE
constexpr unsigned MessageClose = 0x0010;      // WM_CLOSE
constexpr unsigned MessageSysCommand = 0x0112; // WM_SYSCOMMAND

SimGraphWindow& Graph() {
    return Sim().drawing.graph;
}

void Raise(int kind) {
    RaiseEvent(kind, GraphWindowEvents, 0, 0);
}

// The user acts only on an open graph window.
void ScheduleOnGraph(std::int64_t atNanoseconds, std::function<unsigned(SimGraphWindow&)> action) {
    Sim().desktop.actions.emplace(atNanoseconds, [action = std::move(action)]() -> unsigned {
        SimGraphWindow& graph = Graph();
        return graph.open ? action(graph) : 0;
    });
}

void PlaceNormally(SimGraphWindow& graph, WindowRect frame) {
    graph.minimized = false;
    graph.frame = graph.normalFrame = frame;
    graph.client = ClientSizeOfFrame({frame.right - frame.left, frame.bottom - frame.top});
}

} // namespace

void OpenGraphWindow(const std::wstring& title, int left, int top, int innerWidth,
                     int innerHeight) {
    SimGraphWindow& graph = Graph();
    if (graph.open)
        return;
    graph.open = true;
    ++graph.opens;
    graph.title = title;
    graph.shown = SimPicture{};
    PlaceNormally(graph, SimFrameAround(left, top, {innerWidth, innerHeight}));
}

void CloseGraphWindow() {
    Graph().open = false;
}

bool GraphWindowIsOpen() {
    return Graph().open;
}

WindowRect GraphWindowFrame() {
    return Graph().open ? Graph().frame : WindowRect{};
}

WindowSize GraphWindowClientSize() {
    return Graph().open ? Graph().client : WindowSize{};
}

bool GraphWindowIsNormal() {
    return Graph().open && !Graph().minimized;
}

WindowRect GraphWindowNormalFrame() {
    return Graph().open ? Graph().normalFrame : WindowRect{};
}

void ShowInGraphWindow(Drawing drawing) {
    SimDrawingWorld& world = Sim().drawing;
    const auto picture = world.pictures.find(drawing);
    if (!world.graph.open || picture == world.pictures.end())
        return;
    world.graph.shown = picture->second;
    ++world.graph.pictures;
    if (world.onGraphPicture)
        world.onGraphPicture();
}

const SimGraphWindow& SimGraph() {
    return Graph();
}

void SimOnGraphPicture(std::function<void()> look) {
    Sim().drawing.onGraphPicture = std::move(look);
}

void SimScheduleGraphResize(std::int64_t atNanoseconds, int clientWidth, int clientHeight) {
    ScheduleOnGraph(atNanoseconds, [=](SimGraphWindow& graph) {
        const WindowRect& from = graph.normalFrame;
        PlaceNormally(graph, SimFrameAround(from.left, from.top, {clientWidth, clientHeight}));
        Raise(EventSize);
        return MessageSize;
    });
}

void SimScheduleGraphMove(std::int64_t atNanoseconds, int left, int top) {
    ScheduleOnGraph(atNanoseconds, [=](SimGraphWindow& graph) {
        const WindowRect& from = graph.normalFrame;
        PlaceNormally(graph,
                      {left, top, left + from.right - from.left, top + from.bottom - from.top});
        Raise(EventMove);
        return MessageMove;
    });
}

void SimScheduleGraphMinimize(std::int64_t atNanoseconds) {
    ScheduleOnGraph(atNanoseconds, [](SimGraphWindow& graph) {
        graph.minimized = true;
        Raise(EventMinimize);
        return MessageSysCommand;
    });
}

void SimScheduleGraphClose(std::int64_t atNanoseconds) {
    ScheduleOnGraph(atNanoseconds, [](SimGraphWindow&) {
        Raise(EventClose);
        return MessageClose;
    });
}
