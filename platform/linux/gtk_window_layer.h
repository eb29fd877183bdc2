// What the GTK implementation of the window layer shares between its files. Not part of the seam.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <string>
#include <vector>

#include "platform/window.h"

enum class ControlKind { DropDownList, PushButton, Log };

struct WindowControl {
    int id;
    GtkWidget* widget; // what is placed in the window: the list, the button, the log's scroller
    ControlKind kind;
    GtkTextView* text; // the log's text view; null for the other kinds
};

struct MenuCommandEntry {
    int id;
    std::wstring text; // with an ampersand before its access key, as the program gives it
    int flags;         // MenuCommandFlag, summed
    wchar_t ctrlKey;   // 0: none
};

struct WindowLayerState {
    bool initialized = false;
    GtkWidget* mainWindow = nullptr;
    GtkWidget* surface = nullptr;        // the layout that holds the controls at fixed places
    std::vector<WindowControl> controls; // in order of creation, which is the Tab order
    std::map<int, std::string> fonts;    // font identifier to a CSS font declaration
    std::vector<MenuCommandEntry> menuCommands; // AddMenuCommand's, in order
    std::map<int, guint> timers;                // timer identifier to its GLib source
    WindowRect normalFrame{0, 0, 0, 0};         // the outer rectangle when last in normal state
    WindowSize lastClientSize{-1, -1};
    bool leftNormalState = false; // minimized or maximized since the last restore
    int programEdits = 0;         // above 0 while the program itself changes the log
};

extern WindowLayerState WindowLayer;

// Text in GTK's terms.
std::string Utf8Text(const std::wstring& text);
// A caption with the program's ampersand before its access key, as GTK writes it: with an
// underscore, and a literal underscore doubled.
std::string MnemonicText(const std::wstring& caption);

// The value held to the range of int.
int Saturated(long long value);
WindowRect RectOf(const GdkRectangle& rect);
// The outer frame of a top-level window as the window manager draws it; 0 in every field for
// no window.
WindowRect FrameOf(GdkWindow* window);

// Raises an event of the main window.
void Raise(int kind, int object = 0, int detail = 0);

WindowControl* FindControl(int id);
WindowControl* FindControlByWidget(GtkWidget* widget);
// Places a new control in the window at its place and size, last in the Tab order.
void RegisterControl(int id, GtkWidget* widget, ControlKind kind, GtkTextView* text, int left,
                     int top, int width, int height);
// Applies a CSS text to one widget only.
void StyleWidget(GtkWidget* widget, const std::string& css);

// The menus of menu_commands.cpp: the window's own (right click on its surface) and the log's.
void ShowWindowMenu(const GdkEvent* trigger);
void ShowLogMenu(GtkTextView* log, const GdkEvent* trigger);
// The graph window's right-click menu (also the menu key), at the pointer or, without a
// trigger, where GTK puts a menu opened from the keyboard.
void ShowGraphMenu(const GdkEvent* trigger);
// Chooses the command of a Ctrl key pressed in the window; false when no command has that key.
bool TakeMenuShortcut(const GdkEventKey* key);

// The notification codes the Windows controls give, so that events carry the same details.
constexpr int NotifyListSelectionChange = 1;
constexpr int NotifyButtonClicked = 0;
constexpr int NotifyEditSetFocus = 0x0100;
constexpr int NotifyEditKillFocus = 0x0200;
constexpr int NotifyEditChange = 0x0300;
