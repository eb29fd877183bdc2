// Numbers as text by the C runtime. A part of the seam to the operating system
// (platform/platform.h).
#pragma once

#include <string>

// The C runtime's fixed-point conversion ("%.*f") of a finite double with 0..512 decimals.
// Rounding of halfway cases is the runtime's own.
std::wstring FormatFixed(double value, int decimals);
