// Code page conversions and the C runtime's number formatting on Windows.
#include <windows.h>

#include <cwchar>

#include "platform/fixed_format.h"
#include "platform/text_encoding.h"

namespace {

std::wstring WideFromCodePage(UINT codePage, const char* bytes, std::size_t count) {
    if (count == 0)
        return std::wstring();
    const int byteCount = static_cast<int>(count);
    const int length = MultiByteToWideChar(codePage, 0, bytes, byteCount, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes, byteCount, &text[0], length);
    return text;
}

std::string CodePageFromWide(UINT codePage, const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int charCount = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), charCount, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), charCount, &bytes[0], length, nullptr, nullptr);
    return bytes;
}

} // namespace

std::wstring WideFromUtf8(const std::string& bytes) {
    return WideFromCodePage(CP_UTF8, bytes.data(), bytes.size());
}

std::string Utf8FromWide(const std::wstring& text) {
    return CodePageFromWide(CP_UTF8, text);
}

std::wstring WideFromAnsi(const char* bytes, std::size_t count) {
    return WideFromCodePage(CP_ACP, bytes, count);
}

std::string AnsiFromWide(const std::wstring& text) {
    return CodePageFromWide(CP_ACP, text);
}

std::wstring FormatFixed(double value, int decimals) {
    // Room for the 309 integer digits of the largest double, a sign, the point and 512 decimals.
    wchar_t buffer[1024];
    const int length =
        _snwprintf(buffer, sizeof buffer / sizeof buffer[0], L"%.*f", decimals, value);
    return length > 0 ? std::wstring(buffer, static_cast<std::size_t>(length)) : std::wstring();
}
