// Text encodings where wchar_t holds whole code points (the simulation and Linux). ISO 8859-1
// stands for the ANSI code page.
#include "platform/text_encoding.h"

#include <cstdint>

namespace {

constexpr wchar_t ReplacementCharacter = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

} // namespace

std::wstring WideFromUtf8(const std::string& bytes) {
    std::wstring text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        std::uint32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
        int taken = 1;
        while (taken < length && i + taken < bytes.size() &&
               IsContinuation(static_cast<unsigned char>(bytes[i + taken]))) {
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(bytes[i + taken]) & 0x3F);
            ++taken;
        }
        // Callers hand over valid UTF-8; anything else still gives a defined result.
        text += taken == length ? static_cast<wchar_t>(codePoint) : ReplacementCharacter;
        i += static_cast<std::size_t>(taken);
    }
    return text;
}

std::string Utf8FromWide(const std::wstring& text) {
    std::string bytes;
    for (wchar_t character : text) {
        const std::uint32_t codePoint = static_cast<std::uint32_t>(character);
        const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
        AppendUtf8(bytes, surrogate || codePoint > 0x10FFFF ? ReplacementCharacter : codePoint);
    }
    return bytes;
}

std::wstring WideFromAnsi(const char* bytes, std::size_t count) {
    std::wstring text;
    text.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    return text;
}

std::string AnsiFromWide(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t character : text)
        bytes += static_cast<std::uint32_t>(character) <= 0xFF ? static_cast<char>(character) : '?';
    return bytes;
}
