// The simulated main window and its controls, held in memory. The log control keeps its text the
// way a rich edit control does: every line break is a single CR paragraph end.
#include "platform/controls.h"
#include "platform/event_loop.h"
#include "platform/log_control.h"
#include "platform/menu_commands.h"
#include "platform/window.h"
#include "sim/sim_state.h"

#include <algorithm>
#include <climits>

namespace {

constexpr wchar_t ParagraphEnd = L'\r';
constexpr int EditChange = 0x0300; // EN_CHANGE

SimDesktop& Desktop() {
    return Sim().desktop;
}

SimControl* AnyLiveControl(int id) {
    SimWindow& window = Desktop().window;
    if (!window.open)
        return nullptr;
    auto found = window.controls.find(id);
    return found == window.controls.end() ? nullptr : &found->second;
}

SimControl* AddControl(int id, SimControlKind kind, int left, int top, int width, int height) {
    SimWindow& window = Desktop().window;
    if (!window.open)
        return nullptr;
    SimControl& control = window.controls[id] = SimControl{};
    control.kind = kind;
    control.left = left;
    control.top = top;
    control.width = width;
    control.height = height;
    window.creationOrder.push_back(id);
    return &control;
}

// The control of the open window with that identifier and kind, else null.
SimControl* LiveControl(int id, SimControlKind kind) {
    SimControl* control = AnyLiveControl(id);
    return control != nullptr && control->kind == kind ? control : nullptr;
}

SimControl* LiveList(int id) {
    return LiveControl(id, SimControlKind::DropDownList);
}

SimControl* LiveLog(int id) {
    return LiveControl(id, SimControlKind::LogControl);
}

int Clamp(int value, int low, int high) {
    return std::min(std::max(value, low), high);
}

int TextLength(const SimControl& log) {
    return static_cast<int>(log.text.size());
}

// The line holding the character at index (the paragraph end closing a line belongs to it).
int LineOfCharacter(const std::wstring& text, int index) {
    return static_cast<int>(std::count(text.begin(), text.begin() + index, ParagraphEnd));
}

// Index of the first character of the line, or -1 when there is no such line.
int LineStart(const std::wstring& text, int line) {
    if (line < 0)
        return -1;
    std::size_t start = 0;
    for (int n = 0; n < line; ++n) {
        const std::size_t end = text.find(ParagraphEnd, start);
        if (end == std::wstring::npos)
            return -1;
        start = end + 1;
    }
    return static_cast<int>(start);
}

// Where the line starting at start ends, before its paragraph end.
int LineEnd(const std::wstring& text, int start) {
    const std::size_t end = text.find(ParagraphEnd, static_cast<std::size_t>(start));
    return end == std::wstring::npos ? static_cast<int>(text.size()) : static_cast<int>(end);
}

// CR LF, a lone LF and a lone CR each become one paragraph end.
std::wstring WithParagraphEnds(const std::wstring& text) {
    std::wstring converted;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\n')
            converted += text[i];
        else if (i == 0 || text[i - 1] != L'\r')
            converted += ParagraphEnd;
    }
    return converted;
}

} // namespace

WindowRect SimFrameAround(int left, int top, WindowSize client) {
    const WindowSize size = FrameSizeOfClient(client);
    return {left, top, SimSaturated(std::int64_t{left} + size.width),
            SimSaturated(std::int64_t{top} + size.height)};
}

int SimSaturated(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

void SimSetWorkAreas(const std::vector<WindowRect>& workAreas) {
    Desktop().workAreas = workAreas;
}

WindowSize FrameSizeOfClient(WindowSize client) {
    return {SimSaturated(std::int64_t{client.width} + SimFrameLeft + SimFrameRight),
            SimSaturated(std::int64_t{client.height} + SimFrameTop + SimFrameBottom)};
}

WindowRect WorkAreaNear(const WindowRect& frame, bool& onAMonitor) {
    // The gap between two ranges along one axis; 0 when they overlap.
    const auto gap = [](std::int64_t from, std::int64_t to, std::int64_t areaFrom,
                        std::int64_t areaTo) {
        return std::max<std::int64_t>({0, areaFrom - to, from - areaTo});
    };
    onAMonitor = false;
    WindowRect nearest = frame;
    std::int64_t nearestGap = INT64_MAX;
    for (const WindowRect& area : Desktop().workAreas) {
        const std::int64_t across = gap(frame.left, frame.right, area.left, area.right);
        const std::int64_t down = gap(frame.top, frame.bottom, area.top, area.bottom);
        const bool overlaps = frame.left < area.right && area.left < frame.right &&
                              frame.top < area.bottom && area.top < frame.bottom;
        if (overlaps) {
            onAMonitor = true;
            return area;
        }
        if (across + down < nearestGap) {
            nearestGap = across + down;
            nearest = area;
        }
    }
    return nearest;
}

void SimSetDisplayDpi(int dotsPerInch) {
    Desktop().displayDpi = dotsPerInch;
}

void SimSetVisualStyles(bool inUse) {
    Desktop().visualStyles = inUse;
}

void SimSetDesktopComposes(bool composes) {
    Desktop().composes = composes;
}

const SimWindow& SimMainWindow() {
    return Desktop().window;
}

// The controls of a closed window are still found: tests read them after shut-down.
const SimControl* SimFindControl(int id) {
    const std::map<int, SimControl>& controls = Desktop().window.controls;
    auto found = controls.find(id);
    return found == controls.end() ? nullptr : &found->second;
}

const SimFont* SimFindFont(int fontId) {
    const std::map<int, SimFont>& fonts = Desktop().fonts;
    auto found = fonts.find(fontId);
    return found == fonts.end() ? nullptr : &found->second;
}

bool SimWindowLayerReleased() {
    return Desktop().layerReleased;
}

int InitWindowLayer() {
    return Desktop().displayDpi;
}

bool DesktopComposes() {
    return Desktop().composes;
}

bool VisualStylesInUse() {
    return Desktop().visualStyles;
}

void OpenMainWindow(const std::wstring& title, int left, int top, int innerWidth, int innerHeight) {
    SimWindow& window = Desktop().window;
    window = SimWindow{};
    window.open = true;
    window.everOpened = true;
    window.title = title;
    window.client = {innerWidth, innerHeight};
    window.frame = window.normalFrame = SimFrameAround(left, top, window.client);
    window.menuCommands = Desktop().menuCommands;
    Desktop().timerDueNanoseconds.clear();
}

void CloseMainWindow() {
    SimWindow& window = Desktop().window;
    if (!window.open)
        return;
    window.open = false;
    window.armedTimers.clear();
    Desktop().timerDueNanoseconds.clear();
}

void ReleaseWindowLayer() {
    Desktop().fonts.clear();
    Desktop().layerReleased = true;
}

void CreateDropDownList(int id, int left, int top, int width, int fieldHeight, int totalHeight) {
    SimControl* list = AddControl(id, SimControlKind::DropDownList, left, top, width, fieldHeight);
    if (list == nullptr)
        return;
    list->fieldHeight = fieldHeight;
    list->totalHeight = totalHeight;
}

void CreatePushButton(int id, int left, int top, int width, int height,
                      const std::wstring& caption) {
    SimControl* button = AddControl(id, SimControlKind::PushButton, left, top, width, height);
    if (button != nullptr)
        button->caption = caption;
}

void CreateLogControl(int id, int left, int top, int width, int height) {
    AddControl(id, SimControlKind::LogControl, left, top, width, height);
}

void AddTooltip(int id, const std::wstring& text) {
    SimControl* control = AnyLiveControl(id);
    if (control == nullptr)
        return;
    control->tooltip = text;
    Desktop().window.tooltipOrder.push_back(id);
}

void AddMenuCommand(int commandId, const std::wstring& text, int flags, wchar_t ctrlKey) {
    if (ctrlKey < L'A' || ctrlKey > L'Z')
        ctrlKey = 0;
    const SimMenuCommand command{commandId, text, flags, ctrlKey};
    Desktop().menuCommands.push_back(command);
    if (Desktop().window.open)
        Desktop().window.menuCommands.push_back(command);
}

void LoadFont(int fontId, const std::wstring& face, int height) {
    Desktop().fonts[fontId] = SimFont{face, height};
}

void SetControlFont(int id, int fontId) {
    SimControl* control = AnyLiveControl(id);
    if (control != nullptr)
        control->fontId = fontId;
}

void MoveControl(int id, int left, int top, int width, int height) {
    SimControl* control = AnyLiveControl(id);
    if (control == nullptr)
        return;
    control->left = left;
    control->top = top;
    control->width = width;
    control->height = height;
}

void ListAddItem(int id, const std::wstring& text) {
    SimControl* list = LiveList(id);
    if (list != nullptr)
        list->items.push_back(text);
}

int ListItemCount(int id) {
    const SimControl* list = LiveList(id);
    return list == nullptr ? 0 : static_cast<int>(list->items.size());
}

std::wstring ListItemText(int id, int index) {
    const SimControl* list = LiveList(id);
    if (list == nullptr || index < 0 || index >= static_cast<int>(list->items.size()))
        return std::wstring();
    return list->items[static_cast<std::size_t>(index)];
}

int ListSelectedIndex(int id) {
    const SimControl* list = LiveList(id);
    return list == nullptr ? -1 : list->selected;
}

// An index that names no item leaves none selected, as CB_SETCURSEL does.
void ListSelectIndex(int id, int index) {
    SimControl* list = LiveList(id);
    if (list == nullptr)
        return;
    const bool names = index >= 0 && index < static_cast<int>(list->items.size());
    list->selected = names ? index : -1;
}

int EditTextLength(int id) {
    const SimControl* log = LiveLog(id);
    return log == nullptr ? 0 : TextLength(*log);
}

void EditHideSelection(int id, bool hide) {
    SimControl* log = LiveLog(id);
    if (log != nullptr)
        log->selectionHidden = hide;
}

// The caret stands at the end given; an end of -1 is the end of the text, and a start of -1
// collapses the selection at the caret.
void EditSetSelection(int id, int start, int end) {
    SimControl* log = LiveLog(id);
    if (log == nullptr)
        return;
    if (start == -1) {
        log->selectionStart = log->selectionEnd;
        return;
    }
    const int length = TextLength(*log);
    log->selectionStart = Clamp(start, 0, length);
    log->selectionEnd = end == -1 ? length : Clamp(end, 0, length);
}

void EditReplaceSelection(int id, const std::wstring& text, bool undoable) {
    SimControl* log = LiveLog(id);
    if (log == nullptr)
        return;
    const std::wstring inserted = WithParagraphEnds(text);
    const int from = std::min(log->selectionStart, log->selectionEnd);
    const int to = std::max(log->selectionStart, log->selectionEnd);
    log->text.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from),
                      inserted);
    log->selectionStart = log->selectionEnd = from + static_cast<int>(inserted.size());
    if (undoable)
        ++log->undoableEdits;
    // The control reports every change; the queue drops those the program makes.
    RaiseEvent(EventControl, 0, id, EditChange);
}

int EditLineCount(int id) {
    const SimControl* log = LiveLog(id);
    return log == nullptr ? 0 : LineOfCharacter(log->text, TextLength(*log)) + 1;
}

// Line -1 is the caret's line.
int EditLineIndex(int id, int line) {
    const SimControl* log = LiveLog(id);
    if (log == nullptr)
        return -1;
    if (line == -1)
        line = LineOfCharacter(log->text, log->selectionEnd);
    return LineStart(log->text, line);
}

// Index -1 is the caret; an index beyond the text falls in the last line.
int EditLineLength(int id, int characterIndex) {
    const SimControl* log = LiveLog(id);
    if (log == nullptr)
        return 0;
    const int index =
        characterIndex == -1 ? log->selectionEnd : Clamp(characterIndex, 0, TextLength(*log));
    const int start = LineStart(log->text, LineOfCharacter(log->text, index));
    return LineEnd(log->text, start) - start;
}

std::wstring EditGetLine(int id, int line, int capacity) {
    const SimControl* log = LiveLog(id);
    if (log == nullptr || capacity <= 0)
        return std::wstring();
    const int start = LineStart(log->text, line);
    if (start < 0)
        return std::wstring();
    const int end = LineEnd(log->text, start);
    const int withBreak = end < TextLength(*log) ? end + 1 : end;
    return log->text.substr(static_cast<std::size_t>(start),
                            static_cast<std::size_t>(std::min(withBreak - start, capacity)));
}

// EM_EXSETSEL and EM_SETSEL agree on every range the program gives.
void EditExSetSelection(int id, int start, int end) {
    EditSetSelection(id, start, end);
}

void EditCopySelection(int id) {
    const SimControl* log = LiveLog(id);
    if (log == nullptr)
        return;
    const int from = std::min(log->selectionStart, log->selectionEnd);
    const int to = std::max(log->selectionStart, log->selectionEnd);
    if (from == to)
        return;
    std::wstring copied;
    for (wchar_t c :
         log->text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)))
        copied += c == L'\r' ? std::wstring(L"\r\n") : std::wstring(1, c);
    Desktop().clipboard = copied;
}

std::wstring SimClipboardText() {
    return Desktop().clipboard;
}

WindowRect MainWindowFrame() {
    const SimWindow& window = Desktop().window;
    return window.open ? window.frame : WindowRect{};
}

WindowSize MainWindowClientSize() {
    const SimWindow& window = Desktop().window;
    return window.open ? window.client : WindowSize{};
}

bool MainWindowIsNormal() {
    const SimWindow& window = Desktop().window;
    return window.open && window.show == SimWindow::Show::Normal;
}

WindowRect MainWindowNormalFrame() {
    const SimWindow& window = Desktop().window;
    return window.open ? window.normalFrame : WindowRect{};
}

WindowSize ClientSizeOfFrame(WindowSize frame) {
    return {frame.width - SimFrameLeft - SimFrameRight,
            frame.height - SimFrameTop - SimFrameBottom};
}
