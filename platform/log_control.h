// The log control, a rich text field driven in the terms of a multi-line edit field. A part of
// the window layer of the seam to the operating system (platform/platform.h);
// platform/window.h says what a call does without the window.
#pragma once

#include <string>

// The log control, a child control as those of platform/controls.h are (placed in client
// coordinates, in the window's tab order in order of creation, with the default user-interface
// font): a multi-line rich text field (the newer rich edit library, else the older one),
// editable, no word wrap, both scroll bars, scrolling by itself to keep the caret in view,
// selection kept visible without the focus, no text limit, raising control events on the user's
// edits and on gaining and losing the focus. A plain Tab typed into it is a tab character.
void CreateLogControl(int id, int left, int top, int width, int height);

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
