// GTK's Save As dialog.
#include "platform/dialogs.h"
#include "platform/linux/gtk_window_layer.h"
#include "platform/text_encoding.h"

namespace {

void AddFilter(GtkFileChooser* dialog, const std::string& name, const std::string& pattern) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, name.c_str());
    gtk_file_filter_add_pattern(filter, pattern.c_str());
    gtk_file_chooser_add_filter(dialog, filter);
}

// A name typed without an extension gets the one offered, as the Windows dialog adds it.
std::string WithExtension(const std::string& path, const std::string& extension) {
    const std::size_t name = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (name == std::string::npos || dot > name);
    return hasExtension || extension.empty() ? path : path + "." + extension;
}

// The dialog asked before it gave a name it saw; a name it completed is asked here.
bool MayReplace(GtkWindow* dialog, const std::string& path) {
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        return true;
    gchar* name = g_filename_display_basename(path.c_str());
    GtkWidget* question = gtk_message_dialog_new(
        dialog, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO,
        "A file named \"%s\" already exists. Do you want to replace it?", name);
    g_free(name);
    const gint answer = gtk_dialog_run(GTK_DIALOG(question));
    gtk_widget_destroy(question);
    return answer == GTK_RESPONSE_YES;
}

} // namespace

std::wstring AskSaveFilePath(const SaveFileQuestion& question) {
    GtkWindow* owner = WindowLayer.mainWindow ? GTK_WINDOW(WindowLayer.mainWindow) : nullptr;
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        Utf8Text(question.title).c_str(), owner, GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
        GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    const std::string extension = Utf8Text(question.extension);
    const std::string pattern = "*." + extension;
    AddFilter(chooser, Utf8Text(question.typeName) + " (" + pattern + ")", pattern);
    AddFilter(chooser, "All files", "*");
    if (!question.folder.empty())
        gtk_file_chooser_set_current_folder(chooser, Utf8Text(question.folder).c_str());
    gtk_file_chooser_set_current_name(chooser, Utf8Text(question.proposedName).c_str());

    std::wstring chosen;
    while (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gchar* file = gtk_file_chooser_get_filename(chooser);
        const std::string picked = file ? file : "";
        g_free(file);
        // The program's paths are Unicode texts: a name in another encoding cannot be written.
        if (picked.empty() || !g_utf8_validate(picked.c_str(), -1, nullptr))
            continue;
        const std::string path = WithExtension(picked, extension);
        if (path == picked || MayReplace(GTK_WINDOW(dialog), path)) {
            chosen = WideFromUtf8(path);
            break;
        }
    }
    gtk_widget_destroy(dialog);
    return chosen;
}
