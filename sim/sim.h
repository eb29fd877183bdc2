// Controls of the simulated platform, for tests. The simulated world answers the primitives of
// platform/platform.h in virtual time: nothing in it sleeps or touches the real disk.
#pragma once

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/serial.h"
#include "platform/window.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Puts the whole simulated world back to its initial state: virtual time 0, counter frequency
// 10 MHz, wall clock 2026-12-10 12:00:00, timer resolution not raised, no files, program file
// "C:\Tockmeter\tockmeter.exe", no window, 96 dots per inch, visual styles in use, no desktop
// composition, no scripted user actions.
void SimReset();

// ---- Virtual time ------------------------------------------------------------------------------

// Nanoseconds of virtual time since SimReset.
std::int64_t SimNowNanoseconds();
void SimAdvanceNanoseconds(std::int64_t nanoseconds);
void SimSetCounterFrequency(std::int64_t countsPerSecond);
// True once PauseMilliseconds has raised the timer resolution.
bool SimTimerResolutionRaised();
// The wall clock shows this date and time at the current virtual time, and runs on from it.
void SimSetLocalDateTime(const LocalDateTime& now);

// ---- Files -------------------------------------------------------------------------------------

// Files and folders live in memory. A folder exists once a file in it was put there or once it
// was made with SimMakeFolder.
void SimMakeFolder(const std::wstring& folder);
void SimPutFile(const std::wstring& path, const std::string& bytes);
// False when there is no such file.
bool SimGetFile(const std::wstring& path, std::string& bytes);
bool SimFileExists(const std::wstring& path);
// The files directly in the folder, by name (without the folder), with their bytes.
std::map<std::wstring, std::string> SimFilesIn(const std::wstring& folder);
// A read-only file opens only for reading and cannot be replaced or deleted.
void SimSetFileReadOnly(const std::wstring& path, bool readOnly);
// In a read-only folder no file can be created, replaced or deleted.
void SimSetFolderReadOnly(const std::wstring& folder, bool readOnly);
// Fault injection: the Nth write from now (1 = the next one) and every write after it fail,
// as on a full disk. 0 switches it off.
void SimFailWritesFrom(int nthWrite);
// Fault injection: every ReplaceFileWith fails while set.
void SimFailReplaces(bool fail);
// Fault injection: the next count calls of ReplaceFileWith fail, as while another program holds
// the file for a moment.
void SimFailNextReplaces(int count);
// The next count names that CreateNewFile is asked for are already taken: a file of the user's
// with these bytes is there, as if the user had chosen that very name for a file of their own.
void SimTakeNextNewFileNames(int count, const std::string& bytes);
// Number of ReplaceFileWith calls so far.
int SimReplaceCount();
// Number of file handles open now (to find leaks).
int SimOpenFileCount();

// ---- The process -------------------------------------------------------------------------------

void SimSetProgramFilePath(const std::wstring& path);

// ---- The window --------------------------------------------------------------------------------

void SimSetDisplayDpi(int dotsPerInch); // 0: cannot be read
void SimSetVisualStyles(bool inUse);
void SimSetDesktopComposes(bool composes);
// The attached monitors, by their work areas (each monitor taken as no larger); by default one
// of 1920 x 1080 with a task bar of 40 pixels along its bottom: {0, 0, 1920, 1040}.
void SimSetWorkAreas(const std::vector<WindowRect>& workAreas);

enum class SimControlKind { DropDownList, PushButton, LogControl };

struct SimControl {
    SimControlKind kind = SimControlKind::PushButton;
    int left = 0, top = 0, width = 0, height = 0;
    int fieldHeight = 0, totalHeight = 0; // drop-down lists
    std::wstring caption;
    std::wstring tooltip;
    int fontId = 0; // 0: the default user-interface font
    std::vector<std::wstring> items;
    int selected = -1;
    // The log control: its text with each paragraph end held as a single CR, its selection,
    // whether the selection is hidden, and how many edits its undo history holds.
    std::wstring text;
    int selectionStart = 0, selectionEnd = 0;
    bool selectionHidden = false;
    int undoableEdits = 0;
};

struct SimFont {
    std::wstring face;
    int height = 0;
};

// A command of AddMenuCommand.
struct SimMenuCommand {
    int id = 0;
    std::wstring text;
    int flags = 0; // MenuCommandFlag, summed
    wchar_t ctrlKey = 0;
};

struct SimWindow {
    bool open = false; // false before OpenMainWindow and after CloseMainWindow
    bool everOpened = false;
    std::wstring title;
    WindowRect frame{};  // outer rectangle
    WindowSize client{}; // client area
    enum class Show { Normal, Minimized, Maximized } show = Show::Normal;
    WindowRect normalFrame{}; // the frame when restored
    // Controls by identifier, and their identifiers in order of creation. The controls of a
    // closed window stay here for tests to read.
    std::map<int, SimControl> controls;
    std::vector<int> creationOrder;
    std::vector<int> tooltipOrder;            // identifiers in the order their tooltips were added
    std::map<int, std::uint32_t> armedTimers; // identifier -> period in milliseconds
    // The program's own menu commands the window offers, in order.
    std::vector<SimMenuCommand> menuCommands;
};

// The main window as it stands (or as it was when it was closed).
const SimWindow& SimMainWindow();
const SimControl* SimFindControl(int id);
const SimFont* SimFindFont(int fontId);
bool SimWindowLayerReleased();

// Frame thickness of the simulated window: the outer frame is this much larger than the client
// area (left, top with the title bar, right, bottom).
constexpr int SimFrameLeft = 8, SimFrameTop = 31, SimFrameRight = 8, SimFrameBottom = 8;

struct SimMessageBox {
    std::wstring title;
    std::wstring text;
    std::int64_t shownAtNanoseconds = 0;
};
const std::vector<SimMessageBox>& SimMessageBoxes();
// How long the simulated user takes to close each message box, in virtual time (default 0).
// Timer expiries and scripted actions that fall due meanwhile raise their events into the queue,
// as the platform's own loop inside a message box would.
void SimSetMessageBoxReadingTime(std::int64_t nanoseconds);

// The text EditCopySelection put on the clipboard last (empty at first); a paragraph end is
// copied as CR LF, as the rich edit control copies it.
std::wstring SimClipboardText();

// The Save As dialog: every question asked, in order, and the simulated user's answer to the
// next ones (by default none: every dialog is cancelled). The answer runs while the dialog is
// open; an empty path cancels it.
const std::vector<SaveFileQuestion>& SimSaveQuestions();
void SimAnswerSaveDialogs(std::function<std::wstring(const SaveFileQuestion&)> answer);

// Scripted user actions: each happens at the given virtual time, when the program next takes
// platform messages (in the event loop, a drain or a message box) at or after that time. It
// changes the window as the user's action would and raises the events the platform raises for
// it. Actions are taken in time order, one per message; at an equal time an action comes before a
// timer expiry. A user's action that falls due while the window is not open is dropped.
// Resizing or moving leaves the window in its normal state; a maximized window's frame stands
// at -SimFrameLeft, -SimFrameBottom, and a minimized one reports a client area of 0 x 0.
void SimScheduleChooseListItem(std::int64_t atNanoseconds, int listId, int index);
void SimSchedulePressButton(std::int64_t atNanoseconds, int buttonId);
void SimScheduleClose(std::int64_t atNanoseconds);
// The session ends (the user logs off), as the system tells the window once every program has
// agreed to it. Nothing follows: a test then ends the program as the system would.
void SimScheduleSessionEnd(std::int64_t atNanoseconds);
void SimScheduleResize(std::int64_t atNanoseconds, int clientWidth, int clientHeight);
void SimScheduleMinimize(std::int64_t atNanoseconds);
void SimScheduleMaximize(std::int64_t atNanoseconds, int clientWidth, int clientHeight);
void SimScheduleRestore(std::int64_t atNanoseconds);
void SimScheduleMove(std::int64_t atNanoseconds, int left, int top);
// The user chooses a menu command of the program's own (one it added; any other is dropped).
void SimScheduleMenuCommand(std::int64_t atNanoseconds, int commandId);
// The user types Ctrl and a letter key: the command it stands for is chosen (any other is
// dropped, as an unknown shortcut does nothing).
void SimScheduleCtrlKey(std::int64_t atNanoseconds, wchar_t key);
void SimScheduleTypeIntoLog(std::int64_t atNanoseconds, int logId, const std::wstring& text);
// Any other step of a test, run at that virtual time in the same way (it may raise events).
void SimScheduleAction(std::int64_t atNanoseconds, std::function<void()> action);
// Number of scripted actions not yet taken.
int SimPendingActions();

// ---- COM devices -------------------------------------------------------------------------------
//
// Devices are named like "COM7" and opened behind the device prefix ("\\.\COM7"), in any letter
// case. Each status query costs a little virtual time, so that a busy poll moves on.

// What is at the other end of a device's line.
struct SimComPeer {
    // Takes the bytes the program wrote, at the time it wrote them.
    std::function<void(std::int64_t atNanoseconds, const std::string& bytes)> receive;
    // Appends, in order, every byte the peer has sent up to the given time and not yet handed
    // over.
    std::function<void(std::int64_t untilNanoseconds, std::string& bytes)> send;
};

void SimAddComDevice(const std::wstring& name);
// Unplugged: the device disappears; a handle the program holds fails every call from now on.
void SimRemoveComDevice(const std::wstring& name);
// Unplugged at the given time, also in the middle of a call that waits or polls.
void SimScheduleComUnplug(const std::wstring& name, std::int64_t atNanoseconds);
// Held open by another program: it cannot be opened.
void SimHoldComDevice(const std::wstring& name, bool held);
void SimSetComPeer(const std::wstring& name, SimComPeer peer);
// Bytes that arrive from the line at the given time, beside anything a peer sends.
void SimQueueComInput(const std::wstring& name, std::int64_t atNanoseconds,
                      const std::string& bytes);
// A framing error on the line, as a speed mismatch gives; the next status query clears it.
void SimRaiseComLineError(const std::wstring& name);
// The device refuses its line state: reading it fails, or writing it back fails.
void SimRefuseComState(const std::wstring& name, bool refuseRead, bool refuseWrite);
// The device is there but may not be opened, for a reason the user can mend: OpenComDevice fails
// and LastComOpenRefusal gives the reason. An empty reason lets it open again.
void SimRefuseComOpen(const std::wstring& name, const std::wstring& reason);
// The system lists a port of this name, as Windows' SERIALCOMM device map does: the port list
// offers it whatever the highest number probed. A listing alone adds no device.
void SimListComPortInSystem(const std::wstring& name);
// The device's stable name, which SerialPortStableName gives (none at first).
void SimSetComStableName(const std::wstring& name, const std::wstring& stableName);
// Virtual time each status query takes (default 1 microsecond).
void SimSetComQueryCost(std::int64_t nanoseconds);

// Flow control a device keeps from an earlier holder until a program changes it.
struct SimComFlow {
    bool dsrFlow = false; // output waits for DSR, which the line never raises: writes time out
    bool dsrSensitivity = false;
    bool xonXoff = false; // both directions
    bool dtrHandshake = false;
    bool abortOnError = false;
};
void SimSetComFlow(const std::wstring& name, const SimComFlow& flow);

// A driver that overstates: each status query reports this many bytes more than are waiting.
void SimOverstateComInput(const std::wstring& name, std::uint32_t extraBytes);

// What the program did with a device.
struct SimComRecord {
    std::string written; // every byte written, in order
    ComLineChanges line; // the last line state written
    bool lineWritten = false;
    std::uint32_t inputQueueSize = 0, outputQueueSize = 0; // as asked for; 0: never asked
    ComTimeouts timeouts{};
    int opens = 0;
    int lineErrorsCleared = 0;
    int readsBeyondWaiting = 0; // reads that asked for more bytes than were waiting
    // Of those, the reads that the time limits set would have kept waiting for the rest.
    int readsLeftWaiting = 0;
    SimComFlow flow; // the flow control in force now
};
const SimComRecord* SimComDeviceRecord(const std::wstring& name);
// Bytes waiting in the device's input queue now (without a status query's cost).
std::size_t SimComWaiting(const std::wstring& name);
// Handles the program holds open now.
int SimOpenComCount();

// A Micromite at the other end of the named device's line (added when missing), powered up now: it
// reads what the program writes and sends its replies and tick lines at their exact times. The
// model stays connected until the world is reset; tests read its record and may change its clock.
struct MicromiteModel;
struct MicromiteOptions;
MicromiteModel& SimConnectMicromite(const std::wstring& name, const MicromiteOptions& options);
