// Where the running program is, and the folders it keeps and offers the user's files in. A part
// of the seam to the operating system (platform/platform.h).
#pragma once

#include <string>

// Full path of the running program file, whatever its length.
std::wstring ProgramFilePath();

// Folder (ending in a separator) holding the settings file. Windows and the simulation: the
// program's own folder. Linux: $XDG_CONFIG_HOME/tockmeter/ ($HOME/.config/tockmeter/ when that is
// unset or not an absolute path), made when missing.
std::wstring SettingsFolderPath();

// Folder (ending in a separator) where the Save As dialog opens first. Windows and the
// simulation: the program's own folder. Linux: the user's home folder.
std::wstring FirstSaveFolderPath();
