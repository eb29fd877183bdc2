// The one seam between Tockmeter and the operating system: its parts, one header per concern.
// Callers include the parts they use; this table lists them for the three implementations.
//
// Everything above the seam is portable and talks to the OS only through these primitives.
// They are phrased in the OS's own terms (read the performance counter, open a file, convert
// bytes of a code page), not in terms of the program's features. Three implementations exist,
// each of every part: platform/win32/ (the Windows program), platform/linux/ (the Linux program)
// and sim/ (a simulated world in virtual time for tests).
//
// Every primitive runs on the calling thread. Unless a contract says otherwise, none shows a
// message and none throws.
#pragma once

// The system: time, text, files and folders.
#include "platform/clock.h"         // performance counter, pauses, local date and time
#include "platform/files.h"         // open, create, read, write, replace, delete; error words
#include "platform/fixed_format.h"  // the C runtime's fixed-point number text
#include "platform/program_paths.h" // program file, settings folder, first Save As folder
#include "platform/text_encoding.h" // UTF-8 and ANSI code page conversions

// The window layer: one main window and its controls.
#include "platform/controls.h"      // drop-down lists, push buttons, tooltips, fonts, placing
#include "platform/dialogs.h"       // message box, Save As dialog
#include "platform/event_loop.h"    // event kinds, RaiseEvent, one platform message, timers
#include "platform/log_control.h"   // the log control in the terms of an edit field
#include "platform/menu_commands.h" // commands in the window menu and log menu, Ctrl keys
#include "platform/window.h"        // the layer's rules; set-up, the main window, its geometry
#include "platform/graph_window.h"  // the graph window, and the pictures it shows (drawing.h)

// Serial devices.
#include "platform/serial.h" // serial port names, COM devices
