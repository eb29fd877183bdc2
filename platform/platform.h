// The one seam between Tockmeter and the operating system.
//
// Everything above this header is portable and talks to the OS only through these primitives.
// They are phrased in the OS's own terms (read the performance counter, open a file, convert
// bytes of a code page), not in terms of the program's features. Three implementations exist:
// platform/win32/ (the Windows program), platform/linux/ (the Linux program) and sim/ (a
// simulated world in virtual time for tests).
//
// Every primitive runs on the calling thread. Unless a contract says otherwise, none shows a
// message and none throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---- Clock -------------------------------------------------------------------------------------

// The high-resolution performance counter's current value. Never fails; monotonic.
std::int64_t QueryCounter();

// Counts per second of QueryCounter; fixed for the life of the process, always above 0.
std::int64_t QueryCounterFrequency();

// Blocks the calling thread for the given number of milliseconds (0 or less: returns at once,
// after yielding). The first call in the process raises the system timer resolution to 1 ms,
// and it stays raised until the process ends.
void PauseMilliseconds(int milliseconds);

// The local wall-clock date and time of day, as the OS keeps it (no time-zone arithmetic here).
struct LocalDateTime {
    int year;   // e.g. 2026
    int month;  // 1..12
    int day;    // 1..31
    int hour;   // 0..23
    int minute; // 0..59
    int second; // 0..59 (milliseconds are dropped)
};
LocalDateTime ReadLocalDateTime();

// ---- Runtime -----------------------------------------------------------------------------------

// The C runtime's fixed-point conversion ("%.*f") of a finite double with 0..512 decimals.
// Rounding of halfway cases is the runtime's own.
std::wstring FormatFixed(double value, int decimals);

// ---- Text encodings ----------------------------------------------------------------------------

// UTF-8 bytes to text. Callers hand over only valid UTF-8 (see text/utf8_text.h for the lossy
// reader that splits out invalid bytes first).
std::wstring WideFromUtf8(const std::string& bytes);

// Text to UTF-8 bytes. An unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

// Bytes of the system's ANSI code page to text, one call per run of bytes (no zero-byte rule:
// every byte given is converted). On Linux ISO 8859-1 stands for the ANSI code page.
std::wstring WideFromAnsi(const char* bytes, std::size_t count);

// Text to bytes of the ANSI code page; a character the code page lacks becomes the platform's
// default replacement character. The result holds exactly the converted bytes.
std::string AnsiFromWide(const std::wstring& text);

// ---- Files -------------------------------------------------------------------------------------

// An open file; 0 is no file.
using FileHandle = std::intptr_t;

enum class FileAccess { Read, ReadWrite };
enum class FileShare { None, Read, ReadWrite };

// Opens an existing file (never creates one) with the access asked for, letting other openers
// share it as given. Returns 0 when the file is missing or the OS refuses the access or sharing.
FileHandle OpenExistingFile(const std::wstring& path, FileAccess access, FileShare share);

// Creates a new, empty file for reading and writing, letting others only read it while it is
// held. Never opens what is already at path: it fails when anything exists there (a file, a
// folder, a link, also one that leads nowhere, which is never followed), and sets nameTaken.
// Returns 0 on failure; nameTaken is false for every other one (folder missing or not writable).
FileHandle CreateNewFile(const std::wstring& path, bool& nameTaken);

// Size of the open file in bytes, or -1 when it cannot be told.
std::int64_t FileSize(FileHandle file);

// Reads up to count bytes at the file position into buffer; returns the number read (0 at the
// end of the file or on failure).
std::size_t ReadFromFile(FileHandle file, char* buffer, std::size_t count);

// Moves the file position to the start. Returns false on failure.
bool SeekFileStart(FileHandle file);

// Writes count bytes at the file position. Returns true only when every byte was written.
bool WriteToFile(FileHandle file, const char* data, std::size_t count);

// Ends the file at the file position. Returns false on failure.
bool EndFileHere(FileHandle file);

// Forces what was written through to the disk. Returns false on failure; a file system that
// cannot flush at all counts as flushed.
bool FlushFileToDisk(FileHandle file);

// Releases the handle; 0 is ignored.
void CloseFileHandle(FileHandle file);

// Puts the file at source in the place of the file at target in one step, replacing target when
// it exists. A replaced file keeps its attributes and permissions (on Windows, where the system
// can carry them over). The caller has forced source to disk first. Returns false, with both
// files as they were, when it cannot; also when target cannot be written now (read-only, or held
// by another program).
//
// File paths may be longer than 260 characters; the Windows side then uses their extended-length
// form.
bool ReplaceFileWith(const std::wstring& source, const std::wstring& target);

// Full path of the file that path names, through any links, so that a file behind a link is
// replaced, not the link; path itself when there is no such file.
std::wstring FinalFilePath(const std::wstring& path);

// Deletes a file. Returns false when it cannot.
bool DeleteFileAt(const std::wstring& path);

// Why the latest file call of this thread that failed did fail, worded by the system for the
// user (for instance "Access is denied."); empty when the system gives no words.
std::wstring LastFileErrorText();

// ---- The process -------------------------------------------------------------------------------

// Full path of the running program file, whatever its length.
std::wstring ProgramFilePath();

// Folder (ending in a separator) holding the settings file. Windows and the simulation: the
// program's own folder. Linux: $XDG_CONFIG_HOME/tockmeter/ ($HOME/.config/tockmeter/ when that is
// unset or not an absolute path), made when missing.
std::wstring SettingsFolderPath();

// Folder (ending in a separator) where the Save As dialog opens first. Windows and the
// simulation: the program's own folder. Linux: the user's home folder.
std::wstring FirstSaveFolderPath();

// ---- The window layer ---------------------------------------------------------------------------
//
// The program has one top-level window, the main window (window number 0), with child controls
// named by the program's own identifiers. Every call below acts on that window or its controls;
// calls made while the window does not exist, or on an identifier that names no control, do
// nothing and give 0, -1 or an empty text.

// What the program's controls and window report. The values lie above every window message
// number, so that a kind and a message number never mean the same thing.
enum EventKind : int {
    EventControl = 0x10001, // a control reported a user action; object: the control's identifier
    EventTimer,             // a window timer expired; object: the timer's identifier
    EventSize,              // the window got a new inner size (not when minimized)
    EventClose,             // the user asked to close the window; it stays open
    EventActivate,          // the window was activated or deactivated
    EventMove,              // the window was moved
    EventMinimize,
    EventMaximize,
    EventRestore,
    EventRepaint, // the window's background was repainted
    EventClick,   // the user clicked on the window's own surface
    EventCommand, // the user chose a menu command (AddMenuCommand); object: its identifier
    // The session ends (log-off, shutdown): the process may be ended as soon as RaiseEvent
    // returns, without a close event, so what must outlive it is done inside RaiseEvent.
    EventSessionEnd,
};

// Implemented above the seam: the platform calls it from inside TakePlatformMessage (or inside
// any platform loop, such as an open message box) for each event that its window and controls
// raise. Detail is what a control reported (its notification code), else 0.
void RaiseEvent(int kind, int window, int object, int detail);

// Set-up of the window layer (common controls, the icon and the window class). Returns the
// display's vertical resolution in dots per inch, or 0 when it cannot be read.
int InitWindowLayer();

// True when the desktop composes windows (on Windows, DWM composition is enabled).
bool DesktopComposes();

// True when visual styles are in use for this program's controls.
bool VisualStylesInUse();

// Opens the main window with the given title and a standard sizable frame with a title bar, the
// window menu, minimize and maximize boxes and no menu bar; its outer frame at left, top (screen
// pixels) and its client area innerWidth x innerHeight (any int: the frame's arithmetic holds
// to the range of int, and the system may hold the size to what it allows); background the
// dialog-face colour, the program's icon, the arrow pointer. It is shown in its normal state and
// activated.
void OpenMainWindow(const std::wstring& title, int left, int top, int innerWidth, int innerHeight);

// Destroys the main window and its controls. Its timers end with it.
void CloseMainWindow();

// Releases what the window layer still holds (fonts, the tooltip window).
void ReleaseWindowLayer();

// Child controls, placed in client coordinates, in the window's tab order in order of creation,
// each with the default user-interface font.
//
// A drop-down list the user can only choose from (no typing), its items unsorted, its closed
// field exactly fieldHeight pixels high and its open list dropping below within totalHeight.
void CreateDropDownList(int id, int left, int top, int width, int fieldHeight, int totalHeight);
void CreatePushButton(int id, int left, int top, int width, int height,
                      const std::wstring& caption);
// The log control: a multi-line rich text field (the newer rich edit library, else the older
// one), editable, no word wrap, both scroll bars, scrolling by itself to keep the caret in view,
// selection kept visible without the focus, no text limit, raising control events on the user's
// edits and on gaining and losing the focus. A plain Tab typed into it is a tab character.
void CreateLogControl(int id, int left, int top, int width, int height);

// Gives a control a tooltip (one tooltip window serves all; shown also while the window is
// inactive; ampersands shown as they are).
void AddTooltip(int id, const std::wstring& text);

// Where AddMenuCommand offers a command, and how; the flags are summed.
enum MenuCommandFlag : int {
    InWindowMenu = 1,      // the window menu, under the icon of the title bar
    InLogMenu = 2,         // the log control's right-click menu
    AfterSeparator = 4,    // a separator line before it, in each of its menus where it is not first
    NeedsLogSelection = 8, // greyed in the log's menu while the log has no selection
};

// Offers a command of the program's own in menus that need no room in the window: the window
// menu (after a separator before the first such command) and the log control's right-click menu
// (also opened with the menu key or Shift+F10), in the order added. Choosing it raises
// EventCommand. Identifiers are multiples of 16 from 0x100 below 0xF000, where the system's own
// window-menu commands begin. A ctrlKey from 'A' to 'Z' also chooses it with Ctrl and that key
// while the main window is active, whichever of its controls has the focus; the menus show the
// key beside the text. Unlike the calls below, it may come before the main window opens: the
// window then offers the command from its first moment.
void AddMenuCommand(int commandId, const std::wstring& text, int flags, wchar_t ctrlKey);

// Makes a font under the program's own font identifier: the face, a character height in pixels
// (negative: the height of the characters rather than of the cell), normal weight, no italic,
// underline or strike-out, the default character set, output precision and quality.
void LoadFont(int fontId, const std::wstring& face, int height);
// Sets a control's font. A rich text control also takes the automatic text colour again.
void SetControlFont(int id, int fontId);

// Moves and sizes a control (client coordinates) and repaints it.
void MoveControl(int id, int left, int top, int width, int height);

// Drop-down list items and selection. Indexes count from 0; -1 is no selection.
void ListAddItem(int id, const std::wstring& text);
int ListItemCount(int id);
std::wstring ListItemText(int id, int index);
int ListSelectedIndex(int id);
void ListSelectIndex(int id, int index);

// The log control, in the terms of a multi-line edit field. Paragraph ends count as one
// character (the control holds a line break as a single CR); a line break the program inserts
// is a single LF, which the control turns into its own.
int EditTextLength(int id);                        // characters
void EditHideSelection(int id, bool hide);         // hide or show the selection
void EditSetSelection(int id, int start, int end); // caret at end
// Replaces the selection with the text; recorded in the control's undo history when undoable.
void EditReplaceSelection(int id, const std::wstring& text, bool undoable);
int EditLineCount(int id);                      // 1 for an empty field
int EditLineIndex(int id, int line);            // first character, or -1
int EditLineLength(int id, int characterIndex); // of the line holding it, without CR
// Copies up to capacity characters of the line; a line ending in a line break gives its CR.
std::wstring EditGetLine(int id, int line, int capacity);
// Selects start to end; a start of -1 removes the selection and leaves the caret where it is.
void EditExSetSelection(int id, int start, int end);
// Copies the selection to the clipboard as text (nothing when the selection is empty).
void EditCopySelection(int id);

// Geometry of the main window, in screen pixels.
struct WindowRect {
    int left, top, right, bottom;
};
struct WindowSize {
    int width, height;
};
WindowRect MainWindowFrame();                   // the outer rectangle as it is now
WindowSize MainWindowClientSize();              // the client area as it is now
bool MainWindowIsNormal();                      // neither minimized nor maximized
WindowRect MainWindowNormalFrame();             // the outer rectangle it has when restored
WindowSize ClientSizeOfFrame(WindowSize frame); // client area of a frame of that outer size
// Outer size of the main window's frame around a client area of that size, held to the range
// of int; needs no window.
WindowSize FrameSizeOfClient(WindowSize client);
// The work area (the monitor less its task bars) of the monitor that the rectangle lies on, or
// of the one nearest to it; onAMonitor is false when it lies on none of the monitors attached.
WindowRect WorkAreaNear(const WindowRect& frame, bool& onAMonitor);

// Window timers of the main window. Arming an armed identifier restarts it with the new period;
// disarming one that is not armed does nothing. Expiries that pass while no message is taken
// give a single timer event.
void ArmWindowTimer(int timerId, std::uint32_t periodMilliseconds);
void DisarmWindowTimer(int timerId);

// Takes one pending platform message without waiting; when there is none and timeout is above
// 0, waits up to timeout milliseconds for one to be pending (input, posted and sent messages,
// timers, painting, hot keys) and takes it. Offers it to the window's keyboard shortcuts (Tab
// and Shift+Tab move the focus), else translates and dispatches it; the handling raises events.
// Returns the message's number, or 0 when no message was taken.
unsigned TakePlatformMessage(int timeoutMilliseconds);

// A modal message box with one OK button and no icon. While it is open the program's other
// visible top-level windows are disabled (unless foreground) and lose any topmost state; its
// owner is the main window when it exists, else the foreground window when that belongs to
// this process. Returns once the user has
// closed it; every change to the other windows is undone.
void ShowMessageBox(const std::wstring& title, const std::wstring& text);

// What the Save As dialog asks.
struct SaveFileQuestion {
    std::wstring title;        // the dialog's title
    std::wstring folder;       // where it opens
    std::wstring proposedName; // the file name it proposes
    std::wstring typeName;     // the file type offered, e.g. "Text files"
    std::wstring extension;    // its extension without the dot, added to a name typed without one
};

// The system's Save As dialog, modal, owned by the main window. Returns the full path the user
// chose, having confirmed there that an existing file of that name is to be replaced; an empty
// text when the user cancelled or the dialog could not be shown.
std::wstring AskSaveFilePath(const SaveFileQuestion& question);

// ---- Serial devices ----------------------------------------------------------------------------

// Names of the serial ports the port list may offer, in the order it shows them. Windows and the
// simulation: COM1 up to COM<highestNumber> (held to 1..256; none below 1). Linux, where the
// number is not used: the serial devices present in /dev (ttyUSB*, ttyACM*, ttyAMA*, ttyS*,
// rfcomm*, in that order, each kind in the order of its numbers; a ttyS* port only where the
// kernel found a UART), then each name in the TOCKMETER_PORTS environment variable (separated
// by colons; a name may be a full path), every port once; a path is shown by its file name
// unless a port of that name is listed already.
std::vector<std::wstring> SerialPortNames(int highestNumber);

// The device path that opens the port of that name. Windows and the simulation: "\\.\" and the
// name, always (also before a name that already has it). Linux: the path of a port named in
// TOCKMETER_PORTS that the list shows by that name, else the name itself when it is a path
// (starts with "/"), else "/dev/" and the name.
std::wstring SerialDevicePath(const std::wstring& name);

// A name of the port that stays the same whichever socket its adapter is plugged into and in
// whatever order the system found it, so that the user can tell adapters apart; empty when there
// is none. Linux: the name of the entry of /dev/serial/by-id that leads to the port's device.
// Windows: always empty.
std::wstring SerialPortStableName(const std::wstring& name);

// Why the latest OpenComDevice of this thread failed, worded for the user, when it is something
// the user can mend: on Linux, a device that exists but that the user may not open (which group
// the user must join, and how). Empty otherwise, and after an OpenComDevice that succeeded;
// always empty on Windows.
std::wstring LastComOpenRefusal();

// An open COM device; 0 is no device.
using DeviceHandle = std::intptr_t;

// Opens a COM device by its full device path for reading and writing, for exclusive use, only if
// it exists, for synchronous transfers. Returns 0 when it is absent, held by another opener or
// cannot be opened.
DeviceHandle OpenComDevice(const std::wstring& devicePath);

// Asks the driver for input and output queues of these sizes; a driver may keep its own.
void SetComQueueSizes(DeviceHandle device, std::uint32_t inputBytes, std::uint32_t outputBytes);

// Fields of the device's line state to change. Flow-control fields are written only when their
// write flag is set; every field not written stays as the device reported it.
struct ComLineChanges {
    std::uint32_t baudRate = 0;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;   // handed to the device unchanged (0: none)
    bool parityCheck = true;   // whether the device checks parity
    std::uint8_t stopBits = 0; // 0: one, 1: one and a half, 2: two
    bool writeCtsFlow = false;
    bool ctsFlow = false; // output waits for CTS
    bool writeRtsControl = false;
    enum RtsControl { RtsDisable = 0, RtsEnable = 1, RtsHandshake = 2 } rtsControl = RtsDisable;
    bool writeXonXoff = false; // XON/XOFF flow control in both directions, with these values
    std::uint8_t xonChar = 0x11;
    std::uint8_t xoffChar = 0x13;
    std::uint16_t xonLimit = 0;
    std::uint16_t xoffLimit = 0;
    // Drivers keep their line state between opens: this turns off whatever flow control an
    // earlier holder may have left (DSR output flow, DSR sensitivity, XON/XOFF both ways, DTR
    // handshake, which leaves DTR held on, and abort-on-error). Applied before writeXonXoff.
    bool clearOtherFlowControl = false;
};

// Reads the device's line state, changes the given fields and writes it back. False when the
// state cannot be read or the changed state is refused.
bool ChangeComLineState(DeviceHandle device, const ComLineChanges& changes);

// Time limits in milliseconds, as the device driver applies them to ReadComDevice and
// WriteComDevice; all read limits 0 means a read waits until every byte asked for has come, a
// read interval of ComReadAtOnce with both read totals 0 that it returns at once with what is
// there.
struct ComTimeouts {
    std::uint32_t readInterval, readTotalMultiplier, readTotalConstant;
    std::uint32_t writeTotalMultiplier, writeTotalConstant;
};
constexpr std::uint32_t ComReadAtOnce = 0xFFFFFFFFu;
void SetComTimeouts(DeviceHandle device, const ComTimeouts& timeouts);

// One status query that never waits: the number of received bytes waiting in the input queue.
// It also clears any line error (framing, overrun, parity) without reporting it. False when the
// device can no longer be queried (for instance after it was unplugged).
bool QueryComInput(DeviceHandle device, std::uint32_t& waitingBytes);

// Reads count bytes; under the time limits it may wait for them. Returns the number read, 0 on
// failure.
std::size_t ReadComDevice(DeviceHandle device, char* buffer, std::size_t count);

// Writes count bytes. Returns the number written, 0 on failure.
std::size_t WriteComDevice(DeviceHandle device, const char* bytes, std::size_t count);

// Releases the device; 0 is ignored.
void CloseComDevice(DeviceHandle device);
