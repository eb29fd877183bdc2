// The program's own menu commands over GTK 3: the log's right-click menu (also the menu key and
// Shift+F10), the same commands for the window's surface, and their Ctrl keys. GTK leaves the
// title bar's menu to the window manager, so a right click on the window is where it is offered.
#include "platform/graph_window.h"
#include "platform/menu_commands.h"
#include "platform/event_loop.h"
#include "platform/linux/gtk_window_layer.h"

namespace {

const char* const CommandKey = "tockmeter-command";

void OnItemActivated(GtkMenuItem* item, gpointer) {
    Raise(EventCommand, GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), CommandKey)));
}

GtkWidget* CommandItem(const MenuCommandEntry& command, bool enabled) {
    GtkWidget* item = gtk_menu_item_new_with_mnemonic(MnemonicText(command.text).c_str());
    if (command.ctrlKey != 0) {
        GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
        if (GTK_IS_ACCEL_LABEL(label))
            gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label),
                                      gdk_unicode_to_keyval(static_cast<guint32>(command.ctrlKey)),
                                      GDK_CONTROL_MASK);
    }
    gtk_widget_set_sensitive(item, enabled ? TRUE : FALSE);
    g_object_set_data(G_OBJECT(item), CommandKey, GINT_TO_POINTER(command.id));
    g_signal_connect(item, "activate", G_CALLBACK(OnItemActivated), nullptr);
    return item;
}

// The commands that carry the place flag, with their separators; null when there are none.
GtkWidget* BuildMenu(int place, bool haveSelection) {
    GtkWidget* menu = nullptr;
    for (const auto& command : WindowLayer.menuCommands) {
        if ((command.flags & place) == 0)
            continue;
        if (!menu)
            menu = gtk_menu_new();
        else if (command.flags & AfterSeparator)
            gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
        const bool enabled = haveSelection || (command.flags & NeedsLogSelection) == 0;
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), CommandItem(command, enabled));
    }
    return menu;
}

void OnMenuDone(GtkMenuShell* menu, gpointer) {
    // After the chosen item's activate signal; the menu is made anew each time.
    gtk_widget_destroy(GTK_WIDGET(menu));
}

void Show(GtkWidget* menu) {
    // Attached to the window, not to the control: a menu takes the style of what it is attached
    // to, and the log's fixed-pitch font is not the menu's.
    gtk_menu_attach_to_widget(GTK_MENU(menu), WindowLayer.mainWindow, nullptr);
    g_signal_connect(menu, "selection-done", G_CALLBACK(OnMenuDone), nullptr);
    gtk_widget_show_all(menu);
}

} // namespace

void AddMenuCommand(int commandId, const std::wstring& text, int flags, wchar_t ctrlKey) {
    if (ctrlKey < L'A' || ctrlKey > L'Z')
        ctrlKey = 0;
    WindowLayer.menuCommands.push_back({commandId, text, flags, ctrlKey});
}

void ShowWindowMenu(const GdkEvent* trigger) {
    GtkWidget* menu = BuildMenu(InWindowMenu, false);
    if (!menu)
        return;
    Show(menu);
    gtk_menu_popup_at_pointer(GTK_MENU(menu), trigger);
}

void ShowGraphMenu(const GdkEvent* trigger) {
    GtkWidget* menu = BuildMenu(InGraphMenu, false);
    if (!menu)
        return;
    Show(menu);
    gtk_menu_popup_at_pointer(GTK_MENU(menu), trigger);
}

void ShowLogMenu(GtkTextView* log, const GdkEvent* trigger) {
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(log);
    GtkWidget* menu = BuildMenu(InLogMenu, gtk_text_buffer_get_has_selection(buffer) != FALSE);
    if (!menu)
        return;
    Show(menu);
    if (trigger) {
        gtk_menu_popup_at_pointer(GTK_MENU(menu), trigger);
        return;
    }
    // From the keyboard: at the caret.
    GtkTextIter caret;
    gtk_text_buffer_get_iter_at_mark(buffer, &caret, gtk_text_buffer_get_insert(buffer));
    GdkRectangle at{};
    gtk_text_view_get_iter_location(log, &caret, &at);
    gtk_text_view_buffer_to_window_coords(log, GTK_TEXT_WINDOW_WIDGET, at.x, at.y, &at.x, &at.y);
    gtk_menu_popup_at_rect(GTK_MENU(menu), gtk_widget_get_window(GTK_WIDGET(log)), &at,
                           GDK_GRAVITY_SOUTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
}

bool TakeMenuShortcut(const GdkEventKey* key) {
    const guint modifiers = key->state & (GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK);
    if (modifiers != GDK_CONTROL_MASK)
        return false;
    const guint32 character = gdk_keyval_to_unicode(gdk_keyval_to_upper(key->keyval));
    for (const auto& command : WindowLayer.menuCommands) {
        if (command.ctrlKey != 0 && static_cast<guint32>(command.ctrlKey) == character) {
            Raise(EventCommand, command.id);
            return true;
        }
    }
    return false;
}
