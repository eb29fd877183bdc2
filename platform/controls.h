// The main window's drop-down lists and push buttons, tooltips, fonts and the placing of
// controls. A part of the window layer of the seam to the operating system
// (platform/platform.h); platform/window.h says what a call does without the window.
#pragma once

#include <string>

// Child controls, placed in client coordinates, in the window's tab order in order of creation,
// each with the default user-interface font.
//
// A drop-down list the user can only choose from (no typing), its items unsorted, its closed
// field exactly fieldHeight pixels high and its open list dropping below within totalHeight.
void CreateDropDownList(int id, int left, int top, int width, int fieldHeight, int totalHeight);
void CreatePushButton(int id, int left, int top, int width, int height,
                      const std::wstring& caption);

// Gives a control a tooltip (one tooltip window serves all; shown also while the window is
// inactive; ampersands shown as they are).
void AddTooltip(int id, const std::wstring& text);

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
