#include "json_text.h"

#include <windows.h>

namespace {

std::string Utf8Of(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

} // namespace

JsonValue JsonString(const std::wstring& text) {
    std::wstring escaped = L"\"";
    for (const wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            escaped += L'\\';
            escaped += c;
        } else if (c < 0x20) {
            // Control characters (the log's CR and tabs among them) stay visible as \u escapes.
            const wchar_t* const hex = L"0123456789abcdef";
            escaped += L"\\u00";
            escaped += hex[c >> 4];
            escaped += hex[c & 15];
        } else {
            escaped += c;
        }
    }
    escaped += L'"';
    return Utf8Of(escaped);
}

JsonValue JsonNumber(long long number) {
    return std::to_string(number);
}

JsonValue JsonBool(bool value) {
    return value ? "true" : "false";
}

JsonValue JsonArray(const std::vector<JsonValue>& values) {
    JsonValue text = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? ", " : "") + values[i];
    return text + "]";
}

JsonValue JsonObject(const std::vector<std::pair<const char*, JsonValue>>& fields) {
    JsonValue text = "{";
    for (std::size_t i = 0; i < fields.size(); ++i)
        text += (i ? ", \"" : "\"") + std::string(fields[i].first) + "\": " + fields[i].second;
    return text + "}";
}
