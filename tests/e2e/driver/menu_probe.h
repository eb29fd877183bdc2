// The menu probe: a hook library that reads a menu inside the program's own process. A menu's
// items can be read only there under Wine, where another process gets no answer for its handle.
//
// The driver hooks the program's thread (WH_GETMESSAGE, MenuProbeHook of the library) and posts
// the message named MenuProbeMessage to the menu window, with the driver's receiving window as
// wParam. When the program's menu loop takes that message, the hook sends the receiving window
// WM_COPYDATA with the menu's items as UTF-16 text: one line per item, "ID\tFLAGS\tTEXT\n",
// FLAGS the sum of the MenuProbe flags below.
#pragma once

#define MenuProbeMessage L"TockmeterDriverReadMenu"
#define MenuProbeHookName "MenuProbeHook"

enum MenuProbeFlag { MenuProbeSeparator = 1, MenuProbeDisabled = 2, MenuProbeHighlighted = 4 };
