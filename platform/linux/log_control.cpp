// The log control over GTK 3: a text view in a scroller, addressed in the terms of a multi-line
// edit field. GTK counts characters as the program's wide texts do (one per code point) and a
// line break as one character, so positions agree once a break is always a single LF.
#include "platform/log_control.h"
#include "platform/event_loop.h"
#include "platform/linux/gtk_window_layer.h"
#include "platform/text_encoding.h"

namespace {

struct LogParts {
    GtkTextView* view;
    GtkTextBuffer* buffer;
};

bool FindLog(int id, LogParts& log) {
    const WindowControl* control = FindControl(id);
    if (!control || control->kind != ControlKind::Log)
        return false;
    log = {control->text, gtk_text_view_get_buffer(control->text)};
    return true;
}

GtkTextIter IterAt(GtkTextBuffer* buffer, int offset) {
    GtkTextIter iter;
    gtk_text_buffer_get_iter_at_offset(buffer, &iter, offset); // held to the text's end
    return iter;
}

// Keeps the caret in view, as the Windows control scrolls by itself.
void ShowCaret(const LogParts& log) {
    gtk_text_view_scroll_mark_onscreen(log.view, gtk_text_buffer_get_insert(log.buffer));
}

// A start of -1 removes the selection and leaves the caret; an end of -1 is the text's end.
void Select(const LogParts& log, int start, int end) {
    GtkTextIter caret;
    if (start == -1) {
        gtk_text_buffer_get_iter_at_mark(log.buffer, &caret, gtk_text_buffer_get_insert(log.buffer));
        gtk_text_buffer_select_range(log.buffer, &caret, &caret);
    } else {
        const int length = gtk_text_buffer_get_char_count(log.buffer);
        caret = IterAt(log.buffer, end < 0 ? length : end);
        const GtkTextIter anchor = IterAt(log.buffer, start < 0 ? 0 : start);
        gtk_text_buffer_select_range(log.buffer, &caret, &anchor);
    }
    ShowCaret(log);
}

// The control's own line breaks: a CR LF pair or a lone CR becomes the single LF that GTK
// counts as one character, and a zero ends the text, as it ends a Windows string.
std::wstring WithSingleLineBreaks(const std::wstring& text) {
    std::wstring result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size() && text[i] != L'\0'; ++i) {
        if (text[i] != L'\r')
            result += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != L'\n')
            result += L'\n';
    }
    return result;
}

void OnLogChanged(GtkTextBuffer* buffer, gpointer) {
    if (WindowLayer.programEdits > 0)
        return;
    for (const auto& control : WindowLayer.controls)
        if (control.text && gtk_text_view_get_buffer(control.text) == buffer)
            Raise(EventControl, control.id, NotifyEditChange);
}

gboolean OnLogFocus(GtkWidget* view, GdkEventFocus* event, gpointer) {
    if (const WindowControl* control = FindControlByWidget(view))
        Raise(EventControl, control->id, event->in ? NotifyEditSetFocus : NotifyEditKillFocus);
    return FALSE;
}

gboolean OnLogButton(GtkWidget* view, GdkEventButton* event, gpointer) {
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_SECONDARY)
        return FALSE;
    gtk_widget_grab_focus(view);
    ShowLogMenu(GTK_TEXT_VIEW(view), reinterpret_cast<const GdkEvent*>(event));
    return TRUE;
}

gboolean OnLogMenuKey(GtkWidget* view, gpointer) {
    ShowLogMenu(GTK_TEXT_VIEW(view), nullptr);
    return TRUE;
}

// The view keeps to the log's end once it shows it. GTK scrolls to a new line as soon as it has
// laid the line out, so a horizontal scroll bar that the line brings takes its room afterwards
// and would cover the line; the end is shown again whenever the page or the text changes.
constexpr const char* AtEndKey = "tockmeter-at-end";
constexpr double AtEndSlack = 0.5; // pixels

void OnLogScrolled(GtkAdjustment* vertical, gpointer) {
    const bool atEnd = gtk_adjustment_get_value(vertical) + AtEndSlack >=
                       gtk_adjustment_get_upper(vertical) - gtk_adjustment_get_page_size(vertical);
    g_object_set_data(G_OBJECT(vertical), AtEndKey, GINT_TO_POINTER(atEnd ? 1 : 0));
}

void OnLogPageChanged(GtkAdjustment* vertical, gpointer) {
    if (g_object_get_data(G_OBJECT(vertical), AtEndKey))
        gtk_adjustment_set_value(vertical, gtk_adjustment_get_upper(vertical) -
                                               gtk_adjustment_get_page_size(vertical));
}

} // namespace

void CreateLogControl(int id, int left, int top, int width, int height) {
    if (!WindowLayer.surface)
        return;
    // The log jumps to a new line as the Windows control does. A scroll still animating when the
    // window is laid out also keeps GTK from giving the log's scroll bar its new page size.
    g_object_set(gtk_settings_get_default(), "gtk-enable-animations", FALSE, nullptr);
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    // Scroll bars that are always drawn, as on the desktops where the program comes from.
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);

    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_NONE);
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(view), TRUE);
    gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(view), TRUE);
    gtk_container_add(GTK_CONTAINER(scroller), view);

    g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), "changed",
                     G_CALLBACK(OnLogChanged), nullptr);
    g_signal_connect(view, "focus-in-event", G_CALLBACK(OnLogFocus), nullptr);
    g_signal_connect(view, "focus-out-event", G_CALLBACK(OnLogFocus), nullptr);
    g_signal_connect(view, "button-press-event", G_CALLBACK(OnLogButton), nullptr);
    g_signal_connect(view, "popup-menu", G_CALLBACK(OnLogMenuKey), nullptr);
    GtkAdjustment* vertical = gtk_scrollable_get_vadjustment(GTK_SCROLLABLE(view));
    OnLogScrolled(vertical, nullptr);
    g_signal_connect(vertical, "value-changed", G_CALLBACK(OnLogScrolled), nullptr);
    g_signal_connect(vertical, "changed", G_CALLBACK(OnLogPageChanged), nullptr);
    RegisterControl(id, scroller, ControlKind::Log, GTK_TEXT_VIEW(view), left, top, width, height);
}

int EditTextLength(int id) {
    LogParts log;
    return FindLog(id, log) ? gtk_text_buffer_get_char_count(log.buffer) : 0;
}

void EditHideSelection(int, bool) {
    // GTK draws the selection whether or not the program is changing the text; the program only
    // hides it for the moment of an append.
}

void EditSetSelection(int id, int start, int end) {
    LogParts log;
    if (FindLog(id, log))
        Select(log, start, end);
}

void EditReplaceSelection(int id, const std::wstring& text, bool) {
    // GTK 3's text view keeps no undo history, so there is nothing to record the change in.
    LogParts log;
    if (!FindLog(id, log))
        return;
    ++WindowLayer.programEdits;
    gtk_text_buffer_delete_selection(log.buffer, FALSE, TRUE);
    gtk_text_buffer_insert_at_cursor(log.buffer, Utf8Text(WithSingleLineBreaks(text)).c_str(), -1);
    --WindowLayer.programEdits;
    ShowCaret(log);
}

int EditLineCount(int id) {
    LogParts log;
    return FindLog(id, log) ? gtk_text_buffer_get_line_count(log.buffer) : 0;
}

int EditLineIndex(int id, int line) {
    LogParts log;
    if (!FindLog(id, log) || line < 0 || line >= gtk_text_buffer_get_line_count(log.buffer))
        return -1;
    GtkTextIter start;
    gtk_text_buffer_get_iter_at_line(log.buffer, &start, line);
    return gtk_text_iter_get_offset(&start);
}

int EditLineLength(int id, int characterIndex) {
    LogParts log;
    if (!FindLog(id, log))
        return 0;
    GtkTextIter at;
    if (characterIndex < 0) // the caret's line, as for a field without a selection
        gtk_text_buffer_get_iter_at_mark(log.buffer, &at, gtk_text_buffer_get_insert(log.buffer));
    else
        at = IterAt(log.buffer, characterIndex);
    GtkTextIter start = at;
    gtk_text_iter_set_line_offset(&start, 0);
    GtkTextIter end = at;
    if (!gtk_text_iter_ends_line(&end))
        gtk_text_iter_forward_to_line_end(&end);
    return gtk_text_iter_get_offset(&end) - gtk_text_iter_get_offset(&start);
}

std::wstring EditGetLine(int id, int line, int capacity) {
    LogParts log;
    if (!FindLog(id, log) || line < 0 || capacity <= 0 ||
        line >= gtk_text_buffer_get_line_count(log.buffer))
        return std::wstring();
    GtkTextIter start;
    gtk_text_buffer_get_iter_at_line(log.buffer, &start, line);
    GtkTextIter end = start;
    if (!gtk_text_iter_ends_line(&end))
        gtk_text_iter_forward_to_line_end(&end);
    gchar* text = gtk_text_buffer_get_text(log.buffer, &start, &end, TRUE);
    std::wstring result = WideFromUtf8(text);
    g_free(text);
    if (line + 1 < gtk_text_buffer_get_line_count(log.buffer))
        result += L'\r';
    if (result.size() > static_cast<std::size_t>(capacity))
        result.resize(static_cast<std::size_t>(capacity));
    return result;
}

void EditExSetSelection(int id, int start, int end) {
    LogParts log;
    if (FindLog(id, log))
        Select(log, start, end);
}

void EditCopySelection(int id) {
    LogParts log;
    if (FindLog(id, log))
        gtk_text_buffer_copy_clipboard(
            log.buffer, gtk_widget_get_clipboard(GTK_WIDGET(log.view), GDK_SELECTION_CLIPBOARD));
}
