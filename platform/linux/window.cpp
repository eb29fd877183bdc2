// The main window over GTK 3: its creation, the signals that become the program's events, and
// its geometry.
#include <glib-unix.h>
#include <unistd.h>

#include <climits>
#include <clocale>
#include <csignal>

#include "platform/event_loop.h"
#include "platform/linux/gtk_window_layer.h"
#include "platform/text_encoding.h"
#include "platform/window.h"

WindowLayerState WindowLayer;

// The program's icon as a PNG file's bytes, built into the program.
extern const unsigned char ProgramIconPng[];
extern const std::size_t ProgramIconPngSize;

namespace {

constexpr int FallbackDotsPerInch = 96;

// The window's look as the program lays it out: controls as small as their places, in the
// size of text that the places were made for, on the dialog-face colour.
const char* const WindowLayerCss = R"(
.tockmeter-surface { background-color: @theme_bg_color; font-size: 8pt; }
.tockmeter-surface combobox { -GtkComboBox-appears-as-list: 1; }
.tockmeter-surface button, .tockmeter-surface combobox button {
    min-height: 0; min-width: 0; padding: 0 4px;
}
.tockmeter-surface combobox button { padding: 0 2px 0 4px; }
.tockmeter-surface combobox arrow { min-height: 0; min-width: 10px; }
)";

GdkWindow* MainGdkWindow() {
    return WindowLayer.mainWindow ? gtk_widget_get_window(WindowLayer.mainWindow) : nullptr;
}

// The frame's edges around the client area, as the window manager draws them; none before the
// window is shown, or without a window manager.
WindowSize DecorationSize() {
    GdkWindow* window = MainGdkWindow();
    if (!window)
        return {0, 0};
    GdkRectangle frame{};
    gdk_window_get_frame_extents(window, &frame);
    const int width = frame.width - gdk_window_get_width(window);
    const int height = frame.height - gdk_window_get_height(window);
    return {width > 0 ? width : 0, height > 0 ? height : 0};
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer) {
    // Only the program closes the window, after its shut-down steps.
    Raise(EventClose);
    return TRUE;
}

gboolean OnStateChange(GtkWidget*, GdkEventWindowState* event, gpointer) {
    const GdkWindowState changed = event->changed_mask;
    const GdkWindowState now = event->new_window_state;
    if ((changed & GDK_WINDOW_STATE_ICONIFIED) && (now & GDK_WINDOW_STATE_ICONIFIED)) {
        WindowLayer.leftNormalState = true;
        Raise(EventMinimize);
    } else if ((changed & GDK_WINDOW_STATE_MAXIMIZED) && (now & GDK_WINDOW_STATE_MAXIMIZED)) {
        WindowLayer.leftNormalState = true;
        Raise(EventMaximize);
        Raise(EventSize);
    } else if (WindowLayer.leftNormalState && MainWindowIsNormal()) {
        WindowLayer.leftNormalState = false;
        Raise(EventRestore);
        Raise(EventSize);
    }
    return FALSE;
}

gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer) {
    if (MainWindowIsNormal())
        WindowLayer.normalFrame = MainWindowFrame();
    Raise(EventMove);
    const WindowSize size{event->width, event->height};
    if (size.width != WindowLayer.lastClientSize.width ||
        size.height != WindowLayer.lastClientSize.height) {
        WindowLayer.lastClientSize = size;
        if (!(gdk_window_get_state(event->window) & GDK_WINDOW_STATE_ICONIFIED))
            Raise(EventSize);
    }
    return FALSE;
}

void OnActiveChange(GObject*, GParamSpec*, gpointer) {
    Raise(EventActivate);
}

gboolean OnSurfaceDraw(GtkWidget*, cairo_t*, gpointer) {
    Raise(EventRepaint);
    return FALSE;
}

gboolean OnSurfaceButton(GtkWidget*, GdkEventButton* event, gpointer) {
    if (event->type != GDK_BUTTON_PRESS)
        return FALSE;
    if (event->button == GDK_BUTTON_PRIMARY) {
        Raise(EventClick);
        return TRUE;
    }
    if (event->button == GDK_BUTTON_SECONDARY) {
        ShowWindowMenu(reinterpret_cast<const GdkEvent*>(event));
        return TRUE;
    }
    return FALSE;
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer) {
    // Before the focused control sees it, as an accelerator table takes it on Windows.
    return TakeMenuShortcut(event) ? TRUE : FALSE;
}

void OnDestroy(GtkWidget*, gpointer) {
    for (const auto& timer : WindowLayer.timers)
        g_source_remove(timer.second);
    WindowLayer.timers.clear();
    WindowLayer.controls.clear();
    WindowLayer.mainWindow = nullptr;
    WindowLayer.surface = nullptr;
    WindowLayer.leftNormalState = false;
    WindowLayer.lastClientSize = {-1, -1};
}

// The session's end reaches a Linux program as SIGTERM (or SIGHUP from a closed terminal): the
// settings are saved, and then the process ends, as Windows ends it after the same event.
gboolean OnSessionEndSignal(gpointer) {
    Raise(EventSessionEnd);
    _exit(0);
}

// Ctrl-C in the terminal that started the program closes it as the window's close box does.
gboolean OnInterruptSignal(gpointer) {
    Raise(EventClose);
    return G_SOURCE_CONTINUE;
}

void SetProgramIcon() {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
    if (!loader)
        return;
    const bool written =
        gdk_pixbuf_loader_write(loader, ProgramIconPng, ProgramIconPngSize, nullptr);
    if (gdk_pixbuf_loader_close(loader, nullptr) && written) { // closed in any case
        if (GdkPixbuf* icon = gdk_pixbuf_loader_get_pixbuf(loader))
            gtk_window_set_default_icon(icon);
    }
    g_object_unref(loader);
}

void AddWindowLayerStyle() {
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, WindowLayerCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

} // namespace

int Saturated(long long value) {
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

WindowRect RectOf(const GdkRectangle& rect) {
    return {rect.x, rect.y, Saturated(static_cast<long long>(rect.x) + rect.width),
            Saturated(static_cast<long long>(rect.y) + rect.height)};
}

WindowRect FrameOf(GdkWindow* window) {
    if (!window)
        return {0, 0, 0, 0};
    GdkRectangle frame{};
    gdk_window_get_frame_extents(window, &frame);
    return RectOf(frame);
}

void Raise(int kind, int object, int detail) {
    RaiseEvent(kind, 0, object, detail);
}

std::string Utf8Text(const std::wstring& text) {
    return Utf8FromWide(text);
}

int InitWindowLayer() {
    // The entry point has opened the display. GTK set the user's locale; numbers the program
    // reads or writes keep the point as decimal separator.
    std::setlocale(LC_NUMERIC, "C");
    if (!WindowLayer.initialized) {
        WindowLayer.initialized = true;
        AddWindowLayerStyle();
        SetProgramIcon();
        g_unix_signal_add(SIGTERM, OnSessionEndSignal, nullptr);
        g_unix_signal_add(SIGHUP, OnSessionEndSignal, nullptr);
        g_unix_signal_add(SIGINT, OnInterruptSignal, nullptr);
    }
    GdkScreen* screen = gdk_screen_get_default();
    const double resolution = screen ? gdk_screen_get_resolution(screen) : -1.0;
    return resolution > 0 ? static_cast<int>(resolution + 0.5) : FallbackDotsPerInch;
}

bool DesktopComposes() {
    // What the program asks is whether the frame it reads has the invisible resize borders of
    // a composing Windows desktop. The frame GTK reports is the visible one, composited or not.
    return false;
}

bool VisualStylesInUse() {
    return true; // GTK always draws its controls with the theme
}

void OpenMainWindow(const std::wstring& title, int left, int top, int innerWidth, int innerHeight) {
    if (WindowLayer.mainWindow || !WindowLayer.initialized)
        return;
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    WindowLayer.mainWindow = window;
    gtk_window_set_title(GTK_WINDOW(window), Utf8Text(title).c_str());
    gtk_window_set_default_size(GTK_WINDOW(window), innerWidth > 1 ? innerWidth : 1,
                                innerHeight > 1 ? innerHeight : 1);
    gtk_window_move(GTK_WINDOW(window), left, top);

    // A layout asks for no size of its own, so the window can be made smaller than its
    // controls, which it then cuts off, as a Windows window does.
    GtkWidget* surface = gtk_layout_new(nullptr, nullptr);
    WindowLayer.surface = surface;
    gtk_style_context_add_class(gtk_widget_get_style_context(surface), "tockmeter-surface");
    gtk_widget_add_events(surface, GDK_BUTTON_PRESS_MASK);
    gtk_container_add(GTK_CONTAINER(window), surface);

    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), nullptr);
    g_signal_connect(window, "window-state-event", G_CALLBACK(OnStateChange), nullptr);
    g_signal_connect(window, "configure-event", G_CALLBACK(OnConfigure), nullptr);
    g_signal_connect(window, "notify::is-active", G_CALLBACK(OnActiveChange), nullptr);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), nullptr);
    g_signal_connect(surface, "draw", G_CALLBACK(OnSurfaceDraw), nullptr);
    g_signal_connect(surface, "button-press-event", G_CALLBACK(OnSurfaceButton), nullptr);

    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
}

void CloseMainWindow() {
    if (WindowLayer.mainWindow)
        gtk_widget_destroy(WindowLayer.mainWindow);
}

void ReleaseWindowLayer() {
    WindowLayer.fonts.clear();
}

WindowRect MainWindowFrame() {
    return FrameOf(MainGdkWindow());
}

WindowSize MainWindowClientSize() {
    if (!WindowLayer.mainWindow)
        return {0, 0};
    int width = 0;
    int height = 0;
    gtk_window_get_size(GTK_WINDOW(WindowLayer.mainWindow), &width, &height);
    return {width, height};
}

bool MainWindowIsNormal() {
    GdkWindow* window = MainGdkWindow();
    if (!window)
        return WindowLayer.mainWindow != nullptr;
    const GdkWindowState notNormal = static_cast<GdkWindowState>(
        GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN);
    return (gdk_window_get_state(window) & notNormal) == 0;
}

WindowRect MainWindowNormalFrame() {
    if (!WindowLayer.mainWindow)
        return {0, 0, 0, 0};
    return MainWindowIsNormal() ? MainWindowFrame() : WindowLayer.normalFrame;
}

WindowSize ClientSizeOfFrame(WindowSize frame) {
    if (!WindowLayer.mainWindow)
        return {0, 0};
    const WindowSize edges = DecorationSize();
    const int width = frame.width - edges.width;
    const int height = frame.height - edges.height;
    return {width > 0 ? width : 0, height > 0 ? height : 0};
}

WindowSize FrameSizeOfClient(WindowSize client) {
    const WindowSize edges = DecorationSize();
    return {Saturated(static_cast<long long>(client.width) + edges.width),
            Saturated(static_cast<long long>(client.height) + edges.height)};
}

WindowRect WorkAreaNear(const WindowRect& frame, bool& onAMonitor) {
    onAMonitor = true; // nothing better is known: leave the place as it is
    GdkDisplay* display = gdk_display_get_default();
    if (!display)
        return frame;
    const GdkRectangle wanted{frame.left, frame.top,
                              Saturated(static_cast<long long>(frame.right) - frame.left),
                              Saturated(static_cast<long long>(frame.bottom) - frame.top)};
    GdkMonitor* chosen = nullptr;
    long long largestOverlap = -1;
    for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
        GdkMonitor* monitor = gdk_display_get_monitor(display, i);
        GdkRectangle area{};
        gdk_monitor_get_geometry(monitor, &area);
        GdkRectangle overlap{};
        const long long size = gdk_rectangle_intersect(&wanted, &area, &overlap)
                                   ? static_cast<long long>(overlap.width) * overlap.height
                                   : 0;
        if (size > largestOverlap) {
            largestOverlap = size;
            chosen = monitor;
        }
    }
    if (!chosen)
        return frame;
    onAMonitor = largestOverlap > 0;
    if (!onAMonitor) // the one nearest to the rectangle's corner
        chosen = gdk_display_get_monitor_at_point(display, frame.left, frame.top);
    GdkRectangle work{};
    gdk_monitor_get_workarea(chosen, &work);
    return RectOf(work);
}
