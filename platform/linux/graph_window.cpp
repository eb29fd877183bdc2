// The graph window over GTK 3: a second top-level window, kept above the main window, whose
// drawing area paints its own copy of the latest picture without asking the program.
#include "platform/event_loop.h"
#include "platform/graph_window.h"
#include "platform/linux/drawing_internal.h"
#include "platform/linux/gtk_window_layer.h"

namespace {

struct GraphWindowState {
    GtkWidget* window = nullptr;
    GtkWidget* area = nullptr;
    cairo_surface_t* copy = nullptr; // the picture shown
    WindowRect normalFrame{0, 0, 0, 0};
    WindowSize lastClientSize{-1, -1};
};

GraphWindowState Graph;

void RaiseGraph(int kind) {
    RaiseEvent(kind, GraphWindowEvents, 0, 0);
}

void ReleaseCopy() {
    if (Graph.copy)
        cairo_surface_destroy(Graph.copy);
    Graph.copy = nullptr;
}

GdkWindow* GraphGdkWindow() {
    return Graph.window ? gtk_widget_get_window(Graph.window) : nullptr;
}

gboolean OnDraw(GtkWidget*, cairo_t* cairo, gpointer) {
    cairo_set_source_rgb(cairo, 1.0, 1.0, 1.0);
    cairo_paint(cairo);
    if (Graph.copy) {
        cairo_set_source_surface(cairo, Graph.copy, 0, 0);
        cairo_paint(cairo);
    }
    return TRUE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer) {
    // Only the program closes the window, once it has read its place.
    RaiseGraph(EventClose);
    return TRUE;
}

gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer) {
    if (GraphWindowIsNormal())
        Graph.normalFrame = GraphWindowFrame();
    RaiseGraph(EventMove);
    const WindowSize size{event->width, event->height};
    if (size.width != Graph.lastClientSize.width || size.height != Graph.lastClientSize.height) {
        Graph.lastClientSize = size;
        if (!(gdk_window_get_state(event->window) & GDK_WINDOW_STATE_ICONIFIED))
            RaiseGraph(EventSize);
    }
    return FALSE;
}

gboolean OnStateChange(GtkWidget*, GdkEventWindowState* event, gpointer) {
    if ((event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) &&
        (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED))
        RaiseGraph(EventMinimize);
    else if (event->changed_mask & (GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED))
        RaiseGraph(EventSize);
    return FALSE;
}

gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer) {
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_SECONDARY)
        return FALSE;
    ShowGraphMenu(reinterpret_cast<const GdkEvent*>(event));
    return TRUE;
}

gboolean OnPopupMenu(GtkWidget*, gpointer) {
    ShowGraphMenu(nullptr);
    return TRUE;
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer) {
    return TakeMenuShortcut(event) ? TRUE : FALSE;
}

void OnDestroy(GtkWidget*, gpointer) {
    Graph.window = nullptr;
    Graph.area = nullptr;
    Graph.lastClientSize = {-1, -1};
    ReleaseCopy();
}

} // namespace

void OpenGraphWindow(const std::wstring& title, int left, int top, int innerWidth,
                     int innerHeight) {
    if (Graph.window) {
        gtk_window_present(GTK_WINDOW(Graph.window));
        return;
    }
    if (!WindowLayer.mainWindow)
        return;
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    Graph.window = window;
    gtk_window_set_title(GTK_WINDOW(window), Utf8Text(title).c_str());
    gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(WindowLayer.mainWindow));
    gtk_window_set_default_size(GTK_WINDOW(window), innerWidth > 1 ? innerWidth : 1,
                                innerHeight > 1 ? innerHeight : 1);
    gtk_window_move(GTK_WINDOW(window), left, top);
    // The area asks for no size of its own, so the window may be made as small as the user likes.
    GtkWidget* area = gtk_drawing_area_new();
    Graph.area = area;
    gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK);
    gtk_widget_set_can_focus(area, TRUE);
    gtk_container_add(GTK_CONTAINER(window), area);

    g_signal_connect(area, "draw", G_CALLBACK(OnDraw), nullptr);
    g_signal_connect(area, "button-press-event", G_CALLBACK(OnButton), nullptr);
    g_signal_connect(area, "popup-menu", G_CALLBACK(OnPopupMenu), nullptr);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), nullptr);
    g_signal_connect(window, "configure-event", G_CALLBACK(OnConfigure), nullptr);
    g_signal_connect(window, "window-state-event", G_CALLBACK(OnStateChange), nullptr);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), nullptr);

    gtk_widget_show_all(window);
    gtk_widget_grab_focus(area);
    gtk_window_present(GTK_WINDOW(window));
}

void CloseGraphWindow() {
    if (Graph.window)
        gtk_widget_destroy(Graph.window);
}

bool GraphWindowIsOpen() {
    return Graph.window != nullptr;
}

WindowRect GraphWindowFrame() {
    return FrameOf(GraphGdkWindow());
}

WindowSize GraphWindowClientSize() {
    if (!Graph.window)
        return {0, 0};
    int width = 0;
    int height = 0;
    gtk_window_get_size(GTK_WINDOW(Graph.window), &width, &height);
    return {width, height};
}

bool GraphWindowIsNormal() {
    GdkWindow* window = GraphGdkWindow();
    if (!window)
        return Graph.window != nullptr;
    const GdkWindowState notNormal = static_cast<GdkWindowState>(
        GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN);
    return (gdk_window_get_state(window) & notNormal) == 0;
}

WindowRect GraphWindowNormalFrame() {
    if (!Graph.window)
        return {0, 0, 0, 0};
    return GraphWindowIsNormal() ? GraphWindowFrame() : Graph.normalFrame;
}

void ShowInGraphWindow(Drawing drawing) {
    const Picture* picture = PictureOf(drawing);
    if (!Graph.window || !picture)
        return;
    cairo_surface_flush(picture->surface);
    if (!Graph.copy || cairo_image_surface_get_width(Graph.copy) != picture->width ||
        cairo_image_surface_get_height(Graph.copy) != picture->height) {
        ReleaseCopy();
        Graph.copy =
            cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture->width, picture->height);
    }
    cairo_t* cairo = cairo_create(Graph.copy);
    cairo_set_source_surface(cairo, picture->surface, 0, 0);
    cairo_set_operator(cairo, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cairo);
    cairo_destroy(cairo);
    gtk_widget_queue_draw(Graph.area);
}
