// The main window's drop-down lists, push buttons, tooltips and fonts over GTK 3.
#include <cstdlib>

#include "platform/controls.h"
#include "platform/event_loop.h"
#include "platform/linux/gtk_window_layer.h"
#include "platform/text_encoding.h"

namespace {

GtkComboBox* ListWidget(int id) {
    const WindowControl* control = FindControl(id);
    return control && control->kind == ControlKind::DropDownList ? GTK_COMBO_BOX(control->widget)
                                                                  : nullptr;
}

// Tab goes through the controls in the order they were made, not in the order of their places.
void UpdateTabOrder() {
    GList* chain = nullptr;
    for (auto it = WindowLayer.controls.rbegin(); it != WindowLayer.controls.rend(); ++it)
        chain = g_list_prepend(chain, it->widget);
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(WindowLayer.surface), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);
}

void OnListChanged(GtkComboBox* list, gpointer) {
    if (WindowLayer.programEdits > 0)
        return;
    if (const WindowControl* control = FindControlByWidget(GTK_WIDGET(list)))
        Raise(EventControl, control->id, NotifyListSelectionChange);
}

void OnButtonClicked(GtkButton* button, gpointer) {
    if (const WindowControl* control = FindControlByWidget(GTK_WIDGET(button)))
        Raise(EventControl, control->id, NotifyButtonClicked);
}

// The list's item at index, when there is one.
bool ListItemAt(GtkComboBox* list, int index, GtkTreeIter& item) {
    return index >= 0 &&
           gtk_tree_model_iter_nth_child(gtk_combo_box_get_model(list), &item, nullptr, index);
}

} // namespace

std::string MnemonicText(const std::wstring& caption) {
    std::wstring text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'_') {
            text += L"__";
        } else if (caption[i] == L'&') {
            // "&&" is a literal ampersand; a single one marks the next character.
            if (i + 1 < caption.size() && caption[i + 1] == L'&')
                text += caption[++i];
            else
                text += L'_';
        } else {
            text += caption[i];
        }
    }
    return Utf8Text(text);
}

WindowControl* FindControl(int id) {
    for (auto& control : WindowLayer.controls)
        if (control.id == id)
            return &control;
    return nullptr;
}

WindowControl* FindControlByWidget(GtkWidget* widget) {
    for (auto& control : WindowLayer.controls)
        if (control.widget == widget || GTK_WIDGET(control.text) == widget)
            return &control;
    return nullptr;
}

void RegisterControl(int id, GtkWidget* widget, ControlKind kind, GtkTextView* text, int left,
                     int top, int width, int height) {
    WindowLayer.controls.push_back({id, widget, kind, text});
    // Assistive technologies (and the end-to-end tests) find a control by the program's own
    // identifier.
    GtkWidget* named = text ? GTK_WIDGET(text) : widget;
    atk_object_set_accessible_id(gtk_widget_get_accessible(named),
                                 ("tockmeter-control-" + std::to_string(id)).c_str());
    gtk_widget_set_size_request(widget, width > 0 ? width : 0, height > 0 ? height : 0);
    gtk_layout_put(GTK_LAYOUT(WindowLayer.surface), widget, left, top);
    gtk_widget_show_all(widget);
    UpdateTabOrder();
}

void StyleWidget(GtkWidget* widget, const std::string& css) {
    // One provider per widget, so that a new style replaces the old one.
    static const char* const ProviderKey = "tockmeter-style";
    auto* provider = static_cast<GtkCssProvider*>(g_object_get_data(G_OBJECT(widget), ProviderKey));
    if (!provider) {
        provider = gtk_css_provider_new();
        gtk_style_context_add_provider(gtk_widget_get_style_context(widget),
                                       GTK_STYLE_PROVIDER(provider),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
        g_object_set_data_full(G_OBJECT(widget), ProviderKey, provider, g_object_unref);
    }
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
}

void CreateDropDownList(int id, int left, int top, int width, int fieldHeight, int) {
    if (!WindowLayer.surface)
        return;
    // The open list's height is GTK's to choose: it drops below the field as far as there is
    // room and scrolls beyond that.
    GtkWidget* list = gtk_combo_box_text_new();
    // The field is as narrow as its place, as on Windows: a text too long for it is cut short
    // with an ellipsis rather than widening the list.
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(list));
    for (GList* cell = cells; cell; cell = cell->next)
        if (GTK_IS_CELL_RENDERER_TEXT(cell->data))
            g_object_set(cell->data, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    g_list_free(cells);
    g_signal_connect(list, "changed", G_CALLBACK(OnListChanged), nullptr);
    RegisterControl(id, list, ControlKind::DropDownList, nullptr, left, top, width, fieldHeight);
}

void CreatePushButton(int id, int left, int top, int width, int height,
                      const std::wstring& caption) {
    if (!WindowLayer.surface)
        return;
    GtkWidget* button = gtk_button_new_with_mnemonic(MnemonicText(caption).c_str());
    g_signal_connect(button, "clicked", G_CALLBACK(OnButtonClicked), nullptr);
    RegisterControl(id, button, ControlKind::PushButton, nullptr, left, top, width, height);
}

void AddTooltip(int id, const std::wstring& text) {
    // Plain text: an ampersand or an angle bracket is shown as it is.
    if (WindowControl* control = FindControl(id))
        gtk_widget_set_tooltip_text(control->widget, Utf8Text(text).c_str());
}

void LoadFont(int fontId, const std::wstring& face, int height) {
    // A negative height is the characters' own height, which is what CSS sizes; a positive one
    // is the cell's, of which the characters take about seven eighths.
    const int pixels = height < 0 ? -height : height * 7 / 8;
    std::string family = Utf8Text(face);
    for (char& c : family)
        if (c == '"' || c == '\\' || c == ';' || c == '}')
            c = ' ';
    std::string css = "font-family: \"" + family + "\", monospace;";
    if (pixels > 0)
        css += " font-size: " + std::to_string(pixels) + "px;";
    WindowLayer.fonts[fontId] = css;
}

void SetControlFont(int id, int fontId) {
    const WindowControl* control = FindControl(id);
    const auto font = WindowLayer.fonts.find(fontId);
    if (!control || font == WindowLayer.fonts.end())
        return;
    GtkWidget* target = control->text ? GTK_WIDGET(control->text) : control->widget;
    StyleWidget(target, "* { " + font->second + " }");
}

void MoveControl(int id, int left, int top, int width, int height) {
    const WindowControl* control = FindControl(id);
    if (!control)
        return;
    gtk_layout_move(GTK_LAYOUT(WindowLayer.surface), control->widget, left, top);
    gtk_widget_set_size_request(control->widget, width > 0 ? width : 0, height > 0 ? height : 0);
}

void ListAddItem(int id, const std::wstring& text) {
    if (GtkComboBox* list = ListWidget(id))
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(list), Utf8Text(text).c_str());
}

int ListItemCount(int id) {
    GtkComboBox* list = ListWidget(id);
    return list ? gtk_tree_model_iter_n_children(gtk_combo_box_get_model(list), nullptr) : 0;
}

std::wstring ListItemText(int id, int index) {
    GtkComboBox* list = ListWidget(id);
    GtkTreeIter item;
    if (!list || !ListItemAt(list, index, item))
        return std::wstring();
    gchar* text = nullptr;
    gtk_tree_model_get(gtk_combo_box_get_model(list), &item, 0, &text, -1);
    std::wstring result = text ? WideFromUtf8(text) : std::wstring();
    g_free(text);
    return result;
}

int ListSelectedIndex(int id) {
    GtkComboBox* list = ListWidget(id);
    return list ? gtk_combo_box_get_active(list) : -1;
}

void ListSelectIndex(int id, int index) {
    GtkComboBox* list = ListWidget(id);
    if (!list)
        return;
    // As on Windows, an index that names no item leaves no item chosen, and choosing is no
    // user action.
    ++WindowLayer.programEdits;
    gtk_combo_box_set_active(list, index >= 0 && index < ListItemCount(id) ? index : -1);
    --WindowLayer.programEdits;
}
