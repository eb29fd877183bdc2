// TextFromUtf8Lossy on any bytes, as a settings file edited by hand can hold them.
#include "fuzz/fuzz_check.h"
#include "platform/text_encoding.h"
#include "sim/sim.h"
#include "text/utf8_text.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring text = TextFromUtf8Lossy(bytes);
    Require(text.size() <= bytes.size(), "every character comes from at least one byte");
    for (wchar_t c : text) {
        const std::uint32_t code = static_cast<std::uint32_t>(c);
        Require(code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF),
                "every character is a Unicode scalar value");
    }
    // Its text is well-formed, so reading that text's UTF-8 again changes nothing.
    Require(TextFromUtf8Lossy(Utf8FromWide(text)) == text, "the lossy text reads back as it is");
    return 0;
}
