// The program's modal message box over GTK 3.
#include "platform/dialogs.h"
#include "platform/linux/gtk_window_layer.h"

void ShowMessageBox(const std::wstring& title, const std::wstring& text) {
    // Modal to the main window, whose input GTK holds back until the box is closed; its own
    // loop goes on raising the main window's events meanwhile.
    GtkWindow* owner = WindowLayer.mainWindow ? GTK_WINDOW(WindowLayer.mainWindow) : nullptr;
    GtkWidget* box = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                            GTK_BUTTONS_OK, "%s", Utf8Text(text).c_str());
    gtk_window_set_title(GTK_WINDOW(box), Utf8Text(title).c_str());
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}
