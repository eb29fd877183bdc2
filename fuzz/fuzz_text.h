// Wide text from fuzz bytes. ASCII bytes stand for themselves, so that seed files stay readable;
// every other byte picks a character that text handling gets wrong most easily.
#pragma once

#include <string>
#include <string_view>

inline std::wstring WideFromFuzzBytes(std::string_view bytes) {
    static const wchar_t Awkward[] = {
        L'\r',
        L'\n',
        L'\t',
        L'\0',
        L'\v',
        static_cast<wchar_t>(0x00E9),     // a Latin-1 letter
        static_cast<wchar_t>(0x00C9),     // its capital, which only a Unicode fold would match
        static_cast<wchar_t>(0xFEFF),     // the byte-order mark
        static_cast<wchar_t>(0xFFFD),     // the replacement character itself
        static_cast<wchar_t>(0x2603),     // three UTF-8 bytes
        static_cast<wchar_t>(0x1F600),    // four UTF-8 bytes (a surrogate pair on Windows)
        static_cast<wchar_t>(0xD800),     // a lone surrogate
        static_cast<wchar_t>(0xDFFF),     // another
        static_cast<wchar_t>(0x10FFFF),   // the highest code point
        static_cast<wchar_t>(0x110000),   // beyond it
        static_cast<wchar_t>(0x7FFFFFFF), // the largest wchar_t on Linux
        static_cast<wchar_t>(-1),         // and a negative one
    };
    constexpr unsigned AwkwardCount = sizeof Awkward / sizeof Awkward[0];
    std::wstring text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        text += byte < 0x80 ? static_cast<wchar_t>(byte) : Awkward[(byte - 0x80u) % AwkwardCount];
    }
    return text;
}
