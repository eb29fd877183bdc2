#include "text/utf8_text.h"

#include "platform/text_encoding.h"

#include <cstddef>

namespace {

constexpr wchar_t ReplacementCharacter = 0xFFFD;

// Length of the well-formed sequence at bytes[at], or 0 when the byte there starts none.
// The second byte's range excludes overlongs, surrogates and code points above U+10FFFF.
std::size_t WellFormedLength(const std::string& bytes, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned secondLow = 0x80;
    unsigned secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            secondLow = 0xA0;
        else if (lead == 0xED)
            secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            secondLow = 0x90;
        else if (lead == 0xF4)
            secondHigh = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned byte = static_cast<unsigned char>(bytes[at + i]);
        const unsigned low = i == 1 ? secondLow : 0x80u;
        const unsigned high = i == 1 ? secondHigh : 0xBFu;
        if (byte < low || byte > high)
            return 0;
    }
    return length;
}

} // namespace

std::wstring TextFromUtf8Lossy(const std::string& bytes) {
    // Valid runs go to the platform's converter whole; only the bad bytes are handled here.
    std::wstring text;
    std::size_t runStart = 0;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = WellFormedLength(bytes, at);
        if (length != 0) {
            at += length;
            continue;
        }
        if (at > runStart)
            text += WideFromUtf8(bytes.substr(runStart, at - runStart));
        text += ReplacementCharacter;
        runStart = ++at;
    }
    if (at > runStart)
        text += WideFromUtf8(runStart == 0 ? bytes : bytes.substr(runStart));
    return text;
}
