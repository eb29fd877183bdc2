#include "window/log_view.h"

#include "platform/log_control.h"
#include "window/control_ids.h"
#include "window/events.h"

namespace {

// An empty text appended to an empty log still makes a line, although the control holds no
// character for it: this remembers that line until a line break follows it.
enum class EmptyFirstLine { None, Pending, Broken };

EmptyFirstLine FirstLineState = EmptyFirstLine::None;

// Every insertion goes into the control's undo history, so that the user can undo appends.
constexpr bool UserCanUndo = true;

// EM_GETLINE wants room for the line, its line break and the count word it overwrites.
constexpr int LineBufferSlack = 3;

} // namespace

void CreateLogView(int left, int top, int width, int height) {
    CreateLogControl(LogViewId, left, top, width, height);
    FirstLineState = EmptyFirstLine::None;
}

void AppendLogLine(const std::wstring& text) {
    ProgramChange change;
    EditHideSelection(LogViewId, true);
    const int length = EditTextLength(LogViewId);
    EditSetSelection(LogViewId, length, length);
    if (FirstLineState == EmptyFirstLine::Pending) {
        EditReplaceSelection(LogViewId, L"\n", UserCanUndo);
        FirstLineState = EmptyFirstLine::Broken;
    }
    if (length > 0)
        EditReplaceSelection(LogViewId, L"\n", UserCanUndo);
    else if (text.empty() && FirstLineState == EmptyFirstLine::None)
        FirstLineState = EmptyFirstLine::Pending;
    EditReplaceSelection(LogViewId, text, UserCanUndo);
    EditHideSelection(LogViewId, false);
}

int LogLineCount() {
    if (EditTextLength(LogViewId) == 0 && FirstLineState == EmptyFirstLine::None)
        return 0;
    return EditLineCount(LogViewId);
}

std::wstring LogLineText(int line) {
    const int start = EditLineIndex(LogViewId, line);
    const int capacity = EditLineLength(LogViewId, start) + LineBufferSlack;
    std::wstring text = EditGetLine(LogViewId, line, capacity);
    if (!text.empty() && text.back() == L'\r')
        text.pop_back();
    return text;
}

void SelectLogLine(int line) {
    const int start = EditLineIndex(LogViewId, line);
    const int end = start + static_cast<int>(LogLineText(line).size()) + 1;
    EditExSetSelection(LogViewId, start, end);
}

void ScrollToNewest() {
    ShowNewest();
    DrainEvents();
}

void ShowNewest() {
    // The line after the last one does not exist: the selection is cleared and the caret stays
    // at the end of the text, where the last append left it.
    SelectLogLine(LogLineCount());
}

std::wstring LogTextAsLines() {
    std::wstring text;
    const int count = LogLineCount();
    for (int line = 0; line < count; ++line)
        text += LogLineText(line) + L"\r\n";
    return text;
}

void SelectWholeLog() {
    EditExSetSelection(LogViewId, 0, -1);
}

void CopyLogSelection() {
    EditCopySelection(LogViewId);
}

void ClearLog() {
    ProgramChange change;
    EditSetSelection(LogViewId, 0, -1);
    EditReplaceSelection(LogViewId, L"", UserCanUndo);
    FirstLineState = EmptyFirstLine::None;
}
