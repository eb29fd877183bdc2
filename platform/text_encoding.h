// Conversions between the program's wide text and bytes in UTF-8 or the ANSI code page. A part
// of the seam to the operating system (platform/platform.h).
#pragma once

#include <cstddef>
#include <string>

// UTF-8 bytes to text. Callers hand over only valid UTF-8 (see text/utf8_text.h for the lossy
// reader that splits out invalid bytes first).
std::wstring WideFromUtf8(const std::string& bytes);

// Text to UTF-8 bytes. An unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

// Bytes of the system's ANSI code page to text, one call per run of bytes (no zero-byte rule:
// every byte given is converted). On Linux ISO 8859-1 stands for the ANSI code page.
std::wstring WideFromAnsi(const char* bytes, std::size_t count);

// Text to bytes of the ANSI code page; a character the code page lacks becomes the platform's
// default replacement character. The result holds exactly the converted bytes.
std::string AnsiFromWide(const std::wstring& text);
