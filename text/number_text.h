// Whole numbers and reals to and from text, as the settings, the port names and the log use them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reads a whole number: leading blanks, one optional sign, then "$" for hexadecimal, "%" for
// binary or decimal digits, up to the first character that is no digit of the base. Unsigned
// 64-bit arithmetic that wraps around; no digits give 0. A null view (absent text) gives 0.
std::int64_t ParseInteger(std::wstring_view text);

// Decimal digits with a leading "-" for negative values; the whole 64-bit range.
std::wstring IntegerText(std::int64_t value);

// Fixed-point text with the given number of decimals (capped to 0..512), "+Infinity",
// "-Infinity" or "NaN" for the non-finite, never a negative zero. Decimals -1 selects the short
// form: ten decimals with the trailing zeros (and a bare point) removed.
std::wstring FixedText(double value, int decimals);
