// The folder part of a path, for what is put beside a file.
#pragma once

#include <string>

// Everything up to and including the path's last "\" or "/"; empty when it has none.
std::wstring FolderOfPath(const std::wstring& path);
