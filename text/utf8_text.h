// Lenient reading of UTF-8 that may hold damaged bytes, as a file edited by hand can.
#pragma once

#include <string>

// Text of UTF-8 bytes. Every byte that is not part of a well-formed sequence (a stray
// continuation byte, a cut-off sequence, an overlong form, a surrogate D800-DFFF, a code point
// above U+10FFFF, the bytes C0, C1 and F5-FF) reads as one U+FFFD; all else is kept as it was.
std::wstring TextFromUtf8Lossy(const std::string& bytes);
